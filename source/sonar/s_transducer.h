// The transducer table: what each kind of transducer can do (beams,
// frequencies, name, sonar sources), and the queries on it.
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "source/sonar/sonar_types.h"

constexpr U8 TRANSDUCER_TYPES = 19;

struct TRANSDUCER_SPECIFICS {
  U8 u8TransducerID;
  const char* pFrequencies;
  DB_TEXT_RECORD pString;
  U32 u32BeamsSupported;
  U32 u32SonarSources;
};

// Beam mask bits.
constexpr U32 TRANSDUCER_BEAM_200 = 0x1;
constexpr U32 TRANSDUCER_BEAM_83 = 0x2;
constexpr U32 TRANSDUCER_BEAM_50 = 0x4;
constexpr U32 TRANSDUCER_BEAM_455_DOWN = 0x8;
constexpr U32 TRANSDUCER_BEAMS_2D = 0xF;
constexpr U32 TRANSDUCER_BEAMS_DI = 0x300000;
constexpr U32 TRANSDUCER_BEAMS_SI = 0x1C00;
constexpr U32 TRANSDUCER_BEAMS_360 = 0x1000000;
constexpr U32 TRANSDUCER_BEAMS_QUAD_SIDE = 0x100;

const TRANSDUCER_SPECIFICS* S_TRANSDUCER_psGetRow(U8 u8Transducer);  // null above 18
U32 S_TRANSDUCER_u32GetBeamsForTransducer(U8 u8Transducer);
U32 S_TRANSDUCER_u32GetBeamsForTransducerAndSource(U8 u8Transducer, U16 u16SourceType);
U32 S_TRANSDUCER_u32GetBeamsSupportedByModel(void);
U32 S_TRANSDUCER_u32GetBeamsToDisplay(U8 u8Transducer);
DB_TEXT_RECORD S_TRANSDUCER_pasGetTransducerName(U8 u8Transducer);
U32 S_TRANSDUCER_u32GetSonarSources(U8 u8Transducer);
U8 S_TRANSDUCER_u8GetTransducerByCapability(U32 u32Capability);
U32 S_TRANSDUCER_u32GetElementBit(U32 u32SonarElementSelection, NET_SOURCE_TYPE eNetSourceType);
void S_TRANSDUCER_vSetElementBit(U32* pu32SonarElementSelection, NET_SOURCE_TYPE eNetSourceType);
void S_TRANSDUCER_vUnsetElementBit(U32* pu32SonarElementSelection, NET_SOURCE_TYPE eNetSourceType);
BOOLEAN S_TRANSDUCER_bIsNadscan(void);
BOOLEAN S_TRANSDUCER_bIsLatscan(void);
BOOLEAN S_TRANSDUCER_bIsDefaultTransducer(void);
BOOLEAN S_TRANSDUCER_bIsSupportedTransducer(U8 u8TransducerID);
// CSFL (kHz) × 1000; 0 while CSFL holds no value.
U32 S_TRANSDUCER_u32LFBeamFrequencyHertz(void);
// At most 13 characters, in a buffer of the calling thread that stays valid
// until its next call; copy it at once.
const char* S_TRANSDUCER_pbyteGetFrequencyString(U8 u8Transducer, U8 u8SonarSource);
F32 S_TRANSDUCER_fMaximumDepthRangeMetres(void);
void S_TRANSDUCER_vSetMaximumDepthRangeMetres(F32 fMetres);
U8 S_TRANSDUCER_u8CurrentTransducer(U8 u8Index);
void S_TRANSDUCER_vSetCurrentTransducer(U8 u8Index, U8 u8Transducer);
// With 0 (no imaging pings chosen as the depth source) offers the digital
// depth source selector as the composite table does when it enables it;
// any other value does nothing.
void S_TRANSDUCER_vCrossCheckDigitalDepthSource(U32 DIPingsSource);
