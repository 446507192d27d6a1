// Service URLs and attribute lists taken apart, and the search filters that
// select services by their attributes.
#include <gtest/gtest.h>

#include <string>

#include "slp/slp.h"
#include "slp/slp_attr.h"

namespace {

TEST(SlpText, ServiceUrlsParseIntoTheirParts) {
  struct {
    const char* url;
    SLPError err;
    const char* type;
    const char* host;
    int port;
    const char* part;
  } cases[] = {
      {"service:gpsStream.strelmon://192.168.1.20:50560/base", SLP_OK, "service:gpsStream.strelmon", "192.168.1.20",
       50560, "/base"},
      {"service:sonar.strelmon://10.0.0.1:0/NULL", SLP_OK, "service:sonar.strelmon", "10.0.0.1", 0, "/NULL"},
      {"service:printer:lpr://host", SLP_OK, "service:printer:lpr", "host", 0, ""},
      {"service:a://h:65535", SLP_OK, "service:a", "h", 65535, ""},
      {"service:a://h:65536", SLP_PARSE_ERROR, "", "", 0, ""},
      {"service:a://h:12x/", SLP_PARSE_ERROR, "", "", 0, ""},
      {"service:a://h:/", SLP_PARSE_ERROR, "", "", 0, ""},
      {"service:a:///path", SLP_PARSE_ERROR, "", "", 0, ""},
      {"no scheme", SLP_PARSE_ERROR, "", "", 0, ""},
      {"://h", SLP_PARSE_ERROR, "", "", 0, ""},
  };
  for (const auto& c : cases) {
    SLPSrvURL* p = nullptr;
    ASSERT_EQ(SLPParseSrvURL(c.url, &p), c.err) << c.url;
    if (c.err != SLP_OK) {
      EXPECT_EQ(p, nullptr);
      continue;
    }
    EXPECT_STREQ(p->s_pcSrvType, c.type) << c.url;
    EXPECT_STREQ(p->s_pcHost, c.host) << c.url;
    EXPECT_EQ(p->s_iPort, c.port) << c.url;
    EXPECT_STREQ(p->s_pcNetFamily, "") << c.url;
    EXPECT_STREQ(p->s_pcSrvPart, c.part) << c.url;
    SLPFree(p);
  }
}

TEST(SlpText, AttributeValuesAreFoundByTag) {
  const char* list = "(service=gpsStream),(instance=base),(address=192.168.1.20),(port=50560),";
  struct {
    const char* id;
    SLPError err;
    const char* value;
  } cases[] = {
      {"service", SLP_OK, "gpsStream"}, {"PORT", SLP_OK, "50560"}, {"address", SLP_OK, "192.168.1.20"},
      {"queue", SLP_PARSE_ERROR, nullptr}, {"", SLP_PARSE_ERROR, nullptr},
  };
  for (const auto& c : cases) {
    char* v = nullptr;
    EXPECT_EQ(SLPParseAttrs(list, c.id, &v), c.err) << c.id;
    if (c.value) {
      EXPECT_STREQ(v, c.value) << c.id;
    }
    SLPFree(v);
  }
  char* v = nullptr;
  EXPECT_EQ(SLPParseAttrs("(a=1,2,3),flag", "a", &v), SLP_OK);
  EXPECT_STREQ(v, "1,2,3");
  SLPFree(v);
  EXPECT_EQ(SLPParseAttrs("(a=1", "a", &v), SLP_PARSE_ERROR);
  EXPECT_EQ(SLPParseAttrs("(a)", "a", &v), SLP_PARSE_ERROR);
}

TEST(SlpText, FiltersMatchTheAttributes) {
  auto attrs = *slp::ParseAttributes("(service=gpsStream),(instance=Base Unit),(port=50560),(names=a,b\\2c c),ready,");
  struct {
    const char* filter;
    std::optional<bool> result;
  } cases[] = {
      {"", true},
      {"(service=gpsStream)", true},
      {"(SERVICE=GPSSTREAM)", true},
      {"(instance=base  unit)", true},
      {"(service=gps*)", true},
      {"(service=*Stream)", true},
      {"(service=g*s*m)", true},
      {"(service=x*)", false},
      {"(port=50560)", true},
      {"(port>=50561)", false},
      {"(port<=50560)", true},
      {"(names=b, c)", true},
      {"(names=a)", true},
      {"(ready=*)", true},
      {"(ready=1)", false},
      {"(missing=*)", false},
      {"(&(service=gpsStream)(port=50560))", true},
      {"(&(service=gpsStream)(port=1))", false},
      {"(|(port=1)(instance=base unit))", true},
      {"(!(port=1))", true},
      {" ( & (service=gpsStream) ) ", true},
      {"(service=gpsStream", std::nullopt},
      {"service=gpsStream", std::nullopt},
      {"(&)", std::nullopt},
      {"(=x)", std::nullopt},
      {"(a=b))", std::nullopt},
      {"(!)", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(slp::MatchFilter(c.filter, attrs), c.result) << c.filter;
  // Nesting beyond the bound is refused, not recursed into.
  std::string deep;
  for (int i = 0; i < 100; ++i) deep += "(!";
  deep += "(a=b)";
  for (int i = 0; i < 100; ++i) deep += ")";
  EXPECT_EQ(slp::MatchFilter(deep, attrs), std::nullopt);
}

TEST(SlpText, AttributeSelectionByTags) {
  auto attrs = *slp::ParseAttributes("(service=x),(instance=y),(port=1),flag");
  EXPECT_EQ(slp::SelectAttributes(attrs, ""), "(service=x),(instance=y),(port=1),flag");
  EXPECT_EQ(slp::SelectAttributes(attrs, "port, FLAG"), "(port=1),flag");
  EXPECT_EQ(slp::SelectAttributes(attrs, "*ce"), "(service=x),(instance=y)");
  EXPECT_EQ(slp::SelectAttributes(attrs, "none"), "");
}

}  // namespace
