// Memory partitions: malloc-like calls over eight maps of fixed-size blocks
// in one static region. A request takes the smallest partition that fits;
// when that one is empty it tries the larger ones without waiting, and when
// all of them are empty it waits on the one that fits. Each block carries the
// number of its map in a 4-byte tag, so a free needs only the pointer.
//
// Host layout: a block is laid out at a stride of round_up(size + 12, 16)
// bytes from a 16-byte aligned region; the caller's address lies 16 bytes
// into the block with the tag just before it. The address is therefore
// 16-byte aligned (messages hold pointers), and every block keeps exactly the
// usable size it has on the unit (the block size less the 4-byte tag).
#include <string.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "lsvc/l_mem_priv.h"
#include "lsvc/lsvc.h"

namespace {

struct PARTITION_CONFIG {
  U32 u32BlockSize;  // on the unit: usable bytes + 4-byte tag
  U32 u32BlockCount;
};

constexpr PARTITION_CONFIG s_partitionConfig[dnmaps] = {
    {48, 2700}, {172, 1000}, {1028, 80}, {4100, 500}, {8800, 250}, {16388, 15}, {65540, 10}, {960100, 8},
};

constexpr U32 TAG_SIZE = 4;
constexpr U32 BLOCK_HEAD = 16;  // block start to the caller's address
constexpr U32 BLOCK_ALIGN = 16;

constexpr U32 u32Usable(const PARTITION_CONFIG& row) { return row.u32BlockSize - TAG_SIZE; }
constexpr U32 u32Stride(const PARTITION_CONFIG& row) {
  return (u32Usable(row) + BLOCK_HEAD + BLOCK_ALIGN - 1) / BLOCK_ALIGN * BLOCK_ALIGN;
}

constexpr size_t szRegionTotal() {
  size_t total = 0;
  for (const auto& row : s_partitionConfig) total += (size_t)u32Stride(row) * row.u32BlockCount;
  return total;
}

constexpr U32 LARGEST_USABLE = 960096;

static_assert(BLOCK_HEAD >= TAG_SIZE, "the tag lies inside the block head");
static_assert(BLOCK_HEAD % BLOCK_ALIGN == 0, "the caller's address keeps the block's alignment");
static_assert(u32Usable(s_partitionConfig[0]) == 44, "smallest partition serves 44 bytes");
static_assert(u32Usable(s_partitionConfig[dnmaps - 1]) == LARGEST_USABLE, "largest partition");
static_assert(sizeof(GENERIC_MESSAGE) <= 44, "a local command fits the smallest partition");
static_assert(u32Stride(s_partitionConfig[0]) == 64 && u32Stride(s_partitionConfig[7]) == 960112, "host strides");
static_assert(szRegionTotal() == 13290416, "host partition region");

alignas(64) U8 s_partitionData[szRegionTotal()];

struct PARTITION {
  U32 u32Usable;
  MAP map;
};

// Sorted by usable size, ascending.
PARTITION s_partitions[dnmaps];
int s_nPartitions = 0;

// Address range of each map's region, indexed by map number.
struct REGION {
  const U8* pBase;
  U32 u32Stride;
  U32 u32Count;
  MEM_DIVISOR xStride;
  lmem::MAP_INFO* pMap;  // the lower layer's record
};
REGION s_regions[dnmaps + 1];

std::once_flag s_setupOnce;
std::atomic<bool> s_bReady{false};

void s_vSetup() {
  U8* region = s_partitionData;
  int n = 0;
  for (const auto& row : s_partitionConfig) {
    if (row.u32BlockSize == 0 || row.u32BlockCount == 0) continue;
    const U32 stride = u32Stride(row);
    S32 map = L_MEM_Create(region, stride, row.u32BlockCount);
    if (map < 1 || map > dnmaps) {
      log_me("H_MEMORY_vSetup: partition of %u bytes not created (%d)", row.u32BlockSize, map);
      FATAL_ERROR("Memory partitions cannot be set up");
    }
    s_regions[map] = REGION{region, stride, row.u32BlockCount, L_MEM_xDivisor(stride), lmem::pxMap(map)};
    s_partitions[n++] = PARTITION{u32Usable(row), map};
    region += (size_t)stride * row.u32BlockCount;
  }
  std::stable_sort(s_partitions, s_partitions + n,
                   [](const PARTITION& a, const PARTITION& b) { return a.u32Usable < b.u32Usable; });
  s_nPartitions = n;
  s_bReady.store(true, std::memory_order_release);
}

// Index in s_partitions of the smallest partition that fits; -1 when none does.
int s_nFitting(size_t size) {
  for (int i = 0; i < s_nPartitions; ++i) {
    if (size <= s_partitions[i].u32Usable) return i;
  }
  return -1;
}

// As s_nFitting, but a request above the largest partition is fatal.
int s_nFittingOrFatal(size_t size) {
  const int fit = s_nFitting(size);
  if (fit < 0) FATAL_ERROR("Requesting a partition that is too large");
  return fit;
}

void* s_pvTag(MAP map, S32 block) {
  const REGION& r = s_regions[map];
  U8* user = const_cast<U8*>(r.pBase) + (size_t)block * r.u32Stride + BLOCK_HEAD;
  const U32 tag = (U32)map;  // little-endian on the unit and on this host
  memcpy(user - TAG_SIZE, &tag, TAG_SIZE);
  return user;
}

// The fitting partition without waiting, then each larger one; null when all are empty.
void* s_pvTryFrom(int fit) {
  U32 tried = 0;
  for (int i = fit; i < s_nPartitions; ++i) {
    if (i > fit && s_partitions[i].u32Usable <= tried) continue;
    tried = s_partitions[i].u32Usable;
    const MAP map = s_partitions[i].map;
    const S32 block = lmem::nTake(s_regions[map].pMap);
    if (block >= 0) return s_pvTag(map, block);
  }
  return nullptr;
}

void* s_pvMallocFrom(int fit) {
  if (void* p = s_pvTryFrom(fit)) return p;
  const MAP map = s_partitions[fit].map;
  U8* block = static_cast<U8*>(L_MEM_AllocateWait(map));
  return s_pvTag(map, (S32)L_MEM_u32Divide(s_regions[map].xStride, (U32)(block - s_regions[map].pBase)));
}

U32 s_u32UsableOfMap(MAP map) {
  for (int i = 0; i < s_nPartitions; ++i) {
    if (s_partitions[i].map == map) return s_partitions[i].u32Usable;
  }
  return 0;
}

// The map and block index of a caller's address; false when it is not the
// address of a partition block.
bool s_bLocate(const void* p, MAP* map_out, U32* index_out) {
  const U8* user = static_cast<const U8*>(p);
  if (user < s_partitionData + BLOCK_HEAD || user >= s_partitionData + sizeof s_partitionData) return false;
  U32 tag;
  memcpy(&tag, user - TAG_SIZE, TAG_SIZE);
  if (tag < 1 || tag > (U32)dnmaps) return false;
  const REGION& r = s_regions[tag];
  const U8* block = user - BLOCK_HEAD;
  if (!r.pBase || block < r.pBase) return false;
  const U32 offset = (U32)(block - r.pBase);  // regions are far below 4 GiB
  const U32 index = L_MEM_u32Divide(r.xStride, offset);
  if (index >= r.u32Count || index * r.u32Stride != offset) return false;
  *map_out = (MAP)tag;
  *index_out = index;
  return true;
}

}  // namespace

