// Memory maps: pools of fixed-size blocks carved from a region the caller
// provides. Allocation hands out the lowest-numbered free block (a two-level
// bitmap and find-first-set, so it costs the same however full the pool is)
// and can wait on the pool's condition until a block is freed. Each block
// records the task that allocated it, for the state dump.
#include <errno.h>
#include <sched.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "lsvc/l_lockword.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

struct BLOCK_CTRL_INFO {
  TASK BlockOwner;  // 0 = free
};

struct MAP_INFO {
  MAP_PARAM MapParam;
  BLOCK_CTRL_INFO* MapCtrlArray;
  U8* MapBlockArray;
  pthread_mutex_t MapMutex;
  pthread_condattr_t MapCondAttr;
  pthread_cond_t MapCond;
  U64* MapFreeBits;     // bit i set: block i is free
  U64* MapFreeSummary;  // bit w set: word w of MapFreeBits has a free block
  U32 MapSummaryWords;
  U32 MapAvailable;
  U32 MapWaiters;  // allocations blocked on MapCond
  std::atomic<bool> bCreated{false};
};

struct MAP_TABLE {
  MAP_INFO map[dnmaps + 1];  // index 0 unused
  pthread_mutex_t CreateMutex;
  MAP_TABLE() {
    pthread_mutex_init(&CreateMutex, nullptr);
    for (auto& m : map) {
      m.MapParam = MAP_PARAM{0, 0};
      m.MapCtrlArray = nullptr;
      m.MapBlockArray = nullptr;
      m.MapFreeBits = m.MapFreeSummary = nullptr;
      m.MapSummaryWords = m.MapAvailable = m.MapWaiters = 0;
      pthread_mutex_init(&m.MapMutex, nullptr);
      pthread_condattr_init(&m.MapCondAttr);
      pthread_condattr_setclock(&m.MapCondAttr, CLOCK_MONOTONIC);
      pthread_cond_init(&m.MapCond, &m.MapCondAttr);
    }
  }
};

// Created on the first use of any map operation.
MAP_TABLE& s_table() {
  static MAP_TABLE table;
  return table;
}

// The map's record when the number names a created map, else null.
MAP_INFO* s_pMap(MAP map) {
  if (map < 1 || map > dnmaps) return nullptr;
  MAP_INFO* m = &s_table().map[map];
  return m->bCreated.load(std::memory_order_acquire) ? m : nullptr;
}

// Takes the lowest free block; -1 when none. Under the map's mutex.
S32 s_nTakeLowest(MAP_INFO* m) {
  for (U32 s = 0; s < m->MapSummaryWords; ++s) {
    if (!m->MapFreeSummary[s]) continue;
    const U32 w = s * 64 + (U32)__builtin_ctzll(m->MapFreeSummary[s]);
    const U32 bit = (U32)__builtin_ctzll(m->MapFreeBits[w]);
    m->MapFreeBits[w] &= ~(1ull << bit);
    if (!m->MapFreeBits[w]) m->MapFreeSummary[s] &= ~(1ull << (w % 64));
    m->MapAvailable--;
    return (S32)(w * 64 + bit);
  }
  return -1;
}

bool s_bIsFree(const MAP_INFO* m, U32 block) { return (m->MapFreeBits[block / 64] >> (block % 64)) & 1u; }

void s_vMarkFree(MAP_INFO* m, U32 block) {
  const U32 w = block / 64;
  m->MapFreeBits[w] |= 1ull << (block % 64);
  m->MapFreeSummary[w / 64] |= 1ull << (w % 64);
  m->MapAvailable++;
}

