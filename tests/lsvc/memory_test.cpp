// Memory partitions: which partition serves a request, fall-back upward and
// waiting when everything is taken, realloc, calloc, the lower layer's
// checks, and the fatal request.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "lsvc/l_mem_priv.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

constexpr size_t kUsable[dnmaps + 1] = {0, 44, 168, 1024, 4096, 8796, 16384, 65536, 960096};

// Takes every free block of the given maps through the lower layer and gives
// them back when it goes out of scope.
class Exhaust {
 public:
  explicit Exhaust(const std::vector<MAP>& maps) {
    for (MAP m : maps) {
      while (void* b = L_MEM_Allocate(m)) taken_.push_back({m, b});
    }
  }
  ~Exhaust() { ReleaseAll(); }
  void ReleaseAll() {
    for (auto& [m, b] : taken_) EXPECT_EQ(L_MEM_Free(m, b), lsSUCCESS);
    taken_.clear();
  }
  // Gives back one block of the map; returns its caller-visible address.
  void* ReleaseOne(MAP map) {
    for (auto it = taken_.begin(); it != taken_.end(); ++it) {
      if (it->first == map) {
        void* block = it->second;
        taken_.erase(it);
        EXPECT_EQ(L_MEM_Free(map, block), lsSUCCESS);
        return static_cast<U8*>(block) + 16;
      }
    }
    return nullptr;
  }

 private:
  std::vector<std::pair<MAP, void*>> taken_;
};

class MemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { H_MEMORY_vSetup(); }
  void TearDown() override {
    if (PLATFORM_bTestClockActive()) PLATFORM_vTestClockDisable();
  }
};

TEST_F(MemoryTest, RequestTakesTheSmallestPartitionThatFits) {
  const struct {
    size_t size;
    MAP map;
  } cases[] = {
      {0, 1},     {1, 1},     {44, 1},     {45, 2},     {168, 2},     {169, 3},     {1024, 3},     {1025, 4},
      {4096, 4},  {4097, 5},  {8796, 5},   {8797, 6},   {16384, 6},   {16385, 7},   {65536, 7},    {65537, 8},
      {960096, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    void* p = H_MEMORY_pvMalloc(c.size);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(H_MEMORY_eBlockMap(p), c.map);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);  // messages hold pointers
    memset(p, 0xA5, kUsable[c.map]);                     // the whole usable size is the caller's
    H_MEMORY_vFree(p);
    void* q = H_MEMORY_pvMallocNoWait(c.size);
    EXPECT_EQ(q, p);  // freed, and the lowest free block again
    H_MEMORY_vFree(q);
  }
}

TEST_F(MemoryTest, RequestAboveTheLargestPartitionIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  char dir[] = "/tmp/h2memXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  auto fatal = [&] {
    setenv("TESSIX_CWD", dir, 1);
    dup2(2, 1);  // the trace, on standard error for the matcher
    H_MEMORY_pvMalloc(960097);
  };
  EXPECT_EXIT(fatal(), testing::ExitedWithCode(10), "Requesting a partition that is too large");
  EXPECT_EXIT(
      {
        setenv("TESSIX_CWD", dir, 1);
        H_MEMORY_pvCalloc((size_t)1 << 33, (size_t)1 << 33);  // the product overflows
      },
      testing::ExitedWithCode(10), "");
  std::string log = std::string(dir) + "/FATAL.LOG";
  unlink(log.c_str());
  rmdir(dir);
}

// The request that must not wait must not end the unit either: a size no
// partition can serve is answered with null, like an exhausted partition.
TEST_F(MemoryTest, NoWaitRequestAboveTheLargestPartitionGivesNull) {
  for (size_t size : {(size_t)960097, (size_t)1 << 20, (size_t)UINT32_MAX + 1, SIZE_MAX}) {
    SCOPED_TRACE(size);
    EXPECT_EQ(H_MEMORY_pvMallocNoWait(size), nullptr);
  }
  // Nothing was taken on the way: the largest request still fits.
  void* p = H_MEMORY_pvMallocNoWait(960096);
  EXPECT_EQ(H_MEMORY_eBlockMap(p), 8);
  H_MEMORY_vFree(p);
}

