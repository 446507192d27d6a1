// Wire forms of the message layer: typed bodies and the 72-byte header, byte
// for byte; hostile input to the decoder and the header parser; and framing
// over a real loopback stream.
#include <gtest/gtest.h>
#include <string.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/g_datatype.h"
#include "common/g_msg.h"
#include "source/platform/platform.h"

namespace {

std::vector<U8> Encode(const void* value, const G_DATA_TYPE* t) {
  U8* out = nullptr;
  S32 room = 0, count = 0;
  const S32 r = t->pfSerialize(value, &out, &room, &count, t);
  EXPECT_GE(r, 0);
  std::vector<U8> bytes(out, out + (r > 0 ? r : 0));
  H_MEMORY_vFree(out);
  return bytes;
}

S32 Decode(const std::vector<U8>& wire, const G_DATA_TYPE* t, void** value) {
  S32 room = (S32)wire.size(), count = 0;
  *value = nullptr;
  return t->pfDeserialize(value, wire.data(), &room, &count, t);
}

TEST(TypedWire, StatusBodyGoldenBytesAndBack) {
  GMSG_STATUS s{3, 0x1C0001, 5};
  const std::vector<U8> golden = {1, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0x1C, 0, 5, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Encode(&s, &DT_GMSG_STATUS), golden);
  void* back = nullptr;
  ASSERT_EQ(Decode(golden, &DT_GMSG_STATUS, &back), 20);
  const auto* d = static_cast<GMSG_STATUS*>(back);
  EXPECT_EQ(d->u32MsgStatus, 3u);
  EXPECT_EQ(d->u32MsgId, 0x1C0001u);
  EXPECT_EQ(d->u64Token, 5u);
  DT_GMSG_STATUS.pfDeallocate(back, TRUE, &DT_GMSG_STATUS);
}

TEST(TypedWire, PointersArraysAndExcludedValues) {
  alignas(4) char ab[] = "ab";
  char* p = ab;
  EXPECT_EQ(Encode(&p, &DT_PTR_TO_STRING), (std::vector<U8>{0x21, 0x43, 0x65, 0x87, 'a', 'b', 0}));
  char* none = nullptr;
  EXPECT_EQ(Encode(&none, &DT_PTR_TO_STRING), (std::vector<U8>{0, 0, 0, 0}));
  void* back = nullptr;
  ASSERT_EQ(Decode({0x21, 0x43, 0x65, 0x87, 'a', 'b', 0}, &DT_PTR_TO_STRING, &back), 7);
  EXPECT_STREQ(*static_cast<char**>(back), "ab");
  DT_PTR_TO_STRING.pfDeallocate(back, TRUE, &DT_PTR_TO_STRING);
  ASSERT_EQ(Decode({0, 0, 0, 0}, &DT_PTR_TO_STRING, &back), 4);
  EXPECT_EQ(*static_cast<char**>(back), nullptr);
  DT_PTR_TO_STRING.pfDeallocate(back, TRUE, &DT_PTR_TO_STRING);

  DYNAMIC_ARRAY empty{0, nullptr};
  EXPECT_EQ(Encode(&empty, &DT_ARRAY_U8), (std::vector<U8>{0, 0, 0, 0}));
  ASSERT_EQ(Decode({0, 0, 0, 0}, &DT_ARRAY_U8, &back), 4);
  EXPECT_EQ(static_cast<DYNAMIC_ARRAY*>(back)->pData, nullptr);
  DT_ARRAY_U8.pfDeallocate(back, TRUE, &DT_ARRAY_U8);

  // A structure with an excluded member: nothing on the wire, zero after decoding.
  static const G_DATA_TYPE hidden = G_DATA_TYPE_STANDARD("hidden", G_DF_EXCLUDED, G_DU_NONE, 0, 4, 4, nullptr);
  static const G_DATA_TYPE* const members[] = {&DT_UNSIGNED32, &hidden, nullptr};
  static const G_DATA_TYPE pair = G_DATA_TYPE_STANDARD("pair", G_DF_STRUCT, G_DU_NONE, 1, 8, 0, members);
  U32 value[2] = {7, 99};
  EXPECT_EQ(Encode(value, &pair), (std::vector<U8>{1, 0, 0, 0, 7, 0, 0, 0}));
  ASSERT_EQ(Decode({1, 0, 0, 0, 7, 0, 0, 0}, &pair, &back), 8);
  EXPECT_EQ(static_cast<U32*>(back)[0], 7u);
  EXPECT_EQ(static_cast<U32*>(back)[1], 0u);
  pair.pfDeallocate(back, TRUE, &pair);
}

// A string held directly in a structure: the structure's block grows by the
// string so a trailing name of any length decodes whole; where the block
// cannot grow (the caller's, or members follow) the name must fit its room.
TEST(TypedWire, StringHeldInsideAStructure) {
  static const G_DATA_TYPE* const named_members[] = {&DT_UNSIGNED32, &DT_DATASTR, nullptr};
  static const G_DATA_TYPE named = G_DATA_TYPE_STANDARD("named", G_DF_STRUCT, G_DU_NONE, 1, 8, 0, named_members);
  struct Named {
    U32 u32Id;
    char acName[4];
  };
  const std::vector<U8> golden = {1, 0, 0, 0, 0x2A, 0, 0, 0, 'B', 'o', 'w', ' ', 'c', 'a', 'm', 0};

  void* back = nullptr;
  ASSERT_EQ(Decode(golden, &named, &back), (S32)golden.size());
  EXPECT_EQ(static_cast<Named*>(back)->u32Id, 42u);
  EXPECT_STREQ(static_cast<Named*>(back)->acName, "Bow cam");
  EXPECT_EQ(Encode(back, &named), golden);  // and back to the same bytes
  named.pfDeallocate(back, TRUE, &named);

  // Empty and fitting names, and one reached through a pointer.
  ASSERT_EQ(Decode({1, 0, 0, 0, 1, 0, 0, 0, 0}, &named, &back), 9);
  EXPECT_STREQ(static_cast<Named*>(back)->acName, "");
  named.pfDeallocate(back, TRUE, &named);
  static const G_DATA_TYPE* const to_named_element[] = {&named, nullptr};
  static const G_DATA_TYPE to_named =
      G_DATA_TYPE_STANDARD("to_named", G_DF_POINTER_TO_TYPE, G_DU_NONE, 0, (S32)sizeof(void*), 0, to_named_element);
  std::vector<U8> pointed = {0x21, 0x43, 0x65, 0x87};
  pointed.insert(pointed.end(), golden.begin(), golden.end());
  ASSERT_EQ(Decode(pointed, &to_named, &back), (S32)pointed.size());
  EXPECT_STREQ((*static_cast<Named**>(back))->acName, "Bow cam");
  EXPECT_EQ(Encode(back, &to_named), pointed);
  to_named.pfDeallocate(back, TRUE, &to_named);

  // The caller's own block cannot grow: a name that fits decodes, a longer
  // one is refused before anything past the block is written.
  alignas(8) U8 own[16];
  memset(own, 0xAA, sizeof own);
  void* into = own;
  std::vector<U8> fits = {1, 0, 0, 0, 7, 0, 0, 0, 'a', 'b', 'c', 0};
  S32 room = (S32)fits.size(), count = 0;
  ASSERT_EQ(named.pfDeserialize(&into, fits.data(), &room, &count, &named), 12);
  EXPECT_EQ(into, (void*)own);
  EXPECT_STREQ(reinterpret_cast<Named*>(own)->acName, "abc");
  memset(own, 0xAA, sizeof own);
  room = (S32)golden.size(), count = 0;
  EXPECT_EQ(named.pfDeserialize(&into, golden.data(), &room, &count, &named), DATATYPE_ERR_TOO_LARGE);
  for (size_t i = 8; i < sizeof own; ++i) EXPECT_EQ(own[i], 0xAA) << i;

  // A long name with a member after it would run over that member.
  static const G_DATA_TYPE* const mid_members[] = {&DT_DATASTR, &DT_UNSIGNED32, nullptr};
  static const G_DATA_TYPE mid = G_DATA_TYPE_STANDARD("mid", G_DF_STRUCT, G_DU_NONE, 1, 8, 0, mid_members);
  EXPECT_EQ(Decode({1, 0, 0, 0, 'a', 'b', 'c', 'd', 'e', 0, 5, 0, 0, 0}, &mid, &back), DATATYPE_ERR_TOO_LARGE);
  EXPECT_EQ(back, nullptr);
  ASSERT_EQ(Decode({1, 0, 0, 0, 'a', 'b', 0, 5, 0, 0, 0}, &mid, &back), 11);
  EXPECT_STREQ(static_cast<char*>(back), "ab");
  EXPECT_EQ(static_cast<U32*>(back)[1], 5u);
  mid.pfDeallocate(back, TRUE, &mid);

  // A name without its end is short input, not a read past the bytes given.
  EXPECT_EQ(Decode({1, 0, 0, 0, 1, 0, 0, 0, 'a', 'b'}, &named, &back), DATATYPE_ERR_SHORT_INPUT);
  EXPECT_EQ(back, nullptr);
}

TEST(TypedWire, RoomAndVersionFailures) {
  GMSG_STATUS s{3, 1, 2};
  U8 buf[19];
  memset(buf, 0xAA, sizeof buf);
  U8* out = buf;
  S32 room = 19, count = 0;
  EXPECT_EQ(DT_GMSG_STATUS.pfSerialize(&s, &out, &room, &count, &DT_GMSG_STATUS), DATATYPE_ERR_ROOM);
  for (U8 b : buf) EXPECT_EQ(b, 0xAA);  // nothing written
  void* back = nullptr;
  EXPECT_EQ(Decode({2, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0}, &DT_GMSG_STATUS, &back),
            DATATYPE_ERR_VERSION);
  EXPECT_EQ(back, nullptr);
}

// Counts and lengths on the wire never reach past the input or into a huge
// allocation; every failure frees what it built.
TEST(TypedWire, HostileCountsAndShortInputAreRefused) {
  struct Case {
    const char* what;
    const G_DATA_TYPE* type;
    std::vector<U8> wire;
  } cases[] = {
      {"array count beyond input", &DT_ARRAY_U8, {0xFF, 0xFF, 0xFF, 0x7F, 1, 2}},
      {"array count 2,000,000", &DT_ARRAY_U8, {0x80, 0x84, 0x1E, 0x00}},
      {"buffer size beyond input", &DT_BUFFER, {10, 0, 0, 0, 1}},
      {"buffer size negative", &DT_BUFFER, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"string without end", &DT_PTR_TO_STRING, {0x21, 0x43, 0x65, 0x87, 'a', 'b'}},
      {"structure cut short", &DT_GMSG_STATUS, {1, 0, 0, 0, 3, 0}},
      {"pointer marker only", &DT_PTR_TO_UNSIGNED64, {0x21, 0x43, 0x65, 0x87, 1, 2, 3}},
      {"empty input", &DT_UNSIGNED32, {}},
  };
  for (const Case& c : cases) {
    void* back = nullptr;
    EXPECT_LT(Decode(c.wire, c.type, &back), 0) << c.what;
    EXPECT_EQ(back, nullptr) << c.what;
  }
}

TEST(TypedWire, UnitConversion) {
  EXPECT_NEAR(DATATYPE_dConvertUnitToUnit(212.0, G_DU_FAHRENHEIT, G_DU_CELSIUS), 100.0, 1e-4);
  EXPECT_EQ(DATATYPE_dConvertUnitToUnit(1.0, G_DU_KNOTS, G_DU_FEET), 0.0);
  EXPECT_NEAR(DATATYPE_dConvertDataToUnit(1852.0, &DT_DISTANCE, G_DU_NAUT_MILES), 1.0, 1e-6);
}

TEST(MessageHeader, GoldenBytesOfAStatusReply) {
  GMSG_ADDRESS src, dst;
  GMSG_vMakeSocketAddress(&src, GSOCKET_u32Address(127, 0, 0, 1), 50752);
  GMSG_vMakeSocketAddress(&dst, GSOCKET_u32Address(127, 0, 0, 2), 50816);
  GMSG_STATUS st{2, 0x150001, 9};
  GMSG_INFO info;
  ASSERT_TRUE(GMSG_bCompose(&info, &src, &dst, GMSG_ID_STATUS, &DT_GMSG_STATUS, &st, 9, 0x1122334455667788ull,
                            GMSG_FLAG_REPLY, FALSE, 0));
  const std::vector<U8> header = {
      'G', 'M', 'S', 'G', 1, 0, 0, 0, 2, 0, 0, 0, 20, 0, 0, 0,              // signature, id, flags, size
      0, 0, 0, 0, 127, 0, 0, 1, 0x40, 0xC6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // source
      0, 0, 0, 0, 127, 0, 0, 2, 0x80, 0xC6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // destination
      9, 0, 0, 0, 0, 0, 0, 0, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
  const std::vector<U8> body = {1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0x15, 0, 9, 0, 0, 0, 0, 0, 0, 0};
  std::vector<U8> all = header;
  all.insert(all.end(), body.begin(), body.end());
  EXPECT_EQ(std::vector<U8>(info.pu8Block, info.pu8Block + 92), all);
  GMSG_HEADER back;
  GMSG_vDecodeHeader(info.pu8Block, &back);
  EXPECT_TRUE(GMSG_bAddressEqual(&back.DstAddress, &dst));
  EXPECT_EQ(back.__u64ReplyToken, 0x1122334455667788ull);
  GMSG_bFree(&info);
}

TEST(MessageHeader, RequestsTakeTheNextTokenAndLargeBodiesGrowTheBlock) {
  GMSG_INFO a, b, plain;
  const U64 before = GMSG_u64LastToken();
  ASSERT_TRUE(GMSG_bCompose(&a, nullptr, nullptr, GMSG_ID_TEST_PING, nullptr, nullptr, 1, 0, GMSG_FLAG_REQUEST, FALSE, 0));
  ASSERT_TRUE(GMSG_bCompose(&plain, nullptr, nullptr, GMSG_ID_TEST_PING, nullptr, nullptr, 1, 77, 0, FALSE, 0));
  ASSERT_TRUE(GMSG_bCompose(&b, nullptr, nullptr, GMSG_ID_TEST_PING, nullptr, nullptr, 1, 0, GMSG_FLAG_REQUEST, FALSE, 0));
  EXPECT_EQ(a.Header.__u64ReplyToken, before + 1);
  EXPECT_EQ(plain.Header.__u64ReplyToken, 77u);
  EXPECT_EQ(b.Header.__u64ReplyToken, before + 2);
  for (GMSG_INFO* i : {&a, &b, &plain}) GMSG_bFree(i);

  std::vector<U8> bytes(5000, 0x5A);
  DYNAMIC_ARRAY arr{(S32)bytes.size(), bytes.data()};
  GMSG_INFO big;
  ASSERT_TRUE(GMSG_bCompose(&big, nullptr, nullptr, GMSG_ID_TEST_01, &DT_ARRAY_U8, &arr, 0, 0, 0, FALSE, 0));
  EXPECT_EQ(big.u32BlockSize, 16384u);
  EXPECT_EQ(big.Header.u32MsgSize, 5004u);
  GMSG_bFree(&big);
  std::vector<U8> huge(GMSG_MAX_BODY, 1);  // with its count word, 4 bytes too many
  DYNAMIC_ARRAY too{(S32)huge.size(), huge.data()};
  EXPECT_FALSE(GMSG_bCompose(&big, nullptr, nullptr, GMSG_ID_TEST_01, &DT_ARRAY_U8, &too, 0, 0, 0, FALSE, 0));
}

TEST(MessageHeader, AddressesCompareOnlyAsSocketAddresses) {
  GMSG_ADDRESS a, b;
  GMSG_vMakeSocketAddress(&a, GSOCKET_u32Address(127, 0, 0, 1), 1);
  GMSG_vMakeSocketAddress(&b, GSOCKET_u32Address(127, 0, 0, 1), 1);
  EXPECT_TRUE(GMSG_bAddressEqual(&a, &b));
  b.uAddr.Socket.u32Port = 2;
  EXPECT_FALSE(GMSG_bAddressEqual(&a, &b));
  a.MsgAddressType = GMSG_ADDRESS_QUEUE;
  EXPECT_FALSE(GMSG_bAddressEqual(&a, &a));
}

// ---------------------------------------------------------------- receiver
std::vector<U8> Header(U32 signature, U32 size) {
  GMSG_HEADER h{};
  h.u32MsgSignature = signature;
  h.u32MsgId = GMSG_ID_TEST_01;
  h.u32MsgSize = size;
  std::vector<U8> b(72);
  GMSG_vEncodeHeader(&h, b.data());
  return b;
}

TEST(Receiver, HostileHeadersAreRefusedBeforeAnyAllocation) {
  struct Case {
    const char* what;
    U32 signature, size;
  } cases[] = {{"size all ones", GMSG_SIGNATURE, 0xFFFFFFFFu},
               {"size 2,000,000", GMSG_SIGNATURE, 2000000},
               {"one byte past the largest block", GMSG_SIGNATURE, GMSG_MAX_BODY + 1},
               {"bad signature", 0x47534D48, 0}};
  for (const Case& c : cases) {
    GMSG_RECEIVER rx{};
    GMSG_INFO info;
    S32 used = 0;
    const auto h = Header(c.signature, c.size);
    EXPECT_EQ(GMSG_eReceiverFeed(&rx, h.data(), 72, &used, &info, 0), GMSG_RX_FAILED) << c.what;
    EXPECT_EQ(rx.pu8Block, nullptr) << c.what;
    GMSG_vReceiverReset(&rx);
  }
}

TEST(Receiver, SplitHeaderAndTrickledBodyCompleteOrExpire) {
  auto wire = Header(GMSG_SIGNATURE, 3);
  wire.insert(wire.end(), {7, 8, 9});
  GMSG_RECEIVER rx{};
  GMSG_INFO info;
  S32 used = 0;
  EXPECT_EQ(GMSG_eReceiverFeed(&rx, wire.data(), 36, &used, &info, 1000), GMSG_RX_PARTIAL);
  EXPECT_EQ(GMSG_eReceiverFeed(&rx, wire.data() + 36, 36, &used, &info, 2000), GMSG_RX_PARTIAL);
  EXPECT_EQ(GMSG_eReceiverFeed(&rx, wire.data() + 72, 1, &used, &info, 3000), GMSG_RX_PARTIAL);
  EXPECT_FALSE(GMSG_bReceiverExpired(&rx, 1000 + 4999000000ull));
  EXPECT_TRUE(GMSG_bReceiverExpired(&rx, 1000 + 5000000000ull));
  EXPECT_EQ(GMSG_eReceiverFeed(&rx, wire.data() + 73, 2, &used, &info, 4000), GMSG_RX_COMPLETE);
  EXPECT_EQ(info.Header.u32MsgSize, 3u);
  EXPECT_EQ(std::vector<U8>(info.pRawMsg, info.pRawMsg + 3), (std::vector<U8>{7, 8, 9}));
  EXPECT_TRUE(GMSG_bReceiverIdle(&rx));
  GMSG_bFree(&info);
}

TEST(Receiver, MessagesOverALoopbackStream) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  GSOCKET a{fds[0], {}, 0, FALSE, FALSE}, b{fds[1], {}, 0, FALSE, FALSE};
  GMSG_STATUS st{2, 5, 6};
  GMSG_INFO out;
  ASSERT_TRUE(GMSG_bCompose(&out, nullptr, nullptr, GMSG_ID_STATUS, &DT_GMSG_STATUS, &st, 6, 0, 0, FALSE, 0));
  ASSERT_TRUE(GMSG_bSendSocket(&out, &a, FALSE));
  GMSG_bFree(&out);
  GMSG_INFO in;
  ASSERT_TRUE(GMSG_bReceiveSocket(&b, &in));
  ASSERT_TRUE(GMSG_bParse(&in, &DT_GMSG_STATUS));
  EXPECT_EQ(static_cast<GMSG_STATUS*>(in.pStructMsg)->u64Token, 6u);
  GMSG_bFree(&in);
  // A peer that sends half a header and falls silent is given up, not waited for.
  PLATFORM_vTestClockDisable();
  const auto h = Header(GMSG_SIGNATURE, 0);
  ASSERT_EQ(write(fds[0], h.data(), 36), 36);
  close(fds[0]);
  EXPECT_FALSE(GMSG_bReceiveSocket(&b, &in));
  close(fds[1]);
}

// A listening socket closed while another thread still polls it gives its
// port back at once: the same port can be bound and listened on again.
TEST(Sockets, ClosedListeningPortIsFreeWhileAPollStillHoldsIt) {
  const U32 local = GSOCKET_u32Address(127, 0, 0, 1);
  const U16 port = (U16)(41000 + getpid() % 20000);
  GSOCKET first;
  ASSERT_TRUE(GSOCKET_bCreate(&first, local, port, TRUE, 4, TRUE));
  const S32 fd = first.nSocket;
  std::atomic<bool> polling{false};
  std::thread watcher([&] {
    pollfd p{fd, POLLIN, 0};
    polling = true;
    (void)poll(&p, 1, 400);  // nothing arrives: returns after its time
  });
  while (!polling) usleep(1000);
  usleep(20000);  // well inside the poll
  ASSERT_TRUE(GSOCKET_bClose(&first));
  GSOCKET again;
  EXPECT_TRUE(GSOCKET_bCreate(&again, local, port, TRUE, 4, TRUE));
  watcher.join();
  GSOCKET_bClose(&again);
}

}  // namespace
