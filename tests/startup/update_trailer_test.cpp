// The update image's trailer and version texts.
#include <gtest/gtest.h>

#include <string>

#include "source/startup/t_mmc_update_trailer.h"

namespace {

// A trailer of the given strings, each zero-terminated, then zeros.
std::string Trailer(const std::vector<std::string>& strings) {
  std::string t;
  for (const auto& s : strings) t += s + '\0';
  t.resize(UPDATE_TRAILER_BYTES, '\0');
  return t;
}

// Terminated strings filling the whole trailer, with no empty string.
std::string ListWithoutEnd() {
  std::string t = std::string("model=all") + '\0';
  while (t.size() < UPDATE_TRAILER_BYTES) t += std::string("x=1") + '\0';
  t.resize(UPDATE_TRAILER_BYTES - 1);
  return t + '\0';
}

struct TRAILER_CASE {
  const char* name;
  std::string trailer;
  const char* key;
  bool found;
  const char* value;
};

TEST(UpdateTrailer, ValuesAreFoundOnlyInsideTheTerminatedList) {
  std::string unterminated(UPDATE_TRAILER_BYTES, 'x');
  unterminated.replace(0, 12, "version=4250");  // no zero anywhere
  std::string afterEnd = Trailer({"model=all"});
  afterEnd.replace(11, 13, std::string("version=4250") + '\0');  // behind the empty string
  const std::vector<TRAILER_CASE> cases = {
      {"model", Trailer({"model=all", "version=4250"}), "model", true, "all"},
      {"version", Trailer({"model=all", "version=4250"}), "version", true, "4250"},
      {"other strings ignored", Trailer({"crc=1", "version=7"}), "version", true, "7"},
      {"name must be followed by =", Trailer({"versionx=1", "version=2"}), "version", true, "2"},
      {"value ends at white space", Trailer({"model=tessix345 extra"}), "model", true, "tessix345"},
      {"value cut to 63 characters", Trailer({"model=" + std::string(80, 'm')}), "model", true,
       "mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm"},
      {"missing", Trailer({"model=all"}), "version", false, ""},
      {"unterminated trailer", unterminated, "version", false, ""},
      {"after the empty string", afterEnd, "version", false, ""},
      {"list without the empty string", ListWithoutEnd(), "model", false, ""},
  };
  for (const TRAILER_CASE& c : cases) {
    char value[UPDATE_VALUE_SIZE];
    EXPECT_EQ(bGetUpdateString((const U8*)c.trailer.data(), c.trailer.size(), c.key, value) != FALSE, c.found)
        << c.name;
    if (c.found) {
      EXPECT_STREQ(value, c.value) << c.name;
    }
  }
}

TEST(UpdateTrailer, VersionsAreReadDigitByDigit) {
  const struct {
    const char* text;
    bool ok;
    U32 version;
  } cases[] = {
      {"4250", true, 4250},   {"4.250", true, 4250},  {"1.001", true, 1001}, {"7.660", true, 7660},
      {"12.345", true, 12345}, {"0", false, 0},       {"0.000", false, 0},   {"-5", false, 0},
      {"4.25", false, 0},     {"4250x", false, 0},   {"", false, 0},        {"99999999", false, 0},
  };
  for (const auto& c : cases) {
    U32 v = 0;
    EXPECT_EQ(bParseUpdateVersion(c.text, &v) != FALSE, c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.version) << c.text;
    }
  }
  // Every "%1d.%03d" text reads back as its number (a float times 1000 does not).
  for (U32 v = 1; v < 10000; ++v) {
    char text[24];
    vFormatUpdateVersion(v, text, sizeof text);
    U32 back = 0;
    ASSERT_TRUE(bParseUpdateVersion(text, &back)) << text;
    ASSERT_EQ(back, v) << text;
  }
}

TEST(UpdateTrailer, ModelsOfThisProgramHaveRows) {
  EXPECT_STREQ(pcUpdateModelName(344), "tessix344");
  EXPECT_STREQ(pcUpdateModelName(345), "tessix345");
  EXPECT_EQ(pcUpdateModelName(346), nullptr);
}

}  // namespace