void H_MEMORY_vSetup(void) {
  if (!s_bReady.load(std::memory_order_acquire)) std::call_once(s_setupOnce, s_vSetup);
}

MAP H_MEMORY_eBlockMap(const void* p) {
  H_MEMORY_vSetup();
  MAP map;
  U32 index;
  return s_bLocate(p, &map, &index) ? map : 0;
}

void* H_MEMORY_pvMalloc(size_t size) {
  H_MEMORY_vSetup();
  return s_pvMallocFrom(s_nFittingOrFatal(size));
}

// Never waits and never ends the unit: null when the request is larger than
// every partition, as when no suitable partition has a free block.
void* H_MEMORY_pvMallocNoWait(size_t size) {
  H_MEMORY_vSetup();
  const int fit = s_nFitting(size);
  if (fit < 0) {
    log_me("H_MEMORY_pvMallocNoWait: %zu bytes is larger than any partition", size);
    return nullptr;
  }
  if (void* p = s_pvTryFrom(fit)) return p;
  const MAP map = s_partitions[fit].map;
  const S32 block = lmem::nTake(s_regions[map].pMap);
  return block >= 0 ? s_pvTag(map, block) : nullptr;
}

void* H_MEMORY_pvCalloc(size_t count, size_t size) {
  size_t total;
  if (__builtin_mul_overflow(count, size, &total)) total = (size_t)LARGEST_USABLE + 1;  // fatal below
  void* p = H_MEMORY_pvMalloc(total);
  memset(p, 0, total);
  return p;
}

void* H_MEMORY_pvRealloc(void* p, size_t size) {
  H_MEMORY_vSetup();
  if (!p) return H_MEMORY_pvMalloc(size);
  const int fit = s_nFittingOrFatal(size);
  const MAP old_map = H_MEMORY_eBlockMap(p);
  if (old_map == 0) {
    log_me("H_MEMORY_pvRealloc: %p is not a partition block", p);
    return nullptr;
  }
  // A block moves only when the fitting partition changes, smaller or larger.
  if (old_map == s_partitions[fit].map) return p;
  void* q = s_pvMallocFrom(fit);
  memcpy(q, p, std::min(s_u32UsableOfMap(old_map), s_u32UsableOfMap(H_MEMORY_eBlockMap(q))));
  H_MEMORY_vFree(p);
  return q;
}

void H_MEMORY_vFree(void* p) {
  if (!p) return;
  H_MEMORY_vSetup();
  MAP map;
  U32 index;
  if (!s_bLocate(p, &map, &index)) {
    log_me("H_MEMORY_vFree: %p is not a partition block", p);
    return;
  }
  if (!lmem::bGive(s_regions[map].pMap, index)) {
    log_me("H_MEMORY_vFree: %p not freed (%d)", p, L_MEM_nDoubleFree(map, index));
  }
}

char* U_UTILS_strdup(const char* text) {
  if (!text) return nullptr;
  const size_t length = strlen(text);
  char* copy = static_cast<char*>(H_MEMORY_pvMalloc(length + 1));
  memcpy(copy, text, length + 1);
  return copy;
}