TEST_F(MemoryTest, ExhaustedPartitionFallsBackUpwardWithoutWaiting) {
  const struct {
    std::vector<MAP> exhausted;
    size_t size;
    MAP served;  // 0: none (no-wait request)
  } cases[] = {
      {{1}, 10, 2}, {{1, 2}, 10, 3}, {{1, 2, 3, 4, 5, 6, 7}, 10, 8}, {{2}, 10, 1}, {{2}, 100, 3},
      {{3, 4, 5, 6, 7, 8}, 2000, 0}, {{1, 2, 3, 4, 5, 6, 7, 8}, 10, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.size << " first exhausted " << c.exhausted.front());
    Exhaust all(c.exhausted);
    void* p = H_MEMORY_pvMallocNoWait(c.size);
    EXPECT_EQ(H_MEMORY_eBlockMap(p), c.served);
    if (c.served) {
      void* q = H_MEMORY_pvMalloc(c.size);  // the waiting form falls back the same way
      EXPECT_EQ(H_MEMORY_eBlockMap(q), c.served);
      H_MEMORY_vFree(q);
    }
    H_MEMORY_vFree(p);
  }
}

TEST_F(MemoryTest, WhenEverythingIsTakenARequestWaitsForABlockOfItsPartition) {
  Exhaust all({1, 2, 3, 4, 5, 6, 7, 8});
  std::atomic<void*> got{nullptr};
  std::thread waiter([&] { got = H_MEMORY_pvMalloc(10); });
  void* mine = all.ReleaseOne(1);  // the only block anywhere: the request cannot end before this
  waiter.join();
  EXPECT_EQ(got.load(), mine);
  EXPECT_EQ(H_MEMORY_eBlockMap(got.load()), 1);
  H_MEMORY_vFree(got.load());
}

TEST_F(MemoryTest, ReallocMovesOnlyWhenTheFittingPartitionChanges) {
  char* p = static_cast<char*>(H_MEMORY_pvMalloc(40));
  for (int i = 0; i < 44; ++i) p[i] = (char)i;
  EXPECT_EQ(H_MEMORY_pvRealloc(p, 30), p);  // same partition: same block
  char* q = static_cast<char*>(H_MEMORY_pvRealloc(p, 100));
  ASSERT_NE(q, p);
  EXPECT_EQ(H_MEMORY_eBlockMap(q), 2);
  for (int i = 0; i < 44; ++i) ASSERT_EQ(q[i], (char)i);  // all 44 bytes of the old block
  char* r = static_cast<char*>(H_MEMORY_pvRealloc(q, 10));  // smaller partition: moves back
  EXPECT_EQ(H_MEMORY_eBlockMap(r), 1);
  for (int i = 0; i < 44; ++i) ASSERT_EQ(r[i], (char)i);
  void* s = H_MEMORY_pvRealloc(nullptr, 500);
  EXPECT_EQ(H_MEMORY_eBlockMap(s), 3);
  int local = 0;
  EXPECT_EQ(H_MEMORY_pvRealloc(&local, 10), nullptr);  // not a partition block
  H_MEMORY_vFree(r);
  H_MEMORY_vFree(s);
}

TEST_F(MemoryTest, CallocClearsTheRequest) {
  U8* dirty = static_cast<U8*>(H_MEMORY_pvMalloc(30));
  memset(dirty, 0xEE, 44);
  H_MEMORY_vFree(dirty);
  U8* p = static_cast<U8*>(H_MEMORY_pvCalloc(3, 10));
  EXPECT_EQ(p, dirty);  // the same block, so the clearing is what we see
  EXPECT_EQ(H_MEMORY_eBlockMap(p), 1);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(p[i], 0) << i;
  H_MEMORY_vFree(p);
}

