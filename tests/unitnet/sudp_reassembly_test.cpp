// The segmented UDP format and one receiving slot's reassembly, datagram
// by datagram: what is delivered for parts in and out of order, lost,
// repeated or of the wrong size, and headers that cannot describe a
// message (which a receiver must not size a buffer from).
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "../support/db_test_env.h"
#include "lsvc/lsvc.h"
#include "source/unitnet/u_sudp.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

std::vector<U8> Message(U32 length, U32 seed) {
  std::vector<U8> m(length);
  for (U32 i = 0; i < length; ++i) m[i] = (U8)(i * 7 + seed);
  return m;
}

std::vector<U8> Datagram(const std::vector<U8>& msg, U32 seq, U32 part) {
  std::vector<U8> d(SUDP_DATAGRAM_BYTES);
  U_SUDP_vMakeDatagram(msg.data(), (U32)msg.size(), seq, part, d.data());
  return d;
}

void Put(std::vector<U8>& d, size_t at, U32 v) {
  for (int i = 0; i < 4; ++i) d[at + (size_t)i] = (U8)(v >> (8 * i));
}

// Feeds datagrams, collecting the delivered messages.
std::vector<std::vector<U8>> Feed(const std::vector<std::vector<U8>>& datagrams) {
  SUDP_REASSEMBLY r;
  memset(&r, 0, sizeof r);
  U_SUDP_vResetReassembly(&r);
  std::vector<std::vector<U8>> out;
  for (const auto& d : datagrams) {
    U8* msg = nullptr;
    U32 len = 0;
    if (U_SUDP_bReassemble(&r, d.data(), (S32)d.size(), &msg, &len)) {
      out.emplace_back(msg, msg + len);
      H_MEMORY_vFree(msg);
    }
  }
  U_SUDP_vResetReassembly(&r);
  return out;
}

TEST(SudpFormat, HeaderPartsAndPadding) {
  (void)s_install;
  const std::vector<U8> m = Message(1025, 1);
  EXPECT_EQ(U_SUDP_u32PartCount(0), 0u);
  EXPECT_EQ(U_SUDP_u32PartCount(1024), 1u);
  EXPECT_EQ(U_SUDP_u32PartCount(1025), 2u);
  const std::vector<U8> d = Datagram(m, 5, 1);
  const U8 header[16] = {5, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x04, 0, 0};
  EXPECT_EQ(memcmp(d.data(), header, 16), 0);
  EXPECT_EQ(d[16], m[1024]);
  EXPECT_EQ(std::vector<U8>(d.begin() + 17, d.end()), std::vector<U8>(1023, 0)) << "padding is zero";
}

TEST(SudpReassembly, DeliveriesByArrival) {
  const auto m1 = Message(1024, 1), m2 = Message(1025, 2), m3 = Message(3000, 3), m8 = Message(2048, 8);
  std::vector<U8> m3Hole = m3;
  std::fill(m3Hole.begin() + 2048, m3Hole.end(), 0);
  auto wrong = [](size_t n) { return std::vector<U8>(n, 0xEE); };
  struct CASE {
    const char* name;
    std::vector<std::vector<U8>> datagrams;
    std::vector<std::vector<U8>> delivered;
  } cases[] = {
      {"one part", {Datagram(m1, 0, 0)}, {m1}},
      {"1025 bytes in two parts", {Datagram(m2, 1, 0), Datagram(m2, 1, 1)}, {m2}},
      {"parts 0, 2, 1", {Datagram(m3, 2, 0), Datagram(m3, 2, 2), Datagram(m3, 2, 1)}, {m3}},
      {"parts 1, 0, 2: the early part is dropped", {Datagram(m3, 2, 1), Datagram(m3, 2, 0), Datagram(m3, 2, 2)}, {}},
      {"message 7 lacks a part when 8 starts",
       {Datagram(m3, 7, 0), Datagram(m3, 7, 1), Datagram(m8, 8, 0), Datagram(m8, 8, 1)},
       {m8}},
      {"a repeated part completes with the lost part zero",
       {Datagram(m3, 4, 0), Datagram(m3, 4, 1), Datagram(m3, 4, 1)},
       {m3Hole}},
      {"1039 and 1041 bytes do not disturb",
       {Datagram(m3, 9, 0), wrong(1039), Datagram(m3, 9, 1), wrong(1041), Datagram(m3, 9, 2)},
       {m3}},
      {"two messages back to back", {Datagram(m1, 0, 0), Datagram(m2, 1, 0), Datagram(m2, 1, 1)}, {m1, m2}},
  };
  for (const CASE& c : cases) EXPECT_EQ(Feed(c.datagrams), c.delivered) << c.name;
}

TEST(SudpReassembly, HeadersThatCannotDescribeAMessage) {
  const auto m = Message(3000, 5);
  auto first = [&](U32 parts, U32 total) {
    std::vector<U8> d = Datagram(m, 3, 0);
    Put(d, 8, parts);
    Put(d, 12, total);
    return d;
  };
  // A later part that claims more parts than its message was sized for.
  std::vector<U8> past = Datagram(m, 3, 1);
  Put(past, 4, 3);
  Put(past, 8, 40);
  struct CASE {
    const char* name;
    std::vector<std::vector<U8>> datagrams;
  } cases[] = {
      {"no parts", {first(0, 0)}},
      {"total larger than its parts", {first(1, 5000)}},
      {"total smaller than its parts", {first(3, 10)}},
      {"more parts than a block holds", {first(SUDP_MAX_PARTS + 1, (SUDP_MAX_PARTS + 1) * 1024)}},
      {"part beyond the message", {Datagram(m, 3, 0), past, Datagram(m, 3, 1), Datagram(m, 3, 2)}},
  };
  for (const CASE& c : cases) EXPECT_EQ(Feed(c.datagrams), std::vector<std::vector<U8>>{}) << c.name;
  // The largest message a block holds goes through.
  const auto big = Message(SUDP_MAX_PARTS * 1024, 6);
  std::vector<std::vector<U8>> all;
  for (U32 p = 0; p < SUDP_MAX_PARTS; ++p) all.push_back(Datagram(big, 1, p));
  EXPECT_EQ(Feed(all), std::vector<std::vector<U8>>{big});
}

}  // namespace
