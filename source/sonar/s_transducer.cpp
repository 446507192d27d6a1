// The transducer table and its queries. The table is constant and read by
// many tasks without a lock.
#include "source/sonar/s_transducer.h"

#include <atomic>
#include <string.h>

#include "common/language.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"

namespace {

#define SONAR_TEXT_RECORD(name, text)                                                            \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
SONAR_TEXT_RECORD(s_txtUnknown, "Unknown");
SONAR_TEXT_RECORD(s_txtDualBeam, "Dual Beam");
SONAR_TEXT_RECORD(s_txtQuadBeam, "Quad Beam");
SONAR_TEXT_RECORD(s_txtBroadvane, "Broadvane");
SONAR_TEXT_RECORD(s_txtDual50200, "Dual 50/200");
SONAR_TEXT_RECORD(s_txtSidescan, "Sidescan");
SONAR_TEXT_RECORD(s_txt3D, "3D");
SONAR_TEXT_RECORD(s_txtSingleBeam, "Single Beam");
SONAR_TEXT_RECORD(s_txtDual50200Deep, "Dual 50/200D");
SONAR_TEXT_RECORD(s_txtCompactSidescan, "Compact Sidescan");
SONAR_TEXT_RECORD(s_txtHiDefSidescan, "Hi-Def Sidescan");
SONAR_TEXT_RECORD(s_txtOmnisonde2, "Omnisonde 2");
SONAR_TEXT_RECORD(s_txtDI200455, "DI 200/455");
SONAR_TEXT_RECORD(s_txtQX360, "QX 360");
SONAR_TEXT_RECORD(s_txtDI20083, "DI 200/83");
SONAR_TEXT_RECORD(s_txtDI20050, "DI 200/50");

const TRANSDUCER_SPECIFICS s_sTransducerSpecifics[TRANSDUCER_TYPES] = {
    {0, "", s_txtUnknown, 0x0, 0x0},
    {1, "200/83", s_txtDualBeam, 0x3, 0x1},
    {2, "200/83 455", s_txtQuadBeam, 0x103, 0x7},
    {3, "200/83 455", s_txtBroadvane, 0x203, 0x5},
    {4, "200/50", s_txtDual50200, 0x5, 0x1},
    {5, "200/50 262/455", s_txtSidescan, 0x1405, 0x5},
    {6, "83 455", s_txt3D, 0x10002, 0x0},
    {7, "200", s_txtSingleBeam, 0x1, 0x1},
    {8, "200/50", s_txtDual50200Deep, 0x5, 0x1},
    {9, "200/83 455", s_txtCompactSidescan, 0x403, 0x5},
    {10, "200/83 455/800", s_txtHiDefSidescan, 0xC03, 0x5},
    {11, "200/83", s_txtOmnisonde2, 0x3, 0x1},
    {12, "200/83", s_txtUnknown, 0x3, 0x1},
    {13, "200/83", s_txtUnknown, 0x3, 0x1},
    {14, "200/50", s_txtUnknown, 0x5, 0x1},
    {15, "455/200 800/455", s_txtDI200455, 0x300009, 0x3},
    {16, "455", s_txtQX360, 0x1000400, 0xC},
    {17, "83/200 800/455", s_txtDI20083, 0x300003, 0x3},
    {18, "50/200 800/455", s_txtDI20050, 0x300005, 0x3},
};

// The transducers this unit supports, in order.
constexpr U8 s_au8SupportedTransducers[] = {15, 17, 4, 1, 2, 18, 0};

std::atomic<U8> s_u8CurrentSelectedTransducer[2];
std::atomic<F32> s_fMaximumDepthRangeMetres{200.0f};

BOOLEAN bFetchSelected(U32* pu32Type) { return H_DATABASE_bFetchU32(FCID("SSTS"), pu32Type); }

}  // namespace

const TRANSDUCER_SPECIFICS* S_TRANSDUCER_psGetRow(U8 u8Transducer) {
  return u8Transducer < TRANSDUCER_TYPES ? &s_sTransducerSpecifics[u8Transducer] : nullptr;
}

// A type outside the table has no beams (an advertised type from another
// unit's newer table must not read past this one).
U32 S_TRANSDUCER_u32GetBeamsForTransducer(U8 u8Transducer) {
  return u8Transducer < TRANSDUCER_TYPES ? s_sTransducerSpecifics[u8Transducer].u32BeamsSupported : 0;
}

U32 S_TRANSDUCER_u32GetBeamsForTransducerAndSource(U8 u8Transducer, U16 u16SourceType) {
  const U32 mask = S_TRANSDUCER_u32GetBeamsForTransducer(u8Transducer);
  switch (u16SourceType) {
    case SONAR_SOURCE_2D:
      return mask & TRANSDUCER_BEAMS_2D;
    case SONAR_SOURCE_DI:
      return mask & (u8Transducer == 2 ? TRANSDUCER_BEAMS_QUAD_SIDE : TRANSDUCER_BEAMS_DI);
    case SONAR_SOURCE_SI:
      return mask & (u8Transducer == 2 ? TRANSDUCER_BEAMS_QUAD_SIDE : TRANSDUCER_BEAMS_SI);
    case SONAR_SOURCE_360:
      return mask & TRANSDUCER_BEAMS_360;
    default:
      return mask;
  }
}

U32 S_TRANSDUCER_u32GetBeamsSupportedByModel(void) {
  U32 mask = 0;
  for (U8 type : s_au8SupportedTransducers) {
    if (s_sTransducerSpecifics[type].pString != nullptr) mask |= s_sTransducerSpecifics[type].u32BeamsSupported;
  }
  return mask;
}

