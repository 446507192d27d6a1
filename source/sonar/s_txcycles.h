// Transmit cycles of a pulse by beam, depth and transducer type.
#pragma once

#include <array>

#include "common/types.h"
#include "source/sonar/sonar_types.h"

struct DEPTHCYCLES {
  U32 u32Depth;  // metres
  U32 u32TxCycles;
};

// Rows indexed by whole metres (row i has depth i).
extern const std::array<DEPTHCYCLES, 153> gDepthCycles200kHzMapping;
extern const std::array<DEPTHCYCLES, 47> gDepthCycles455kHzDownBeamMapping;
extern const std::array<DEPTHCYCLES, 17> gDepthCycles455kHzDIMapping;

// fSpeedInMPH is not used. A beam of 4 or more is fatal.
U8 S_TXCYCLES_u8CalculateTxCycles(BEAM Beam, float fDepthInMetres, float fSpeedInMPH, U32 u32Transducer);