TEST_F(MemoryTest, StrdupCopiesIntoABlockOfTheTextsLength) {
  char* a = U_UTILS_strdup("hello");
  EXPECT_STREQ(a, "hello");
  EXPECT_EQ(H_MEMORY_eBlockMap(a), 1);
  const std::string long_text(44, 'x');  // 45 bytes with the terminator
  char* b = U_UTILS_strdup(long_text.c_str());
  EXPECT_EQ(long_text, b);
  EXPECT_EQ(H_MEMORY_eBlockMap(b), 2);
  EXPECT_EQ(U_UTILS_strdup(nullptr), nullptr);
  H_MEMORY_vFree(a);
  H_MEMORY_vFree(b);
}

TEST_F(MemoryTest, FreeChecksTheAddress) {
  U8* p = static_cast<U8*>(H_MEMORY_pvMalloc(20));
  U8* block = p - 16;
  EXPECT_EQ(L_MEM_Free(1, block + 1), -lsMAP_CROSSED);  // inside a block
  EXPECT_EQ(L_MEM_Free(2, block), -lsMAP_CROSSED);      // another partition's block
  EXPECT_EQ(L_MEM_Free(0, block), -lsMAP_INVALID);
  EXPECT_EQ(L_MEM_Free(9, block), -lsMAP_INVALID);
  H_MEMORY_vFree(p + 4);  // an inner address: traced, nothing freed
  int local = 0;
  H_MEMORY_vFree(&local);
  EXPECT_EQ(H_MEMORY_eBlockMap(&local), 0);
  EXPECT_EQ(H_MEMORY_eBlockMap(nullptr), 0);
  EXPECT_EQ(H_MEMORY_eBlockMap(p + 4), 0);
  EXPECT_EQ(H_MEMORY_eBlockMap(p), 1);  // still allocated after all of that
  void* other = H_MEMORY_pvMallocNoWait(20);
  EXPECT_NE(other, p);
  H_MEMORY_vFree(other);
  EXPECT_EQ(L_MEM_Free(1, block), lsSUCCESS);
  EXPECT_EQ(L_MEM_Free(1, block), -lsMAP_CROSSED);  // a second free is refused
  EXPECT_EQ(H_MEMORY_pvMallocNoWait(20), p);
  H_MEMORY_vFree(p);
}

TEST_F(MemoryTest, LowerLayer) {
  U8 region[256];
  EXPECT_EQ(L_MEM_Create(nullptr, 16, 4), -lsMAP_INVALID);
  EXPECT_EQ(L_MEM_Create(region, 0, 4), -lsMAP_INVALID);
  EXPECT_EQ(L_MEM_Create(region, 16, 0), -lsMAP_INVALID);
  EXPECT_EQ(L_MEM_Create(region, 16, 4), -lsMAP_NONE_AVAIL);  // all eight slots hold the partitions
  EXPECT_EQ(L_MEM_Allocate(0), nullptr);
  EXPECT_EQ(L_MEM_Allocate(9), nullptr);
  EXPECT_EQ(L_MEM_GetBlockSize(9), -lsMAP_INVALID);
  // Host strides: the unit's block size plus room for a 16-byte aligned caller address.
  const S32 strides[dnmaps + 1] = {0, 64, 192, 1040, 4112, 8816, 16400, 65552, 960112};
  for (MAP m = 1; m <= dnmaps; ++m) EXPECT_EQ(L_MEM_GetBlockSize(m), strides[m]);

  // The lowest free block is handed out.
  U8* a = static_cast<U8*>(L_MEM_Allocate(6));
  U8* b = static_cast<U8*>(L_MEM_Allocate(6));
  U8* c = static_cast<U8*>(L_MEM_Allocate(6));
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(b - a, strides[6]);
  EXPECT_EQ(c - b, strides[6]);
  EXPECT_EQ(L_MEM_Free(6, c), lsSUCCESS);
  EXPECT_EQ(L_MEM_Free(6, a), lsSUCCESS);
  EXPECT_EQ(L_MEM_Allocate(6), a);
  EXPECT_EQ(L_MEM_Allocate(6), c);

  testing::internal::CaptureStdout();
  L_MEM_Debug();
  const std::string dump = testing::internal::GetCapturedStdout();
  EXPECT_NE(dump.find("memory block information (0 static 8 dynamic)"), std::string::npos);
  EXPECT_NE(dump.find("  06 INVALID: available 12 size 16400 max 15 mutex.lock 0"), std::string::npos) << dump;
  EXPECT_NE(dump.find("    blk #2 owned by task #70 ("), std::string::npos) << dump;

  for (U8* p : {a, b, c}) EXPECT_EQ(L_MEM_Free(6, p), lsSUCCESS);
}

