// SLPv2 messages byte for byte: hand-built datagrams decode to the fields of
// the protocol's layout, the encoder writes the same bytes, and damaged
// datagrams are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "slp/slp_wire.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Appends the characters of a text (the length fields are written out by hand).
Bytes operator+(Bytes b, const std::string& s) {
  b.insert(b.end(), s.begin(), s.end());
  return b;
}
Bytes operator+(Bytes b, const Bytes& more) {
  b.insert(b.end(), more.begin(), more.end());
  return b;
}

// SrvRqst, multicast flag, XID 0x1234, "en", empty responder list, type
// service:gpsStream.strelmon (26), scope DEFAULT (7), predicate
// (instance=base) (15), no SPI: 74 bytes.
const Bytes kSrvRqst = Bytes{0x02, 0x01, 0x00, 0x00, 0x4A, 0x20, 0x00, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00, 0x02} +
                       std::string("en") + Bytes{0x00, 0x00, 0x00, 0x1A} + std::string("service:gpsStream.strelmon") +
                       Bytes{0x00, 0x07} + std::string("DEFAULT") + Bytes{0x00, 0x0F} + std::string("(instance=base)") +
                       Bytes{0x00, 0x00};

// SrvRply, XID 0x1234, no error, one URL entry of lifetime 65535:
// service:gpsStream.strelmon://192.168.1.20:50560/base (52 bytes): 78 bytes.
const Bytes kSrvRply = Bytes{0x02, 0x02, 0x00, 0x00, 0x4E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00, 0x02} +
                       std::string("en") + Bytes{0x00, 0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x34} +
                       std::string("service:gpsStream.strelmon://192.168.1.20:50560/base") + Bytes{0x00};

// SrvReg, fresh flag, XID 7: URL entry (lifetime 300) service:x.y://127.0.0.2:9/a
// (27), type service:x.y (11), scope DEFAULT, attributes (a=1) (5), no
// authentication blocks: 79 bytes.
const Bytes kSrvReg = Bytes{0x02, 0x03, 0x00, 0x00, 0x4F, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x02} +
                      std::string("en") + Bytes{0x00, 0x01, 0x2C, 0x00, 0x1B} + std::string("service:x.y://127.0.0.2:9/a") +
                      Bytes{0x00, 0x00, 0x0B} + std::string("service:x.y") + Bytes{0x00, 0x07} + std::string("DEFAULT") +
                      Bytes{0x00, 0x05} + std::string("(a=1)") + Bytes{0x00};

// SrvTypeRqst for every naming authority (length 0xFFFF), scope DEFAULT.
const Bytes kSrvTypeRqst = Bytes{0x02, 0x09, 0x00, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00, 0x02} +
                           std::string("en") + Bytes{0x00, 0x00, 0xFF, 0xFF, 0x00, 0x07} + std::string("DEFAULT");

// AttrRqst for the tags port,queue of a URL (21), scope DEFAULT: 64 bytes.
const Bytes kAttrRqst = Bytes{0x02, 0x06, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x02} +
                        std::string("en") + Bytes{0x00, 0x00, 0x00, 0x15} + std::string("service:x.y://1.2.3.4") +
                        Bytes{0x00, 0x07} + std::string("DEFAULT") + Bytes{0x00, 0x0A} + std::string("port,queue") +
                        Bytes{0x00, 0x00};

