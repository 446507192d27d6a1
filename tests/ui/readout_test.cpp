// Readout boxes: values formatted by their data type in the user's units,
// the slot defaults, the choice lists and the accessory slots; and the
// picture of a readout row in the bar styles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/language.h"
#include "common/u_convert.h"
#include "data/fonts.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_box.h"
#include "source/ui/t_info.h"
#include "tests/support/golden.h"

namespace {

void Reset() {
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
}

void SetU32(const char (&key)[5], U32 v, DATA_TYPE t = D_UNKNOWN) {
  H_DATABASE_bUpdateEverythingU32(FCID(key), v, P_NORMAL, t, nullptr, DB_NO_TIMEOUT);
}
void SetS32(const char (&key)[5], S32 v, DATA_TYPE t) {
  H_DATABASE_bUpdateEverythingS32(FCID(key), v, P_NORMAL, t, nullptr, DB_NO_TIMEOUT);
}
void SetFloat(const char (&key)[5], F32 v, DATA_TYPE t) {
  H_DATABASE_bUpdateEverythingFloat(FCID(key), v, P_NORMAL, t, nullptr, DB_NO_TIMEOUT);
}

struct Formatted {
  std::string value, units;
};
Formatted Format(FOURCHARID key, DIGITS_FORMAT fmt = LARGE_TENTHS) {
  char v[INFO_STRING_SIZE], u[INFO_UNITS_SIZE];
  BOOLEAN valid = FALSE;
  T_INFO_nInfoStrings(v, u, &valid, 158, key, &f34x62_font_def, &tessix_16x17_font_def, &f18x32_font_def, fmt, 0,
                      sizeof v, nullptr, nullptr);
  return {v, u};
}

struct Case {
  const char* name;
  DATA_TYPE type;
  double value;  // stored as a float for float kinds, else as a signed number
  const char* unitsKey;
  U32 unit;
  DIGITS_FORMAT fmt;
  const char* text;
  const char* label;
};

bool IsFloat(DATA_TYPE t) {
  return t == D_DEPTH || t == D_TEMPERATURE || t == D_SPEED || t == D_DISTANCE || t == D_HEADING ||
         t == D_PRESSURE || t == D_VOLTAGE || t == D_FLOAT;
}

const Case kCases[] = {
    {"depth in feet with tenths", D_DEPTH, 3.048, "YUDP", U_FEET, LARGE_TENTHS, "10.0", "ft"},
    {"depth 99.94 m keeps tenths", D_DEPTH, 99.94, "YUDP", U_METRES, LARGE_TENTHS, "99.9", "m"},
    {"depth 99.96 m drops tenths", D_DEPTH, 99.96, "YUDP", U_METRES, LARGE_TENTHS, "100", "m"},
    {"depth without tenths", D_DEPTH, 12.34, "YUDP", U_METRES, NO_TENTHS, "12", "m"},
    {"temperature in Celsius", D_TEMPERATURE, 18.25, "SUTE", U_CELSIUS, LARGE_TENTHS, "18.2", "\xBA" "C"},
    {"temperature in Fahrenheit", D_TEMPERATURE, 100.0, "SUTE", U_FAHRENHEIT, LARGE_TENTHS, "212.0", "\xBA" "F"},
    {"slow speed in knots", D_SPEED, 2.0, "SUSP", U_KNOTS, LARGE_TENTHS, "3.9", "kts"},
    {"fast speed in knots: no tenths", D_SPEED, 10.0, "SUSP", U_KNOTS, LARGE_TENTHS, "19", "kts"},
    {"mph keep tenths below 99.95", D_SPEED, 20.0, "SUSP", U_MPH, LARGE_TENTHS, "44.7", "mph"},
    {"heading 359.7 shows 000", D_HEADING, 359.7, "SUHD", U_DEG_TRUE, LARGE_TENTHS, "000", "\xBA" "t"},
    {"heading padded", D_HEADING, 7.2, "SUHD", U_DEG_TRUE, LARGE_TENTHS, "007", "\xBA" "t"},
    {"0.05 nm in feet", D_DISTANCE, 0.05 * 1852, "SUDS", U_NAUT_MILES_FT, LARGE_TENTHS, "304", "ft"},
    {"0.5 km in metres", D_DISTANCE, 500, "SUDS", U_KM, LARGE_TENTHS, "500.00", "m"},
    {"12.34 nm", D_DISTANCE, 12.34 * 1852, "SUDS", U_NAUT_MILES_FT, LARGE_TENTHS, "12.3", "nm"},
    {"pressure in millibar", D_PRESSURE, 1013.4, "SUPR", U_MILLIBAR, LARGE_TENTHS, "1013", "mb"},
    {"voltage", D_VOLTAGE, 12.66, nullptr, 0, LARGE_TENTHS, "12.7", "V"},
    {"time 3725 s", D_TIME, 3725, nullptr, 0, LARGE_TENTHS, "1:02", ""},
    {"time 125 s", D_TIME, 125, nullptr, 0, LARGE_TENTHS, "2:05", ""},
    {"time -1", D_TIME, -1, nullptr, 0, LARGE_TENTHS, "---", ""},
    {"long time", D_LONG_TIME, 3725, nullptr, 0, LARGE_TENTHS, "01:02:05", ""},
    {"float", D_FLOAT, 1.5, nullptr, 0, LARGE_TENTHS, "1.50", ""},
    {"signed", D_SIGNED32, -42, nullptr, 0, LARGE_TENTHS, "-42", ""},
    {"fixed point", D_FIXED_POINT, 98304, nullptr, 0, LARGE_TENTHS, "1.50", ""},
    {"elevation angle", D_ELEVATION_ANGLE, 30, nullptr, 0, LARGE_TENTHS, "30", "\xBA"},
    {"unknown raw", D_UNKNOWN, 7, nullptr, 0, LARGE_TENTHS, "7", ""},
    {"other kind as hex", D_PERCENT, 255, nullptr, 0, LARGE_TENTHS, "000000ff", ""},
};

TEST(ReadoutFormat, ByDataType) {
  for (const Case& c : kCases) {
    Reset();
    if (c.unitsKey != nullptr) {
      H_DATABASE_bUpdateEverythingU32(MAKE_FOURCHARID(c.unitsKey[0], c.unitsKey[1], c.unitsKey[2], c.unitsKey[3]),
                                      c.unit, P_NORMAL, D_UNITS, nullptr, DB_NO_TIMEOUT);
    }
    if (IsFloat(c.type)) {
      SetFloat("ITST", (F32)c.value, c.type);
    } else {
      SetS32("ITST", (S32)c.value, c.type);
    }
    const Formatted f = Format(FCID("ITST"), c.fmt);
    EXPECT_EQ(c.text, f.value) << c.name;
    EXPECT_EQ(c.label, f.units) << c.name;
  }
}

TEST(ReadoutFormat, MagneticHeadingNeedsVariation) {
  Reset();
  SetU32("SUHD", U_DEG_MAGNETIC, D_UNITS);
  SetFloat("ITST", 10.0f, D_HEADING);
  EXPECT_EQ("---", Format(FCID("ITST")).value);
  EXPECT_EQ("", Format(FCID("ITST")).units);
  SetFloat("IMGV", 15.0f, D_FLOAT);
  EXPECT_EQ("355", Format(FCID("ITST")).value);
}

TEST(ReadoutFormat, KeyWithoutValueHasNoWidth) {
  Reset();
  char v[INFO_STRING_SIZE], u[INFO_UNITS_SIZE];
  EXPECT_EQ(0, T_INFO_nInfoStrings(v, u, nullptr, 0, FCID("INON"), &f34x62_font_def, &tessix_16x17_font_def,
                                   nullptr, LARGE_TENTHS, 0, sizeof v, nullptr, nullptr));
  EXPECT_EQ(0, T_INFO_nMeasureInfoBox(158, FCID("INON"), &f34x62_font_def, &tessix_16x17_font_def, IBS_WHITE_BAR, 0));
}

struct TimeCase {
  const char* name;
  U32 sitf, sidf;
  BOOLEAN ampm;
  int y, mo, d, h, mi;
  const char* time;
  const char* date;
};

U32 Epoch(int y, int mo, int d, int h, int mi) {
  struct tm t = {};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  return (U32)timegm(&t);
}

TEST(ReadoutFormat, TimeAndDateBySettings) {
  const TimeCase cases[] = {
      {"SIDF 2 year first", 4, 2, FALSE, 2011, 3, 5, 14, 7, "14:07", "11.03.05"},
      {"SIDF 0 month first", 4, 0, FALSE, 2011, 3, 5, 14, 7, "14:07", "03/05/11"},
      {"SIDF 1 day first", 4, 1, FALSE, 2011, 3, 5, 14, 7, "14:07", "05.03.11"},
      {"midnight 12-hour", 0, 0, TRUE, 2011, 3, 5, 0, 30, "12:30 AM", "03/05/11"},
      {"afternoon 12-hour", 0, 0, TRUE, 2011, 3, 5, 13, 5, "1:05 PM", "03/05/11"},
      {"12-hour without suffix", 0, 0, FALSE, 2011, 3, 5, 13, 5, "1:05", "03/05/11"},
      {"a year before 2000", 4, 0, FALSE, 1999, 12, 31, 23, 59, "23:59", "12/31/99"},
  };
  for (const TimeCase& c : cases) {
    Reset();
    SetU32("SITF", c.sitf);
    SetU32("SIDF", c.sidf);
    char t[INFO_STRING_SIZE], d[INFO_STRING_SIZE];
    T_INFO_vFormatTimeAscii(Epoch(c.y, c.mo, c.d, c.h, c.mi), FALSE, c.ampm, t, d, nullptr);
    EXPECT_STREQ(c.time, t) << c.name;
    EXPECT_STREQ(c.date, d) << c.name;
  }
  // Time zone and daylight saving; no formats: dashes; time 0: empty.
  Reset();
  SetU32("SITF", 4);
  SetS32("SLTZ", -300, D_SIGNED32);
  SetU32("SDST", 1);
  char t[INFO_STRING_SIZE], d[INFO_STRING_SIZE];
  T_INFO_vFormatTimeAscii(Epoch(2011, 3, 5, 14, 7), FALSE, FALSE, t, d, nullptr);
  EXPECT_STREQ("10:07", t);
  EXPECT_STREQ("---", d);
  T_INFO_vFormatTimeAscii(0, FALSE, FALSE, t, d, nullptr);
  EXPECT_STREQ("", t);
  EXPECT_STREQ("", d);
}

TEST(ReadoutFormat, SplitTenths) {
  char integer[INFO_STRING_SIZE];
  const char* tenths = nullptr;
  EXPECT_TRUE(T_INFO_pSplitTenths("12.3", integer, &tenths, FALSE));
  EXPECT_STREQ("12", integer);
  EXPECT_STREQ("3", tenths);
  EXPECT_TRUE(T_INFO_pSplitTenths("12.3", integer, &tenths, TRUE));
  EXPECT_STREQ("12.", integer);
  EXPECT_FALSE(T_INFO_pSplitTenths("123", integer, &tenths, TRUE));
  EXPECT_STREQ("123", integer);
}

TEST(ReadoutTask, DefaultsRestoredSettingsWinUntilFactoryReset) {
  Reset();
  SetU32("SC55", FCID("BSPD"), D_FCID);
  H_DATABASE_bUpdateEverythingU32(FCID("SC55"), FCID("BTMP"), P_NVR, D_FCID, nullptr, DB_NO_TIMEOUT);
  T_INFO_vSetDefaultSettings(FALSE);
  U32 v = 0;
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("SC55"), &v));
  EXPECT_EQ(FCID("BSPD"), v) << "a restored selection wins over the default";
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("SC51"), &v));
  EXPECT_EQ(FCID("QXTE"), v);
  T_INFO_vSetDefaultSettings(TRUE);
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("SC55"), &v));
  EXPECT_EQ(FCID("BDEP"), v);
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("SFMT"), &v));
  EXPECT_EQ((U32)LARGE_TENTHS, v);
}

