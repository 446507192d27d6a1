// Memory maps: the records and the allocation and free of a block, shared by
// the lower layer (l_mem.cpp) and the partition calls of the upper layer
// (h_memory.cpp), which use them inline on their hot path. Not part of the
// public kernel API.
//
// The free blocks of a map are a bitmap (bit set: free) with a summary level
// (bit set: that word of the bitmap may hold a free block), both changed by
// atomic operations without a lock: an allocation claims the lowest set bit
// of the lowest word the summary names, a free sets its bit again. Neither
// takes the map's mutex; the mutex and condition serve only allocations that
// wait, and a free looks at them only when an allocation is waiting. Every
// bitmap word has a cache line of its own, apart from the summary and the
// map's fixed fields, so that allocations in different parts of a map, and
// readers of the fixed fields, do not disturb each other.
//
// The summary may name a word that has just run empty, but never misses a
// word that holds a free block: an allocation that takes a word's last free
// block (or finds the word empty) clears the word's summary bit, then looks
// at the word again and sets the bit back when a free has come in between; a
// free sets the bit when it finds it clear.
#pragma once

#include <pthread.h>

#include <atomic>

#include "lsvc/lsvc.h"

// Quotient of an offset below 2^32 by a divisor fixed beforehand, by one
// multiplication instead of a division (exact for every 32-bit offset and
// 32-bit divisor).
struct MEM_DIVISOR {
  U64 u64Magic = 0;  // ceil(2^64 / divisor); 0 for the divisor 1
  U32 u32Divisor = 1;
};

inline MEM_DIVISOR L_MEM_xDivisor(U32 divisor) {
  MEM_DIVISOR d;
  d.u32Divisor = divisor;
  d.u64Magic = divisor > 1 ? ~0ull / divisor + 1 : 0;
  return d;
}

inline U32 L_MEM_u32Divide(const MEM_DIVISOR& d, U32 offset) {
  if (d.u64Magic == 0) return offset;
  return (U32)(((unsigned __int128)d.u64Magic * offset) >> 64);
}

namespace lmem {

constexpr U32 BITS = 64;
constexpr size_t LINE = 64;
constexpr size_t SUMMARY_STRIDE = LINE / sizeof(U64);  // one summary word per cache line

struct alignas(LINE) FREE_WORD {
  std::atomic<U64> bits{0};  // bit i set: block (word * 64 + i) is free
};

struct BLOCK_CTRL_INFO {
  std::atomic<TASK> BlockOwner{0};  // the task that allocated the block, while it is allocated
};
constexpr U32 CTRL_PER_LINE = LINE / sizeof(BLOCK_CTRL_INFO);

struct MAP_INFO {
  // Fixed once the map is created (bCreated is published with release).
  MAP_PARAM MapParam{0, 0};
  U8* MapBlockArray = nullptr;
  BLOCK_CTRL_INFO* MapCtrlArray = nullptr;
  FREE_WORD* MapFreeBits = nullptr;
  std::atomic<U64>* MapFreeSummary = nullptr;  // word s at index s * SUMMARY_STRIDE
  U32 MapWords = 0;
  U32 MapSummaryWords = 0;
  U32 MapCtrlShift = 0;  // the owner records spread over 2^MapCtrlShift cache lines
  MEM_DIVISOR xBlockDivisor;
  std::atomic<bool> bCreated{false};
  // Allocations that wait: how many, and where they sleep.
  alignas(LINE) std::atomic<U32> MapWaiters{0};
  pthread_mutex_t MapMutex;
  pthread_condattr_t MapCondAttr;
  pthread_cond_t MapCond;
};

// The owner record of a block. Neighbouring blocks, which allocations in
// different threads take at the same time, have their records on different
// cache lines: block i is on line i mod 2^MapCtrlShift.
inline lmem::BLOCK_CTRL_INFO& xCtrl(MAP_INFO* m, U32 block) {
  const U32 lines = 1u << m->MapCtrlShift;
  return m->MapCtrlArray[(block & (lines - 1)) * CTRL_PER_LINE + (block >> m->MapCtrlShift)];
}

// The record of map 1 to 8, created or not.
MAP_INFO* pxMap(MAP map);

// The calling thread's task id, looked up once per thread (a thread's id
// never changes).
inline thread_local TASK t_me = 0;
inline TASK nMe() {
  if (t_me == 0) t_me = L_TASK_GetMyID();
  return t_me;
}

// After an allocation took the last free block of word w: the summary lets
// go of the word, and takes it back if a block was freed into it meanwhile.
inline void vLetGoOfWord(MAP_INFO* m, U32 w) {
  std::atomic<U64>& summary = m->MapFreeSummary[(w / BITS) * SUMMARY_STRIDE];
  const U64 sbit = 1ull << (w % BITS);
  summary.fetch_and(~sbit, std::memory_order_seq_cst);
  if (m->MapFreeBits[w].bits.load(std::memory_order_seq_cst) != 0) summary.fetch_or(sbit, std::memory_order_seq_cst);
}

inline S32 nTaken(MAP_INFO* m, U32 block) {
  xCtrl(m, block).BlockOwner.store(nMe(), std::memory_order_relaxed);
  return (S32)block;
}

// The whole search for the lowest free block (l_mem.cpp).
S32 nTakeSearch(MAP_INFO* m);

// Takes the lowest free block and records the caller as its owner; -1 when
// none is free. The usual case, the lowest word the first summary word names
// still has a free block, is handled here; anything else by the search.
inline S32 nTake(MAP_INFO* m) {
  const U64 words = m->MapFreeSummary[0].load(std::memory_order_seq_cst);
  if (words != 0) {
    const U32 w = (U32)__builtin_ctzll(words);
    std::atomic<U64>& word = m->MapFreeBits[w].bits;
    const U64 bits = word.load(std::memory_order_relaxed);
    if (bits != 0) {
      const U64 bit = bits & (~bits + 1);
      const U64 old = word.fetch_and(~bit, std::memory_order_seq_cst);
      if (old & bit) {
        if (old == bit) vLetGoOfWord(m, w);
        return nTaken(m, w * BITS + (U32)__builtin_ctzll(bit));
      }
    }
  }
  return nTakeSearch(m);
}

// Wakes one allocation waiting on the map.
void vWakeWaiter(MAP_INFO* m);

// Marks block index free; false when it already is (nothing changes then).
inline bool bGive(MAP_INFO* m, U32 index) {
  const U32 w = index / BITS;
  const U64 bit = 1ull << (index % BITS);
  const U64 old = m->MapFreeBits[w].bits.fetch_or(bit, std::memory_order_seq_cst);
  if (old & bit) return false;
  std::atomic<U64>& summary = m->MapFreeSummary[(w / BITS) * SUMMARY_STRIDE];
  const U64 sbit = 1ull << (w % BITS);
  if (!(summary.load(std::memory_order_seq_cst) & sbit)) summary.fetch_or(sbit, std::memory_order_seq_cst);
  // The free is visible before the look at the waiters (both sequentially
  // consistent), and a waiter counts itself before its last look at the
  // blocks: one of the two sees the other.
  if (m->MapWaiters.load(std::memory_order_seq_cst) != 0) vWakeWaiter(m);
  return true;
}

}  // namespace lmem

// Reports a second free of a block (traced); returns -25.
S32 L_MEM_nDoubleFree(MAP map, U32 index);
