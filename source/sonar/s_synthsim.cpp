#include "source/sonar/s_synthsim.h"

#include <math.h>
#include <stdio.h>
#include <sys/stat.h>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/startup/u_mmc_bufio.h"

namespace {

// Each file is read through a 16 KiB buffer of its own with the buffered
// reader; a recorded ping costs a seek (no file access within the loaded
// block) and a few buffered reads.
constexpr int BUFFER_BYTES = U_MMC_BUFFER_SIZE;
BUFFERED_IO_CONTROL* s_pIndex = nullptr;
BUFFERED_IO_CONTROL* s_pData = nullptr;
char au8IndexBuffer[BUFFER_BYTES];
char au8DataBuffer[BUFFER_BYTES];
long s_lDataSize = 0;
U32 s_u32PingCounter = 1;
U64 s_TimeStamp = 0;

struct KNOT {
  U32 count;
  F32 depth;
};
constexpr KNOT DepthData[20] = {{0, 4.8f},    {1100, 8.5f}, {1400, 8.5f}, {2300, 5.5f}, {2800, 3.0f},
                                {2950, 3.2f}, {3150, 3.5f}, {3400, 3.5f}, {4000, 4.0f}, {4350, 4.8f},
                                {4600, 6.8f}, {4850, 7.7f}, {5000, 8.5f}, {5200, 8.3f}, {5600, 8.7f},
                                {5700, 8.6f}, {6000, 8.9f}, {6350, 8.5f}, {6500, 7.0f}, {7200, 4.8f}};

U32 u32Be(const U8* p) { return (U32)p[0] << 24 | (U32)p[1] << 16 | (U32)p[2] << 8 | p[3]; }

BOOLEAN bOpen(void) {
  if (s_pData != nullptr) return TRUE;
  s_pData = U_MMC_psBufferedOpen(SYNTHSIM_DATA_FILE, "rb", au8DataBuffer, BUFFER_BYTES);
  if (s_pData == nullptr) return FALSE;
  struct stat st;
  const std::string data = PLATFORM_sResolvePath(SYNTHSIM_DATA_FILE);
  s_lDataSize = stat(data.c_str(), &st) == 0 ? (long)st.st_size : 0;
  if (s_pIndex == nullptr) s_pIndex = U_MMC_psBufferedOpen(SYNTHSIM_INDEX_FILE, "rb", au8IndexBuffer, BUFFER_BYTES);
  return TRUE;
}

bool bRead(void* p, int n, BUFFERED_IO_CONTROL* c) { return U_MMC_nBufferedRead(p, n, c) == n; }

// The next index entry, rewinding at the end; FALSE for an empty index.
BOOLEAN bNextEntry(U32* pu32Offset, bool* pbWrapped) {
  U8 e[4];
  if (!bRead(e, 4, s_pIndex) || U_MMC_nBufferedTell(s_pData) >= s_lDataSize) {
    (void)U_MMC_nBufferedSeek(s_pIndex, 0, 0);
    (void)U_MMC_nBufferedSeek(s_pData, 0, 0);
    *pbWrapped = true;
    if (!bRead(e, 4, s_pIndex)) return FALSE;
  }
  *pu32Offset = u32Be(e);
  return TRUE;
}

}  // namespace

BOOLEAN S_SYNTHSIM_bReplayPing(PING_DESCRIPTOR* p) {
  if (p == nullptr || !bOpen() || s_pIndex == nullptr) return FALSE;
  // At most one pass through the index (and the record the pass began with).
  int wraps = 0;
  for (;;) {
    U32 offset = 0;
    bool wrapped = false;
    if (!bNextEntry(&offset, &wrapped)) return FALSE;
    if (wrapped && ++wraps > 1) return FALSE;
    if ((long)offset >= s_lDataSize || U_MMC_nBufferedSeek(s_pData, (long)offset, 0) != 0) {
      log_me("simulator: index entry %u beyond the data skipped", offset);
      continue;
    }
    U8 h[SYNTHSIM_RECORD_HEADER_BYTES];
    if (!bRead(h, sizeof h, s_pData)) continue;
    const U8 beam = h[0];
    const U32 samples = u32Be(h + 15);
    if (beam > 3 || samples > PING_MAX_SAMPLES) {
      log_me("simulator: record at %u skipped (beam %u, %u samples)", offset, beam, samples);
      continue;
    }
    if (!bRead(p->pu8RawSonarData, (int)samples, s_pData)) continue;
    p->Beam = beam;
    p->u32TransmitFrequencyHertz = u32Be(h + 1);
    p->u8TransmitCycles = h[13];
    p->u8TransmitPower = h[14];
    p->u32NumberOfSamples = samples;
    p->u32SamplePeriodMicroSeconds = u32Be(h + 19);
    S32 lat = 0, lon = 0;
    BOOLEAN vlat = FALSE, vlon = FALSE;
    const BOOLEAN hlat = H_DATABASE_bFetchS32(FCID("ILAT"), &lat, &vlat);
    const BOOLEAN hlon = H_DATABASE_bFetchS32(FCID("ILON"), &lon, &vlon);
    p->Location.s32LatitudeMM = hlat ? lat : (S32)u32Be(h + 9);
    p->Location.s32LongitudeMM = hlon ? lon : (S32)u32Be(h + 5);
    p->Location.bPositionValid = (hlat && hlon && vlat && vlon) ? TRUE : FALSE;
    p->bSimulated = FALSE;
    return TRUE;
  }
}

F32 S_SYNTHSIM_fDepthAtCount(U32 n) {
  if (n > 7200) n = 7200;
  for (size_t k = 1; k < 20; ++k) {
    if (DepthData[k].count >= n) {
      const KNOT& a = DepthData[k - 1];
      const KNOT& b = DepthData[k];
      const double h = 1.0 - cos(3.14159 * (double)(n - a.count) / (double)(b.count - a.count));
      return (F32)(a.depth + h / 2.0 * (b.depth - a.depth));
    }
  }
  return DepthData[0].depth;
}

F32 S_SYNTHSIM_fSynthesizeReturn(PING_DESCRIPTOR* pPing) {
  if (pPing != nullptr) {
    (void)S_SYNTHSIM_bReplayPing(pPing);
    return 0.0f;
  }
  const U64 now = L_CLOCK_qwGetTimeInTicks();
  const U64 elapsed = now - s_TimeStamp;
  if (elapsed >= 2) {
    s_u32PingCounter += (U32)((elapsed / 2) * 100 / 1000);
    if (s_u32PingCounter > 7200) s_u32PingCounter = ((s_u32PingCounter - 7201) % 7200) + 1;
    s_TimeStamp = now;
  }
  return S_SYNTHSIM_fDepthAtCount(s_u32PingCounter);
}

void S_SYNTHSIM_vClose(void) {
  if (s_pData != nullptr) (void)U_MMC_nBufferedClose(s_pData);
  if (s_pIndex != nullptr) (void)U_MMC_nBufferedClose(s_pIndex);
  s_pData = s_pIndex = nullptr;
}
