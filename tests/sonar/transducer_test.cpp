// The transducer table's queries against the table's own examples.
#include <gtest/gtest.h>

#include <string>

#include "../support/db_test_env.h"
#include "source/core/h_database.h"
#include "source/sonar/s_transducer.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

struct SourceCase {
  U8 type;
  U16 source;
  U32 beams;
};

TEST(Transducer, BeamsBySource) {
  const SourceCase cases[] = {
      {2, SONAR_SOURCE_2D, 0x3},        {2, SONAR_SOURCE_DI, 0x100},       {2, SONAR_SOURCE_SI, 0x100},
      {16, SONAR_SOURCE_SI, 0x400},     {16, SONAR_SOURCE_360, 0x1000000}, {15, SONAR_SOURCE_DI, 0x300000},
      {15, SONAR_SOURCE_2D, 0x9},       {5, SONAR_SOURCE_SI, 0x1400},      {5, TEMP_SOURCE, 0x1405},
      {10, INVALID_SOURCE, 0xC03},      {0, SONAR_SOURCE_2D, 0},           {19, SONAR_SOURCE_2D, 0},
      {255, TEMP_SOURCE, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(S_TRANSDUCER_u32GetBeamsForTransducerAndSource(c.type, c.source), c.beams)
        << "type " << int(c.type) << " source " << c.source;
  }
  EXPECT_EQ(S_TRANSDUCER_u32GetBeamsForTransducer(18), 0x300005u);
  EXPECT_EQ(S_TRANSDUCER_u32GetBeamsForTransducer(19), 0u);
  EXPECT_EQ(S_TRANSDUCER_u32GetBeamsForTransducer(200), 0u);
}

TEST(Transducer, ModelDisplayAndSources) {
  EXPECT_EQ(S_TRANSDUCER_u32GetBeamsSupportedByModel(), 0x30010Fu);
  const struct {
    U8 type;
    U32 display;
    U32 sources;
    const char* name;
  } cases[] = {
      {16, 0, 0xC, "QX 360"},     {5, 0x5, 0x5, "Sidescan"},   {15, 0x300009, 0x3, "DI 200/455"},
      {6, 0x2, 0, "3D"},          {12, 0x3, 0x1, "Unknown"},   {0, 0, 0, "Unknown"},
      {19, 0, 0, "Unknown"},      {255, 0, 0, "Unknown"},      {10, 0x3, 0x5, "Hi-Def Sidescan"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(S_TRANSDUCER_u32GetBeamsToDisplay(c.type), c.display) << int(c.type);
    EXPECT_EQ(S_TRANSDUCER_u32GetSonarSources(c.type), c.sources) << int(c.type);
    EXPECT_STREQ(S_TRANSDUCER_pasGetTransducerName(c.type)[0], c.name) << int(c.type);
  }
  for (U8 type = 0; type < TRANSDUCER_TYPES; ++type) EXPECT_EQ(S_TRANSDUCER_psGetRow(type)->u8TransducerID, type);
  EXPECT_EQ(S_TRANSDUCER_psGetRow(TRANSDUCER_TYPES), nullptr);
}

TEST(Transducer, CapabilitySearchFindsTheLowestRow) {
  const struct {
    U32 mask;
    U8 type;
  } cases[] = {{0x3, 1}, {0x5, 4}, {0, 0}, {0x300009, 15}, {0x1000400, 16}, {0x7, 0}, {0x300005, 18}};
  for (const auto& c : cases) EXPECT_EQ(S_TRANSDUCER_u8GetTransducerByCapability(c.mask), c.type) << c.mask;
}

TEST(Transducer, FrequencyTexts) {
  const struct {
    U8 type;
    U8 source;
    const char* text;
  } cases[] = {
      {1, 0, "200/83"}, {15, 0, "200/455"}, {15, 1, "455/800"}, {2, 1, "455"}, {2, 2, "455"},
      {7, 0, "200"},    {5, 2, "/"},        {5, 0, "200/50"},   {16, 3, "455"}, {16, 4, "NONE"},
      {1, 9, "NONE"},   {6, 0, "/83"},      {0, 0, "/"},        {18, 1, "455/800"}, {30, 0, "/"},
  };
  for (const auto& c : cases) {
    const std::string text = S_TRANSDUCER_pbyteGetFrequencyString(c.type, c.source);
    EXPECT_EQ(text, c.text) << int(c.type) << "/" << int(c.source);
    EXPECT_LE(text.size(), 13u);
  }
}

TEST(Transducer, ElementBits) {
  EXPECT_EQ(S_TRANSDUCER_u32GetElementBit(0xF, TEMP_SOURCE), 0xFu);
  EXPECT_EQ(S_TRANSDUCER_u32GetElementBit(0xF, SONAR_SOURCE_SI), 0x4u);
  EXPECT_EQ(S_TRANSDUCER_u32GetElementBit(0x2, SONAR_SOURCE_2D), 0x0u);
  U32 selection = 0xF;
  S_TRANSDUCER_vUnsetElementBit(&selection, SONAR_SOURCE_SI);
  EXPECT_EQ(selection, 0xBu);
  S_TRANSDUCER_vUnsetElementBit(&selection, GPS_SOURCE);
  EXPECT_EQ(selection, 0xBu);
  S_TRANSDUCER_vSetElementBit(&selection, SONAR_SOURCE_360);
  EXPECT_EQ(selection, 0xBu);
  S_TRANSDUCER_vSetElementBit(&selection, SONAR_SOURCE_SI);
  EXPECT_EQ(selection, 0xFu);
  S_TRANSDUCER_vSetElementBit(&selection, RADAR_SOURCE);
  EXPECT_EQ(selection, 0xFu);
}

TEST(Transducer, SupportedList) {
  for (int type = 0; type < 256; ++type) {
    const bool expected = type == 15 || type == 17 || type == 4 || type == 1 || type == 2 || type == 18 || type == 0;
    EXPECT_EQ(S_TRANSDUCER_bIsSupportedTransducer((U8)type) != 0, expected) << type;
  }
}

// The selected type decides the kind of imaging; a missing selection is the
// default transducer and neither kind.
TEST(Transducer, SelectionQueries) {
  H_DATABASE_vInit();
  EXPECT_FALSE(S_TRANSDUCER_bIsNadscan());
  EXPECT_FALSE(S_TRANSDUCER_bIsLatscan());
  EXPECT_TRUE(S_TRANSDUCER_bIsDefaultTransducer());
  const struct {
    U32 ssts;
    bool nad, lat, def;
  } cases[] = {{16, false, true, false}, {17, true, false, false}, {15, true, false, true},
               {18, true, false, false}, {5, false, true, false},  {1, false, false, false}};
  for (const auto& c : cases) {
    H_DATABASE_bUpdateValueU32(FCID("SSTS"), c.ssts, P_NORMAL);
    EXPECT_EQ(S_TRANSDUCER_bIsNadscan() != 0, c.nad) << c.ssts;
    EXPECT_EQ(S_TRANSDUCER_bIsLatscan() != 0, c.lat) << c.ssts;
    EXPECT_EQ(S_TRANSDUCER_bIsDefaultTransducer() != 0, c.def) << c.ssts;
  }
  H_DATABASE_bUpdateValueU32(FCID("SSTD"), 1, P_NORMAL);
  EXPECT_TRUE(S_TRANSDUCER_bIsDefaultTransducer());
  H_DATABASE_bUpdateValueU32(FCID("CSFL"), 83, P_NORMAL);
  EXPECT_EQ(S_TRANSDUCER_u32LFBeamFrequencyHertz(), 83000u);
}

TEST(Transducer, StateStartsEmpty) {
  EXPECT_EQ(S_TRANSDUCER_fMaximumDepthRangeMetres(), 200.0f);
  EXPECT_EQ(S_TRANSDUCER_u8CurrentTransducer(0), 0);
  EXPECT_EQ(S_TRANSDUCER_u8CurrentTransducer(1), 0);
  S_TRANSDUCER_vSetCurrentTransducer(1, 15);
  EXPECT_EQ(S_TRANSDUCER_u8CurrentTransducer(1), 15);
  EXPECT_EQ(S_TRANSDUCER_u8CurrentTransducer(2), 0);
}

}  // namespace
