// Memory maps: pools of fixed-size blocks carved from a region the caller
// provides. Allocation hands out the lowest-numbered free block and can wait
// on the pool's condition until a block is freed. Each block records the task
// that allocated it, for the state dump. The free-block bitmap and the
// allocation and free of one block are in l_mem_priv.h.
#include <errno.h>

#include <new>

#include "lsvc/l_lockword.h"
#include "lsvc/l_mem_priv.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

using lmem::BITS;
using lmem::LINE;
using lmem::MAP_INFO;
using lmem::SUMMARY_STRIDE;

namespace {

struct MAP_TABLE {
  MAP_INFO map[dnmaps + 1];  // index 0 unused
  pthread_mutex_t CreateMutex;
  MAP_TABLE() {
    pthread_mutex_init(&CreateMutex, nullptr);
    for (auto& m : map) {
      pthread_mutex_init(&m.MapMutex, nullptr);
      pthread_condattr_init(&m.MapCondAttr);
      pthread_condattr_setclock(&m.MapCondAttr, CLOCK_MONOTONIC);
      pthread_cond_init(&m.MapCond, &m.MapCondAttr);
    }
  }
};

// Created on the first use of any map operation; never destroyed, since
// other threads may still free blocks while the program ends.
MAP_TABLE& s_table() {
  static MAP_TABLE* table = new MAP_TABLE();
  return *table;
}

// The map's record when the number names a created map, else null.
MAP_INFO* s_pMap(MAP map) {
  if (map < 1 || map > dnmaps) return nullptr;
  MAP_INFO* m = &s_table().map[map];
  return m->bCreated.load(std::memory_order_acquire) ? m : nullptr;
}

bool s_bIsFree(const MAP_INFO* m, U32 block) {
  return (m->MapFreeBits[block / BITS].bits.load(std::memory_order_relaxed) >> (block % BITS)) & 1u;
}

// wait: block until a block is free; deadline: null for no limit.
void* s_pvAllocate(MAP map, bool wait, const struct timespec* deadline) {
  MAP_INFO* m = s_pMap(map);
  if (!m) return nullptr;
  S32 block = lmem::nTake(m);
  if (block < 0 && wait) {
    pthread_mutex_lock(&m->MapMutex);
    // Counted before the next look at the blocks: a free from here on
    // either is seen by that look or sees the count and wakes a waiter.
    m->MapWaiters.fetch_add(1, std::memory_order_seq_cst);
    for (;;) {
      block = lmem::nTake(m);
      if (block >= 0) break;
      L_TASK_Deactivate();
      const int rc = deadline ? PLATFORM_nCondTimedWait(&m->MapCond, &m->MapMutex, deadline)
                              : pthread_cond_wait(&m->MapCond, &m->MapMutex);
      L_TASK_Activate();
      if (rc == ETIMEDOUT) {
        block = lmem::nTake(m);
        break;
      }
    }
    m->MapWaiters.fetch_sub(1, std::memory_order_seq_cst);
    pthread_mutex_unlock(&m->MapMutex);
  }
  if (block < 0) return nullptr;
  return m->MapBlockArray + (size_t)block * m->MapParam.MParamBlockSize;
}

void s_vRelease(MAP_INFO* m) {
  ::operator delete[](m->MapCtrlArray, std::align_val_t{LINE});
  ::operator delete[](m->MapFreeBits, std::align_val_t{LINE});
  ::operator delete[](m->MapFreeSummary, std::align_val_t{LINE});
  m->MapCtrlArray = nullptr;
  m->MapFreeBits = nullptr;
  m->MapFreeSummary = nullptr;
}

}  // namespace

MAP_INFO* lmem::pxMap(MAP map) { return &s_table().map[map]; }

S32 lmem::nTakeSearch(MAP_INFO* m) {
  for (U32 s = 0; s < m->MapSummaryWords; ++s) {
    std::atomic<U64>& summary = m->MapFreeSummary[s * SUMMARY_STRIDE];
    U64 words = summary.load(std::memory_order_seq_cst);
    while (words != 0) {
      const U32 slot = (U32)__builtin_ctzll(words);
      const U32 w = s * BITS + slot;
      std::atomic<U64>& word = m->MapFreeBits[w].bits;
      U64 bits = word.load(std::memory_order_relaxed);
      while (bits != 0) {
        const U64 bit = bits & (~bits + 1);
        const U64 old = word.fetch_and(~bit, std::memory_order_seq_cst);
        if (old & bit) {
          if (old == bit) vLetGoOfWord(m, w);
          return nTaken(m, w * BITS + (U32)__builtin_ctzll(bit));
        }
        bits = old;  // taken by another allocation: the lowest of what is left
      }
      // Emptied since the summary was read; normally the allocation that
      // took the last block has let go of it already.
      vLetGoOfWord(m, w);
      if (!(summary.load(std::memory_order_seq_cst) & (1ull << slot))) words &= ~(1ull << slot);
    }
  }
  return -1;
}

void lmem::vWakeWaiter(MAP_INFO* m) {
  pthread_mutex_lock(&m->MapMutex);
  pthread_cond_signal(&m->MapCond);
  pthread_mutex_unlock(&m->MapMutex);
}

S32 L_MEM_nDoubleFree(MAP map, U32 index) {
  // A second free would let two later allocations share the block.
  log_me("L_MEM_Free: map %d block #%u is already free", map, index + 1);
  return -lsMAP_CROSSED;
}

