#include "source/sonar/s_txcycles.h"

#include <array>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/sonar/s_transducer.h"

namespace {

constexpr U32 u32Cycles200(U32 d) {
  if (d <= 4) return 2;
  if (d <= 14) return 3 + (d - 5) / 2;  // 5-6: 3 ... 13-14: 7
  if (d <= 21) return 8;
  if (d <= 30) return 9;
  if (d <= 69) return 10 + (d - 31) / 3;
  if (d <= 73) return 23;
  if (d <= 91) return 24 + (d - 74) / 3;
  if (d <= 151) return 30 + (d - 92) / 2;
  return 60;
}
constexpr U32 u32Cycles455Down(U32 d) {
  if (d <= 5) return 5;
  if (d <= 17) return d;
  if (d <= 23) return 18;
  if (d <= 29) return d - 5;
  if (d <= 31) return 25;
  return d - 6;
}
constexpr U32 u32Cycles455DI(U32 d) { return d <= 3 ? 5 : d + 2; }

template <size_t N, U32 (*F)(U32)>
constexpr std::array<DEPTHCYCLES, N> Table() {
  std::array<DEPTHCYCLES, N> t{};
  for (U32 d = 0; d < N; ++d) t[d] = {d, F(d)};
  return t;
}
constexpr auto s_200 = Table<153, u32Cycles200>();
constexpr auto s_455Down = Table<47, u32Cycles455Down>();
constexpr auto s_455DI = Table<17, u32Cycles455DI>();
static_assert(s_200[152].u32TxCycles == 60 && s_200[151].u32TxCycles == 59 && s_200[70].u32TxCycles == 23);
static_assert(s_455Down[46].u32TxCycles == 40 && s_455DI[16].u32TxCycles == 18);

// Row of a depth: whole metres, negative depths at row 0.
U32 u32Row(float d) { return d <= 0.0f ? 0 : (U32)d; }

}  // namespace

const std::array<DEPTHCYCLES, 153> gDepthCycles200kHzMapping = s_200;
const std::array<DEPTHCYCLES, 47> gDepthCycles455kHzDownBeamMapping = s_455Down;
const std::array<DEPTHCYCLES, 17> gDepthCycles455kHzDIMapping = s_455DI;

U8 S_TXCYCLES_u8CalculateTxCycles(BEAM Beam, float d, float, U32 u32Transducer) {
  const bool di = u32Transducer == 15 || u32Transducer == 17 || u32Transducer == 18;
  switch (Beam) {
    case 0:
      if (S_TRANSDUCER_u32LFBeamFrequencyHertz() > 82999) {
        if (d <= 60.0f) return 8;
        const U32 c = 8 + (U32)((d - 60.0f) * 0.08571429f);
        return (U8)(c > 20 ? 20 : c);
      } else {
        if (d <= 15.0f) return 2;
        if (d <= 25.0f) return 3;
        if (d <= 35.0f) return 4;
        if (d <= 45.0f) return 5;
        if (d <= 55.0f) return 6;
        if (d <= 60.0f) return 7;
        const U32 c = 7 + (U32)((d - 60.0f) * 0.09772727f);
        return (U8)(c > 50 ? 50 : c);
      }
    case 1: {
      const U32 limit = di ? 30 : 50;
      U32 c = d <= 152.0f ? s_200[u32Row(d)].u32TxCycles : limit;
      if (c > limit) c = limit;
      if (u32Transducer == 11) c += 5;
      return (U8)c;
    }
    case 2:
    case 3:
      if (u32Transducer == 2 || u32Transducer == 3) return 40;
      if (u32Transducer == 10 || u32Transducer == 16) {
        U32 key = 0;
        BOOLEAN valid = FALSE;
        if (H_DATABASE_bFetchU32(FCID("SSSF"), &key, &valid) && valid && key == FCID("SSF5")) return 17;
        return 7;
      }
      if (di) {
        if (Beam == 2) {
          if (d > 46.0f) return 40;
          const U32 c = s_455Down[u32Row(d)].u32TxCycles;
          return (U8)(c > 40 ? 40 : c);
        }
        if (d > 16.0f) return 18;
        const U32 c = s_455DI[u32Row(d)].u32TxCycles;
        return (U8)(c > 18 ? 18 : c);
      }
      return 7;
    default:
      FATAL_ERROR("Invalid beam");
  }
}