U32 S_TRANSDUCER_u32GetBeamsToDisplay(U8 u8Transducer) {
  return S_TRANSDUCER_u32GetBeamsForTransducer(u8Transducer) & S_TRANSDUCER_u32GetBeamsSupportedByModel();
}

DB_TEXT_RECORD S_TRANSDUCER_pasGetTransducerName(U8 u8Transducer) {
  return u8Transducer < TRANSDUCER_TYPES ? s_sTransducerSpecifics[u8Transducer].pString : s_txtUnknown;
}

U32 S_TRANSDUCER_u32GetSonarSources(U8 u8Transducer) {
  return u8Transducer < TRANSDUCER_TYPES ? s_sTransducerSpecifics[u8Transducer].u32SonarSources : 0;
}

U8 S_TRANSDUCER_u8GetTransducerByCapability(U32 u32Capability) {
  for (U8 type = 1; type < TRANSDUCER_TYPES; ++type) {
    if (s_sTransducerSpecifics[type].u32BeamsSupported == u32Capability) return type;
  }
  return 0;
}

U32 S_TRANSDUCER_u32GetElementBit(U32 u32SonarElementSelection, NET_SOURCE_TYPE eNetSourceType) {
  if (eNetSourceType <= SONAR_SOURCE_360) return u32SonarElementSelection & (1u << eNetSourceType);
  return u32SonarElementSelection;
}

void S_TRANSDUCER_vSetElementBit(U32* pu32SonarElementSelection, NET_SOURCE_TYPE eNetSourceType) {
  if (pu32SonarElementSelection != nullptr && eNetSourceType <= SONAR_SOURCE_360)
    *pu32SonarElementSelection |= 1u << eNetSourceType;
}

void S_TRANSDUCER_vUnsetElementBit(U32* pu32SonarElementSelection, NET_SOURCE_TYPE eNetSourceType) {
  if (pu32SonarElementSelection != nullptr && eNetSourceType <= SONAR_SOURCE_360)
    *pu32SonarElementSelection &= ~(1u << eNetSourceType);
}

BOOLEAN S_TRANSDUCER_bIsNadscan(void) {
  U32 type = 0;
  if (!bFetchSelected(&type)) return FALSE;
  return type == 15 || type == 17 || type == 18;
}

BOOLEAN S_TRANSDUCER_bIsLatscan(void) {
  U32 type = 0;
  if (!bFetchSelected(&type)) return FALSE;
  return type == 5 || type == 9 || type == 10 || type == 16;
}

BOOLEAN S_TRANSDUCER_bIsDefaultTransducer(void) {
  U32 type = 0;
  if (!bFetchSelected(&type)) return TRUE;
  U32 def = 15;
  if (!H_DATABASE_bFetchU32(FCID("SSTD"), &def)) def = 15;
  return type == def;
}

BOOLEAN S_TRANSDUCER_bIsSupportedTransducer(U8 u8TransducerID) {
  for (U8 type : s_au8SupportedTransducers) {
    if (type == u8TransducerID) {
      log_me("transducer %u is supported", (unsigned)u8TransducerID);
      return TRUE;
    }
  }
  log_me("transducer %u is not supported", (unsigned)u8TransducerID);
  return FALSE;
}

U32 S_TRANSDUCER_u32LFBeamFrequencyHertz(void) {
  U32 khz = 0;
  if (!H_DATABASE_bFetchU32(FCID("CSFL"), &khz)) return 0;
  return khz * 1000;
}

const char* S_TRANSDUCER_pbyteGetFrequencyString(U8 u8Transducer, U8 u8SonarSource) {
  static thread_local char s_acText[16];
  if (u8SonarSource == SONAR_SOURCE_360) return "455";
  if (u8SonarSource > SONAR_SOURCE_360) return "NONE";
  const U32 b = S_TRANSDUCER_u32GetBeamsSupportedByModel() &
                S_TRANSDUCER_u32GetBeamsForTransducerAndSource(u8Transducer, u8SonarSource);
  const char* first = "";
  const char* second = "";
  if (u8SonarSource == SONAR_SOURCE_2D) {
    if (b & 0x1) first = "200";
    if (b & 0x2) second = "83";
    if (b & 0x4) second = "50";
    if (b & 0x8) second = "455";
  } else {
    if (b & 0x200700) first = "455";
    if (b & 0x1000) second = "262";
    if (b & 0x100800) second = "800";
  }
  if (*first != '\0' && *second == '\0') {
    snprintf(s_acText, sizeof s_acText, "%s", first);
  } else {
    snprintf(s_acText, sizeof s_acText, "%s/%s", first, second);
  }
  return s_acText;
}

F32 S_TRANSDUCER_fMaximumDepthRangeMetres(void) { return s_fMaximumDepthRangeMetres.load(std::memory_order_relaxed); }
void S_TRANSDUCER_vSetMaximumDepthRangeMetres(F32 fMetres) {
  s_fMaximumDepthRangeMetres.store(fMetres, std::memory_order_relaxed);
}

U8 S_TRANSDUCER_u8CurrentTransducer(U8 u8Index) {
  return u8Index < 2 ? s_u8CurrentSelectedTransducer[u8Index].load(std::memory_order_relaxed) : 0;
}
void S_TRANSDUCER_vSetCurrentTransducer(U8 u8Index, U8 u8Transducer) {
  if (u8Index < 2) s_u8CurrentSelectedTransducer[u8Index].store(u8Transducer, std::memory_order_relaxed);
}
