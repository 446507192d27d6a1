// The sonar coprocessor device layer.
#include "source/sonar/h_coproc.h"

#include <string.h>

#include <atomic>
#include <mutex>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/h_hwstubs.h"
#include "source/platform/platform.h"
#include "source/sonar/s_coproc.h"
#include "source/sonar/sonar_types.h"

namespace {

std::mutex s_lock;                    // guards the handle and buffer set-up
std::atomic<int> s_nSonarFileHandle{0};  // 0 = not opened, -1 = open failed
std::atomic<BOOLEAN> s_bSimulate{FALSE};
std::atomic<U8*> gpu8NonCachedDataBlock{nullptr};
bool s_bPublished = false;
U64 s_u64LastPublicationMs = 0;

U16 u16Le(const U8* p) { return (U16)(p[0] | (p[1] << 8)); }

void vPublishReadings(const U8* tail) {
  if (opt_noadc) return;
  const U64 now = L_CLOCK_qwGetTimeInMillis();
  if (s_bPublished && now - s_u64LastPublicationMs < COPROC_ADC_INTERVAL_MS) return;
  s_bPublished = true;
  s_u64LastPublicationMs = now;
  H_DATABASE_bUpdateValueU32(FCID("AD05"), (U32)u16Le(tail + 4) << 6, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("AD02"), (U32)u16Le(tail + 2) << 6, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("AD00"), (U32)u16Le(tail + 0) << 6, P_NORMAL);
}

}  // namespace

void H_COPROC_vInitialize(void) {
  std::lock_guard<std::mutex> guard(s_lock);
  if (gpu8NonCachedDataBlock.load() == nullptr) {
    auto* block = (U8*)H_MMU_pu32AllocateNonCachedArea(COPROC_RECEIVE_BLOCK_BYTES);
    if (block != nullptr) memset(block, 0, COPROC_RECEIVE_BLOCK_BYTES);
    gpu8NonCachedDataBlock.store(block);
  }
  if (s_nSonarFileHandle.load() == 0) {
    const int fd = PLATFORM_nSonarOpen(H_COPROC_DEVICE);
    s_nSonarFileHandle.store(fd < 0 ? -1 : fd);
  }
  log_me("data block ptr = %p and file handle = %x", (void*)gpu8NonCachedDataBlock.load(),
         (unsigned)s_nSonarFileHandle.load());
}

void H_COPROC_vSimulate(BOOLEAN bSimulate) { s_bSimulate.store(bSimulate ? TRUE : FALSE); }
BOOLEAN H_COPROC_bSimulating(void) { return s_bSimulate.load(); }
BOOLEAN H_COPROC_bCoprocessorReady(void) { return s_nSonarFileHandle.load() != 0; }
U8* H_COPROC_pu8DataBlock(void) { return gpu8NonCachedDataBlock.load(); }

U32 H_COPROC_u32Transfer(U8* pau8Data, U32 u32TransferSize, COPROC_DATA_DIRECTION eDirection) {
  const int fd = s_nSonarFileHandle.load();
  if (fd <= 0 || pau8Data == nullptr) return COPROC_TRANSFER_FAILED;
  if (eDirection == SEND_TO_COPROC) {
    if (s_bSimulate.load() && u32TransferSize >= MULTI_TX_BYTES) {
      // The coprocessor keeps its rhythm without transmitting.
      const U8 n = S_COPROC_u8NumberOfSequences(pau8Data);
      for (U8 i = 0; i < n && i < MULTI_TX_SEQUENCES; ++i) {
        for (size_t p = 0; p < 3; ++p) pau8Data[i * TX_SEQUENCE_BYTES + p * TX_PULSE_BYTES + 3] = TXMODE_NONE;
      }
    }
    const long written = PLATFORM_nSonarWrite(fd, pau8Data, u32TransferSize);
    return written < 0 ? COPROC_TRANSFER_FAILED : (U32)written;
  }
  if (eDirection == RECEIVE_FROM_COPROC) {
    const long got = PLATFORM_nSonarRead(fd, pau8Data, u32TransferSize);
    if (got < 0) return COPROC_TRANSFER_FAILED;
    if (got <= 8) return (U32)got;
    {
      std::lock_guard<std::mutex> guard(s_lock);
      vPublishReadings(pau8Data + got - COPROC_TRANS_INFO_BYTES);
    }
    return (U32)(got - COPROC_TRANS_INFO_BYTES);
  }
  return COPROC_TRANSFER_FAILED;
}

void H_COPROC_vClose(void) {
  std::lock_guard<std::mutex> guard(s_lock);
  const int fd = s_nSonarFileHandle.exchange(0);
  if (fd > 0) PLATFORM_vSonarClose(fd);
  s_bPublished = false;
  s_u64LastPublicationMs = 0;
}