// wait: block until a block is free; deadline: null for no limit.
void* s_pvAllocate(MAP map, bool wait, const struct timespec* deadline) {
  MAP_INFO* m = s_pMap(map);
  if (!m) return nullptr;
  const TASK me = L_TASK_GetMyID();
  pthread_mutex_lock(&m->MapMutex);
  S32 block = s_nTakeLowest(m);
  while (block < 0 && wait) {
    m->MapWaiters++;
    L_TASK_Deactivate();
    int rc = deadline ? PLATFORM_nCondTimedWait(&m->MapCond, &m->MapMutex, deadline)
                      : pthread_cond_wait(&m->MapCond, &m->MapMutex);
    L_TASK_Activate();
    m->MapWaiters--;
    block = s_nTakeLowest(m);
    if (rc == ETIMEDOUT) break;
  }
  if (block >= 0) m->MapCtrlArray[block].BlockOwner = me;
  pthread_mutex_unlock(&m->MapMutex);
  if (block < 0) return nullptr;
  return m->MapBlockArray + (size_t)block * m->MapParam.MParamBlockSize;
}

}  // namespace

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
  const U32 words = (block_count + 63) / 64;
  const U32 summary_words = (words + 63) / 64;
  m->MapCtrlArray = static_cast<BLOCK_CTRL_INFO*>(calloc(block_count, sizeof(BLOCK_CTRL_INFO)));
  m->MapFreeBits = static_cast<U64*>(calloc(words, sizeof(U64)));
  m->MapFreeSummary = static_cast<U64*>(calloc(summary_words, sizeof(U64)));
  if (!m->MapCtrlArray || !m->MapFreeBits || !m->MapFreeSummary) {
    free(m->MapCtrlArray);
    free(m->MapFreeBits);
    free(m->MapFreeSummary);
    m->MapCtrlArray = nullptr;
    m->MapFreeBits = m->MapFreeSummary = nullptr;
    pthread_mutex_unlock(&table.CreateMutex);
    return -lsMAP_NO_MEMORY;
  }
  m->MapParam = MAP_PARAM{block_size, block_count};
  m->MapBlockArray = static_cast<U8*>(region);
  m->MapSummaryWords = summary_words;
  m->MapAvailable = 0;
  for (U32 b = 0; b < block_count; ++b) s_vMarkFree(m, b);
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
  const size_t index = offset <= UINT32_MAX ? (U32)offset / (U32)size : offset / size;  // 32-bit division when it can
  if (index * size != offset) return -lsMAP_CROSSED;
  pthread_mutex_lock(&m->MapMutex);
  if (s_bIsFree(m, (U32)index)) {
    // A second free would let two later allocations share the block.
    pthread_mutex_unlock(&m->MapMutex);
    log_me("L_MEM_Free: map %d block #%u is already free", map, (U32)index + 1);
    return -lsMAP_CROSSED;
  }
  m->MapCtrlArray[index].BlockOwner = 0;
  s_vMarkFree(m, (U32)index);
  if (m->MapWaiters) pthread_cond_signal(&m->MapCond);
  pthread_mutex_unlock(&m->MapMutex);
  return lsSUCCESS;
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
    const int lockword = L_nMutexLockWord(&m->MapMutex);
    // A dump must not hang on a map whose mutex a stuck thread holds: such a
    // map is shown without its blocks.
    bool locked = false;
    for (int tries = 0; tries < 20 && !locked; ++tries) {
      locked = pthread_mutex_trylock(&m->MapMutex) == 0;
      if (!locked) sched_yield();
    }
    log_me("  %02d %s: available %d size %d max %d mutex.lock %d", n, "INVALID", locked ? (int)m->MapAvailable : -1,
           (int)m->MapParam.MParamBlockSize, (int)m->MapParam.MParamBlockMax, lockword);
    if (!locked) continue;
    for (U32 b = 0; b < m->MapParam.MParamBlockMax; ++b) {
      if (s_bIsFree(m, b)) continue;
      const TASK owner = m->MapCtrlArray[b].BlockOwner;
      log_me("    blk #%u owned by task #%d (%s)", b + 1, owner, get_task_name(owner));
    }
    pthread_mutex_unlock(&m->MapMutex);
  }
}