TEST(SlpWire, HandBuiltMessagesDecodeToTheirFieldsAndEncodeBack) {
  ASSERT_EQ(kSrvRqst.size(), 74u);
  ASSERT_EQ(kSrvRply.size(), 78u);
  ASSERT_EQ(kSrvReg.size(), 79u);
  ASSERT_EQ(kSrvTypeRqst.size(), 29u);
  ASSERT_EQ(kAttrRqst.size(), 64u);

  slp::Message rq;
  std::string why;
  ASSERT_TRUE(slp::Decode(kSrvRqst.data(), kSrvRqst.size(), rq, &why)) << why;
  EXPECT_EQ(rq.function, slp::kSrvRqst);
  EXPECT_EQ(rq.flags, slp::kFlagMcast);
  EXPECT_EQ(rq.xid, 0x1234);
  EXPECT_EQ(rq.lang, "en");
  EXPECT_EQ(rq.prList, "");
  EXPECT_EQ(rq.serviceType, "service:gpsStream.strelmon");
  EXPECT_EQ(rq.scopes, "DEFAULT");
  EXPECT_EQ(rq.predicate, "(instance=base)");
  EXPECT_EQ(rq.spi, "");

  slp::Message rp;
  ASSERT_TRUE(slp::Decode(kSrvRply.data(), kSrvRply.size(), rp, &why)) << why;
  EXPECT_EQ(rp.function, slp::kSrvRply);
  EXPECT_EQ(rp.error, 0);
  ASSERT_EQ(rp.urls.size(), 1u);
  EXPECT_EQ(rp.urls[0].lifetime, 0xFFFF);
  EXPECT_EQ(rp.urls[0].url, "service:gpsStream.strelmon://192.168.1.20:50560/base");

  slp::Message rg;
  ASSERT_TRUE(slp::Decode(kSrvReg.data(), kSrvReg.size(), rg, &why)) << why;
  EXPECT_EQ(rg.function, slp::kSrvReg);
  EXPECT_EQ(rg.flags, slp::kFlagFresh);
  EXPECT_EQ(rg.entry.lifetime, 300);
  EXPECT_EQ(rg.entry.url, "service:x.y://127.0.0.2:9/a");
  EXPECT_EQ(rg.serviceType, "service:x.y");
  EXPECT_EQ(rg.attrs, "(a=1)");

  slp::Message tr;
  ASSERT_TRUE(slp::Decode(kSrvTypeRqst.data(), kSrvTypeRqst.size(), tr, &why)) << why;
  EXPECT_TRUE(tr.allAuthorities);
  EXPECT_EQ(tr.scopes, "DEFAULT");

  slp::Message ar;
  ASSERT_TRUE(slp::Decode(kAttrRqst.data(), kAttrRqst.size(), ar, &why)) << why;
  EXPECT_EQ(ar.url, "service:x.y://1.2.3.4");
  EXPECT_EQ(ar.tags, "port,queue");

  // Our encoder writes exactly the hand-built bytes.
  EXPECT_EQ(slp::Encode(rq), kSrvRqst);
  EXPECT_EQ(slp::Encode(rp), kSrvRply);
  EXPECT_EQ(slp::Encode(rg), kSrvReg);
  EXPECT_EQ(slp::Encode(tr), kSrvTypeRqst);
  EXPECT_EQ(slp::Encode(ar), kAttrRqst);
}

TEST(SlpWire, EveryMessageKindSurvivesEncodeAndDecode) {
  std::vector<slp::Message> cases(9);
  cases[0].function = slp::kSrvRqst, cases[0].prList = "127.0.0.2,127.0.0.3", cases[0].serviceType = "service:a";
  cases[1].function = slp::kSrvRply, cases[1].urls = {{10, "service:a://h"}, {20, "service:a://i:1/x"}};
  cases[2].function = slp::kSrvReg, cases[2].entry = {5, "service:a://h"}, cases[2].attrs = "(x=1,2),k";
  cases[3].function = slp::kSrvDeReg, cases[3].scopes = "DEFAULT", cases[3].entry = {0, "u"}, cases[3].tags = "x";
  cases[4].function = slp::kSrvAck, cases[4].error = slp::kInvalidUpdate;
  cases[5].function = slp::kAttrRqst, cases[5].url = "service:a", cases[5].spi = "s";
  cases[6].function = slp::kAttrRply, cases[6].attrs = "(a=b)";
  cases[7].function = slp::kSrvTypeRqst, cases[7].namingAuthority = "strelmon";
  cases[8].function = slp::kSrvTypeRply, cases[8].typeList = "service:a.b,service:c";
  for (slp::Message& m : cases) {
    m.xid = 0xBEEF;
    m.lang = "de";
    std::vector<uint8_t> bytes = slp::Encode(m);
    ASSERT_FALSE(bytes.empty()) << slp::FunctionName(m.function);
    slp::Message back;
    std::string why;
    ASSERT_TRUE(slp::Decode(bytes.data(), bytes.size(), back, &why)) << slp::FunctionName(m.function) << ": " << why;
    EXPECT_EQ(back, m) << slp::FunctionName(m.function);
  }
}

