// Sonar views and menus per transducer: tables of (transducer type, enable
// function) entries; an enable function registers (TRUE) or removes
// (FALSE) one view or group of menu items.
#pragma once

#include "common/types.h"

typedef void ENABLE_FUNCTION(BOOLEAN bEnable);

struct TRANSDUCER_EVENT {
  U8 u8TransducerId;  // 255: every transducer
  ENABLE_FUNCTION* pvfEnableDisable;
  const char* pcName;
};
struct SONAR_SOURCE_EVENT {
  U8 u8TransducerId;
  U32 u32SonarSources;  // all ones: any
  ENABLE_FUNCTION* pvfEnableDisable;
  const char* pcName;
};

void S_TRANSDUCER_vEnable(BOOLEAN bTransducerConnected);
void S_TRANSDUCER_v2DEnable(U8 u8RequestedTransducer);
void S_TRANSDUCER_vImagingEnable(U8 u8RequestedTransducer);
void S_TRANSDUCER_vCompositeEnable(U8 u8RequestedTransducer, U32 u32RequestedTransducerElement);

// The names of the entries the 2D, imaging and composite enables switch on
// for a transducer (and source mask); returns how many were written.
U32 S_TRANSDUCER_u32Enabled2D(U8 u8Transducer, const char** ppcNames, U32 u32Room);
U32 S_TRANSDUCER_u32EnabledImaging(U8 u8Transducer, const char** ppcNames, U32 u32Room);
U32 S_TRANSDUCER_u32EnabledComposite(U8 u8Transducer, U32 u32Sources, const char** ppcNames, U32 u32Room);