S32 L_MEM_Create(void* region, U32 block_size, U32 block_count) {
  if (!region || block_size == 0 || block_count == 0) return -lsMAP_INVALID;
  MAP_TABLE& table = s_table();
  pthread_mutex_lock(&table.CreateMutex);
  MAP map = 1;
  while (map <= dnmaps && table.map[map].bCreated.load(std::memory_order_relaxed)) ++map;
  if (map > dnmaps) {
    pthread_mutex_unlock(&table.CreateMutex);
    return -lsMAP_NONE_AVAIL;
  }
  MAP_INFO* m = &table.map[map];
  const U32 words = (block_count + BITS - 1) / BITS;
  const U32 summary_words = (words + BITS - 1) / BITS;
  const size_t summary_slots = (size_t)summary_words * SUMMARY_STRIDE;
  U32 ctrl_shift = 0;
  while (((size_t)lmem::CTRL_PER_LINE << ctrl_shift) < block_count) ++ctrl_shift;
  const size_t ctrl_count = (size_t)lmem::CTRL_PER_LINE << ctrl_shift;
  m->MapCtrlArray = new (std::align_val_t{LINE}, std::nothrow) lmem::BLOCK_CTRL_INFO[ctrl_count];
  m->MapFreeBits = new (std::align_val_t{LINE}, std::nothrow) lmem::FREE_WORD[words];
  m->MapFreeSummary = new (std::align_val_t{LINE}, std::nothrow) std::atomic<U64>[summary_slots];
  if (!m->MapCtrlArray || !m->MapFreeBits || !m->MapFreeSummary) {
    s_vRelease(m);
    pthread_mutex_unlock(&table.CreateMutex);
    return -lsMAP_NO_MEMORY;
  }
  for (size_t i = 0; i < summary_slots; ++i) m->MapFreeSummary[i].store(0, std::memory_order_relaxed);
  for (U32 w = 0; w < words; ++w) {
    const U32 in_word = (w + 1 < words || block_count % BITS == 0) ? BITS : block_count % BITS;
    m->MapFreeBits[w].bits.store(in_word == BITS ? ~0ull : (1ull << in_word) - 1, std::memory_order_relaxed);
    m->MapFreeSummary[(w / BITS) * SUMMARY_STRIDE].fetch_or(1ull << (w % BITS), std::memory_order_relaxed);
  }
  m->MapParam = MAP_PARAM{block_size, block_count};
  m->MapBlockArray = static_cast<U8*>(region);
  m->MapWords = words;
  m->MapSummaryWords = summary_words;
  m->MapCtrlShift = ctrl_shift;
  m->xBlockDivisor = L_MEM_xDivisor(block_size);
  m->bCreated.store(true, std::memory_order_release);
  pthread_mutex_unlock(&table.CreateMutex);
  return map;
}

void* L_MEM_Allocate(MAP map) { return s_pvAllocate(map, false, nullptr); }

void* L_MEM_AllocateWait(MAP map) { return s_pvAllocate(map, true, nullptr); }

void* L_MEM_AllocateWaitTicks(MAP map, U32 ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return s_pvAllocate(map, true, &deadline);
}

void* L_MEM_AllocateWaitSeconds(MAP map, U32 seconds) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  return s_pvAllocate(map, true, &deadline);
}

S32 L_MEM_Free(MAP map, void* block) {
  MAP_INFO* m = s_pMap(map);
  if (!m) return -lsMAP_INVALID;
  const U8* p = static_cast<const U8*>(block);
  const U8* base = m->MapBlockArray;
  const size_t size = m->MapParam.MParamBlockSize;
  if (p < base || p >= base + size * m->MapParam.MParamBlockMax) return -lsMAP_CROSSED;
  const size_t offset = (size_t)(p - base);
  const size_t index = offset <= UINT32_MAX ? L_MEM_u32Divide(m->xBlockDivisor, (U32)offset) : offset / size;
  if (index * size != offset) return -lsMAP_CROSSED;
  return lmem::bGive(m, (U32)index) ? lsSUCCESS : L_MEM_nDoubleFree(map, (U32)index);
}

S32 L_MEM_GetBlockSize(MAP map) {
  MAP_INFO* m = s_pMap(map);
  return m ? (S32)m->MapParam.MParamBlockSize : -lsMAP_INVALID;
}

void L_MEM_Debug(void) {
  MAP_TABLE& table = s_table();
  log_me("memory block information (%d static %d dynamic)", nmaps, dnmaps);
  for (MAP n = 1; n <= dnmaps; ++n) {
    MAP_INFO* m = s_pMap(n);
    if (!m) {
      log_me("  %02d %s: available %d size %d max %d mutex.lock %d", n, "INVALID", 0, 0, 0,
             L_nMutexLockWord(&table.map[n].MapMutex));
      continue;
    }
    // Read without stopping allocations, so a dump never hangs: while they
    // go on, the count and the list are each a moment's picture.
    int available = 0;
    for (U32 w = 0; w < m->MapWords; ++w) {
      available += __builtin_popcountll(m->MapFreeBits[w].bits.load(std::memory_order_relaxed));
    }
    log_me("  %02d %s: available %d size %d max %d mutex.lock %d", n, "INVALID", available,
           (int)m->MapParam.MParamBlockSize, (int)m->MapParam.MParamBlockMax, L_nMutexLockWord(&m->MapMutex));
    for (U32 b = 0; b < m->MapParam.MParamBlockMax; ++b) {
      if (s_bIsFree(m, b)) continue;
      const TASK owner = lmem::xCtrl(m, b).BlockOwner.load(std::memory_order_relaxed);
      log_me("    blk #%u owned by task #%d (%s)", b + 1, owner, get_task_name(owner));
    }
  }
}