TEST(SlpWire, DamagedDatagramsAreRefused) {
  auto with = [](Bytes b, size_t at, std::initializer_list<uint8_t> v) {
    for (uint8_t x : v) b[at++] = x;
    return b;
  };
  auto cut = [](Bytes b, size_t n) {
    b.resize(n);
    return b;
  };
  // A reply whose URL entry carries one authentication block of `len` bytes.
  auto withAuth = [](uint16_t len) {
    Bytes b = Bytes{0x02, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00} +
              Bytes{0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 'u', 0x01} +
              Bytes{0x00, 0x02, (uint8_t)(len >> 8), (uint8_t)len, 0, 0, 0, 0, 0, 0};
    b[4] = (uint8_t)b.size();
    return b;
  };
  struct Case {
    const char* name;
    Bytes bytes;
    const char* reason;
  } cases[] = {
      {"empty", {}, "shorter than the header"},
      {"one byte", {0x02}, "shorter than the header"},
      {"header cut short", cut(kSrvRqst, 13), "shorter than the header"},
      {"version 1", with(kSrvRqst, 0, {0x01}), "not version 2"},
      {"length above the size", with(kSrvRqst, 2, {0x00, 0x00, 0x4B}), "length field differs"},
      {"length below the size", with(kSrvRqst, 2, {0x00, 0x00, 0x49}), "length field differs"},
      {"huge length", with(kSrvRqst, 2, {0xFF, 0xFF, 0xFF}), "length field differs"},
      {"datagram cut short", with(cut(kSrvRqst, 60), 2, {0x00, 0x00, 60}), "past the end"},
      {"language tag past the end", with(kSrvRqst, 12, {0xFF, 0xFF}), "language tag past the end"},
      {"responder list past the end", with(kSrvRqst, 16, {0x01, 0x00}), "past the end"},
      {"service type past the end", with(kSrvRqst, 18, {0x00, 0x50}), "past the end"},
      {"two URL entries, one present", with(kSrvRply, 18, {0x00, 0x02}), "past the end"},
      {"URL past the end", with(kSrvRply, 23, {0x00, 0x35}), "past the end"},
      {"extension offset past the end", with(kSrvRqst, 7, {0x00, 0x00, 0x49}), "extension offset"},
      {"extension offset inside the header", with(kSrvRqst, 7, {0x00, 0x00, 0x03}), "extension offset"},
      {"unknown function", with(kSrvRqst, 1, {0x0C}), "function not handled"},
      {"authentication block below its minimum", withAuth(4), "past the end"},
      {"authentication block past the end", withAuth(200), "past the end"},
  };
  for (const Case& c : cases) {
    slp::Message m;
    std::string why;
    EXPECT_FALSE(slp::Decode(c.bytes.data(), c.bytes.size(), m, &why)) << c.name;
    EXPECT_NE(why.find(c.reason), std::string::npos) << c.name << ": " << why;
  }
  // The same reply with a well-formed block of 10 bytes is accepted.
  Bytes good = withAuth(10);
  slp::Message m;
  std::string why;
  EXPECT_TRUE(slp::Decode(good.data(), good.size(), m, &why)) << why;
}

TEST(SlpWire, TextsTooLongForTheirLengthFieldAreNotEncoded) {
  slp::Message m;
  m.function = slp::kSrvRqst;
  m.predicate.assign(70000, 'x');
  EXPECT_TRUE(slp::Encode(m).empty());
}

}  // namespace