#define T(name, text)                                                                                          \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, text, text, \
                                                 text, text}
T(s_txtAaa, "Aaa depth");
T(s_txtSpeed, "Speed");
#undef T

TEST(ReadoutTask, ChoiceListIsSortedAndSkipsSourcesWithoutName) {
  Reset();
  H_DATABASE_bUpdateEverythingU32(FCID("BSPD"), FCID("ISPD"), P_NORMAL, D_FCID, s_txtSpeed, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("BAAA"), FCID("IDEP"), P_NORMAL, D_FCID, s_txtAaa, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("BXXX"), FCID("IDEP"), P_NORMAL, D_FCID, nullptr, DB_NO_TIMEOUT);
  DB_TEXT_RECORD names[INFO_MAX_CHOICES];
  U32 values[INFO_MAX_CHOICES];
  ASSERT_EQ(3, vFetchAllBeginningWith('B', names, values, 0));
  EXPECT_EQ(FCID("BAAA"), values[0]) << "a name sorting before Off comes first";
  EXPECT_EQ(0u, values[1]);
  EXPECT_EQ(FCID("BSPD"), values[2]);
}

TEST(ReadoutTask, AccessorySlots) {
  Reset();
  for (const char* k : {"SIS1", "SIS2", "SIS3", "SIS4", "SIS5", "SIS6"}) {
    H_DATABASE_bUpdateEverythingU32(MAKE_FOURCHARID(k[0], k[1], k[2], k[3]), 0, P_NORMAL, D_FCID, nullptr,
                                    DB_NO_TIMEOUT);
  }
  SetU32("SIS3", FCID("BAAA"), D_FCID);
  SetU32("SIS4", FCID("BBBB"), D_FCID);
  EXPECT_TRUE(U_INFO_bDisplayInInfoBox(FCID("BTMP"), 3));
  U32 v = 0;
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("SIS5"), &v));
  EXPECT_EQ(FCID("BTMP"), v);
  EXPECT_TRUE(U_INFO_bDisplayInInfoBox(FCID("BTMP"), 1)) << "already shown";
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("SIS1"), &v));
  EXPECT_EQ(0u, v);
  EXPECT_FALSE(U_INFO_bDisplayInInfoBox(FCID("BQQQ"), 7)) << "no slot 7";
  EXPECT_TRUE(U_INFO_bDisplayInInfoBox(FCID("BQ01"), 6));
  EXPECT_TRUE(U_INFO_bDisplayInInfoBox(FCID("BQ02"), 6));
  EXPECT_TRUE(U_INFO_bDisplayInInfoBox(FCID("BQ03"), 1)) << "the last free slot, SIS2";
  EXPECT_FALSE(U_INFO_bDisplayInInfoBox(FCID("BTMP"), 5)) << "the seventh request, even of a shown key";
}