TEST_F(MemoryTest, TimedAllocationOfAnExhaustedMapGivesUpAtTheLimit) {
  Exhaust all({7});
  EXPECT_EQ(L_MEM_AllocateWaitTicks(7, 0), nullptr);
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  const U64 t0 = PLATFORM_u64MonotonicNs();
  std::atomic<bool> done{false};
  std::atomic<void*> got{reinterpret_cast<void*>(1)};
  std::atomic<U64> ended_at{0};
  std::thread t([&] {
    got = L_MEM_AllocateWaitSeconds(7, 1);
    ended_at = PLATFORM_u64MonotonicNs();
    done = true;
  });
  while (!done.load()) {
    PLATFORM_vTestClockAdvanceMs(20);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  t.join();
  EXPECT_EQ(got.load(), nullptr);
  EXPECT_GE(ended_at.load() - t0, 1000u * 1000000u);

  // Freed before the limit (clock standing still): the block is taken.
  std::thread t2([&] { got = L_MEM_AllocateWaitTicks(7, 10); });
  void* freed = all.ReleaseOne(7);
  t2.join();
  EXPECT_EQ(static_cast<U8*>(got.load()) + 16, freed);
  EXPECT_EQ(L_MEM_Free(7, got.load()), lsSUCCESS);
}

// Many threads allocating and freeing mixed sizes: no block is handed to two
// owners at once.
TEST_F(MemoryTest, ConcurrentUseNeverSharesABlock) {
  auto work = [](unsigned seed) {
    std::mt19937 rng(seed);
    const size_t sizes[] = {8, 44, 100, 168, 600, 3000, 9000};
    std::vector<std::pair<U8*, size_t>> held;
    for (int i = 0; i < 3000; ++i) {
      if (held.size() < 20 && rng() % 2) {
        const size_t n = sizes[rng() % std::size(sizes)];
        U8* p = static_cast<U8*>(H_MEMORY_pvMalloc(n));
        memset(p, (int)(seed & 0xFF), n);
        held.push_back({p, n});
      } else if (!held.empty()) {
        auto [p, n] = held.back();
        held.pop_back();
        for (size_t k = 0; k < n; ++k) ASSERT_EQ(p[k], (U8)(seed & 0xFF));
        H_MEMORY_vFree(p);
      }
    }
    for (auto [p, n] : held) H_MEMORY_vFree(p);
  };
  std::vector<std::thread> threads;
  for (unsigned s = 1; s <= 4; ++s) threads.emplace_back(work, s);
  for (auto& t : threads) t.join();
}

// Many threads take and give back runs of blocks that cross the bitmap's
// word boundaries, so words keep running empty and filling again. Afterwards
// every block is free and found: taking them all hands them out in order.
TEST_F(MemoryTest, ConcurrentRunsAcrossWordsLoseNoBlock) {
  constexpr MAP kMap = 1;
  constexpr int kBlocks = 2700;
  const S32 stride = L_MEM_GetBlockSize(kMap);
  auto work = [](unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<void*> held;
    for (int round = 0; round < 400; ++round) {
      const size_t want = 1 + rng() % 150;
      while (held.size() < want) {
        void* b = L_MEM_Allocate(kMap);
        if (!b) break;
        held.push_back(b);
      }
      std::shuffle(held.begin(), held.end(), rng);
      const size_t keep = rng() % (held.size() + 1);
      while (held.size() > keep) {
        ASSERT_EQ(L_MEM_Free(kMap, held.back()), lsSUCCESS);
        held.pop_back();
      }
    }
    for (void* b : held) ASSERT_EQ(L_MEM_Free(kMap, b), lsSUCCESS);
  };
  std::vector<std::thread> threads;
  for (unsigned s = 1; s <= 6; ++s) threads.emplace_back(work, s);
  for (auto& t : threads) t.join();

  std::vector<U8*> all;
  while (U8* b = static_cast<U8*>(L_MEM_Allocate(kMap))) all.push_back(b);
  ASSERT_EQ(all.size(), (size_t)kBlocks);
  for (size_t i = 1; i < all.size(); ++i) ASSERT_EQ(all[i] - all[i - 1], stride) << i;
  for (U8* b : all) EXPECT_EQ(L_MEM_Free(kMap, b), lsSUCCESS);
}

// Allocations that wait on a small partition while others free into it:
// every free that finds a waiter wakes one, so the run ends.
TEST_F(MemoryTest, WaitingAllocationsNeverMissAFree) {
  constexpr MAP kMap = 8;  // eight blocks for twelve threads
  std::atomic<int> done{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 12; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 300; ++i) {
        // A free that went unnoticed would leave this waiting to the limit.
        void* b = L_MEM_AllocateWaitSeconds(kMap, 30);
        ASSERT_NE(b, nullptr);
        std::this_thread::yield();
        ASSERT_EQ(L_MEM_Free(kMap, b), lsSUCCESS);
      }
      done++;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(done.load(), 12);
  std::vector<void*> all;  // all eight are free again
  while (void* b = L_MEM_Allocate(kMap)) all.push_back(b);
  EXPECT_EQ(all.size(), 8u);
  for (void* b : all) EXPECT_EQ(L_MEM_Free(kMap, b), lsSUCCESS);
}

TEST(MemoryDivisor, MultiplicationGivesTheQuotient) {
  std::mt19937 rng(7);
  std::vector<U32> divisors = {1, 2, 3, 7, 16, 64, 192, 1040, 4112, 8816, 16400, 65552, 960112, 0x7FFFFFFF,
                               0x80000000u, 0xFFFFFFFFu};
  for (int i = 0; i < 200; ++i) divisors.push_back(1 + rng() % 0xFFFFFFFFu);
  for (U32 d : divisors) {
    const MEM_DIVISOR x = L_MEM_xDivisor(d);
    std::vector<U32> offsets = {0, 1, d - 1, d, d + 1, 0xFFFFFFFFu, 0xFFFFFFFEu};
    for (U32 k : {2u, 3u, 1000u, 13000u}) offsets.push_back((U32)((U64)d * k - 1));
    for (int i = 0; i < 200; ++i) offsets.push_back((U32)rng());
    for (U32 n : offsets) ASSERT_EQ(L_MEM_u32Divide(x, n), n / d) << n << " / " << d;
  }
}

// Run in a fresh process: the first allocations of several threads at once
// set the partitions up exactly once.
TEST(MemoryFirstUse, SimultaneousFirstAllocationsAreSafe) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atomic<bool> go{false};
        void* got[8] = {};
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i) {
          threads.emplace_back([&, i] {
            while (!go.load()) {
            }
            got[i] = H_MEMORY_pvMalloc(10);
          });
        }
        go = true;
        for (auto& t : threads) t.join();
        bool ok = true;
        for (int i = 0; i < 8; ++i) {
          ok = ok && H_MEMORY_eBlockMap(got[i]) == 1;
          for (int j = 0; j < i; ++j) ok = ok && got[i] != got[j];
        }
        _exit(ok ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