// ------------------------------------------------------------ pictures

// A readout row over a dark sea: each column a depth box in one bar style.
void DrawRow(const INFO_BOX_STYLE (&styles)[5], std::vector<U16>* out) {
  constexpr int W = 800, H = 105;
  std::vector<U16> pixels((size_t)W * H);
  BITMAP header;
  BITMAP* bmp = G_BUFFERS_pCreateBitmap(W, H, &header, pixels.data());
  ASSERT_NE(nullptr, bmp);
  G_BOX_vDrawFilled(bmp, 0x0339, POINT{0, 0}, W, H);
  for (int i = 0; i < 5; ++i) {
    T_INFO_nDrawDigitsInfoBox(bmp, 158, 101, 160 * i, 0, FCID("IDEP"), &f34x62_font_def, &tessix_16x17_font_def,
                              &f18x32_font_def, SMALL_TENTHS, styles[i], INSTRUMENTATION_JUSTIFY_RIGHT, 0);
  }
  // Rows are stored bottom row first: the picture is the top row first.
  out->assign((size_t)W * H, 0);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) (*out)[(size_t)y * W + x] = G_PIXEL_colorGetPhysicalPixel(bmp, x, y);
  }
}

TEST(ReadoutPicture, RowInBarStyles) {
  Reset();
  SetU32("YUDP", U_FEET, D_UNITS);
  SetFloat("IDEP", 3.8f, D_DEPTH);
  T_INFO_vLoadInfoColors(0);
  T_INFO_vSetAlpha(0xC0C0C0);
  const INFO_BOX_STYLE rows[4][5] = {
      {IBS_GRAY_ROUNDED_BORDER, IBS_RED_ROUNDED_BORDER, IBS_BLACK_ROUNDED_BAR, IBS_ALWAYS_BLACK_ROUNDED_BAR,
       IBS_DK_GRAY_ROUNDED_BAR},
      {IBS_LT_GRAY_ROUNDED_BAR, IBS_WHITE_ROUNDED_BAR, IBS_ALWAYS_WHITE_ROUNDED_BAR, IBS_BLACK_BAR,
       IBS_ALWAYS_BLACK_BAR},
      {IBS_DK_GRAY_BAR, IBS_LT_GRAY_BAR, IBS_WHITE_BAR, IBS_ALWAYS_WHITE_BAR, IBS_SEMITRANSPARENT_WHITE_BAR},
      {IBS_SEMITRANSPARENT_WHITE_ROUNDED_BAR, IBS_SEMITRANSPARENT_GRAY_ROUNDED_BORDER, IBS_NONE,
       IBS_GRAY_ROUNDED_BORDER_SANS_BACKGROUND, IBS_RED_BAR},
  };
  for (int r = 0; r < 4; ++r) {
    std::vector<U16> pic;
    DrawRow(rows[r], &pic);
    const std::string name = "readouts/row_styles_" + std::to_string(r + 1);
    ExpectMatchesGolden(pic.data(), 800, 105, 800, name.c_str());
  }
}

}  // namespace
