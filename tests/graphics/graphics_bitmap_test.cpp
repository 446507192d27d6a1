// Drawing surfaces, single pixels and the colour table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "lsvc/lsvc.h"
#include "source/graphics/g_bitmap.h"
#include "tests/support/graphics_canvas.h"

namespace {

TEST(GraphicsBitmap, CreatedBitmapHasEvenPitchAndAlignedOwnedBuffer) {
  struct Case {
    S32 w, h;
    U32 pitch, rows;
  } cases[] = {{800, 600, 800, 600}, {5, 3, 6, 4}, {1, 1, 2, 2}, {17, 10, 18, 10}};
  for (const Case& c : cases) {
    BITMAP* b = G_BUFFERS_pCreateBitmap(c.w, c.h, nullptr, nullptr);
    ASSERT_NE(nullptr, b);
    ASSERT_NE(nullptr, b->pBuffer) << c.w << "x" << c.h;
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(b->pBuffer) % 4);
    EXPECT_EQ(c.pitch, b->__u32PixelWidthOfBuffer);
    EXPECT_EQ(c.rows, b->__u32PixelHeightOfBuffer);
    EXPECT_EQ(c.w, b->pixels_wide);
    EXPECT_EQ(c.h, b->pixels_high_full_screen);
    EXPECT_EQ(0, b->s32ClipLeft);
    EXPECT_EQ(0, b->s32ClipBottom);
    EXPECT_EQ(c.w - 1, b->s32ClipRight);
    EXPECT_EQ(c.h - 1, b->s32ClipTop);
    EXPECT_EQ(c.w - 1, b->s32ClipRight_full_screen);
    EXPECT_EQ(c.h - 1, b->s32ClipTop_full_screen);
    // The whole pixel area is writable.
    std::memset(b->pBuffer, 0xAB, (size_t)c.pitch * c.rows * 2);
    G_BUFFERS_vFreeBitmap(b);
  }
}

TEST(GraphicsBitmap, BitmapLargerThanAnyMemoryBlockHasNoBuffer) {
  testing::internal::CaptureStdout();
  BITMAP* b = G_BUFFERS_pCreateBitmap(1024, 768, nullptr, nullptr);
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(nullptr, b->pBuffer);
  EXPECT_NE(std::string::npos, out.find("1024 x 768 bitmap does not fit")) << out;
  G_BUFFERS_vFreeBitmap(b);
}

TEST(GraphicsBitmap, FullScreenHeaderHasNoBufferAndCallerHeaderIsFilled) {
  BITMAP* h = G_BUFFERS_pCreateFullScreenBitmapHeader();
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(nullptr, h->pBuffer);
  EXPECT_EQ(800u, h->__u32PixelWidthOfBuffer);
  EXPECT_EQ(599, h->s32ClipTop);
  G_BUFFERS_vFreeFullScreenBitmapHeader(h);

  BITMAP mine{};
  U32 buffer[4 * 2 / 2];
  EXPECT_EQ(&mine, G_BUFFERS_pCreateBitmap(4, 2, &mine, buffer));
  EXPECT_EQ(buffer, mine.pBuffer);
}

TEST(GraphicsBitmap, LogicalRowsCountFromTheBottom) {
  BITMAP* b = G_BUFFERS_pCreateFullScreenBitmap();
  ASSERT_NE(nullptr, b->pBuffer);
  COLOR* p = G_BITMAP_pPixels(b);
  G_PIXEL_vPut(b, 0, 0, 0x1234);
  G_PIXEL_vPut(b, 0, 599, 0x5678);
  EXPECT_EQ(0x1234, p[800 * 599]);
  EXPECT_EQ(0x5678, p[0]);
  EXPECT_EQ(0x1234, G_PIXEL_colorGetPhysicalPixel(b, 0, 599));
  G_PIXEL_vPutDirect(b, 3, 2, 0x4321);
  EXPECT_EQ(0x4321, p[3 + 2 * 800]);
  G_BUFFERS_vFreeFullScreenBitmap(b);
}

TEST(GraphicsBitmap, OddWidthRowsLiePitchApart) {
  Canvas c(5, 4);
  G_PIXEL_vPut(c.bmp(), 0, 2, 0x00FF);
  G_PIXEL_vPut(c.bmp(), 0, 1, 0xFF00);
  COLOR* p = G_BITMAP_pPixels(c.bmp());
  // Row of y = 2 is buffer row 1, row of y = 1 buffer row 2.
  EXPECT_EQ(0x00FF, p[6]);
  EXPECT_EQ(0xFF00, p[12]);
}

TEST(GraphicsBitmap, PixelClipIsInclusiveOnAllFourSides) {
  Canvas c(20, 20);
  c.clip(3, 4, 10, 12);
  const struct {
    int x, y;
    bool written;
  } cases[] = {
      {3, 4, true}, {10, 12, true}, {3, 12, true}, {10, 4, true}, {2, 4, false},
      {11, 4, false}, {3, 3, false}, {3, 13, false}, {-1, -1, false},
  };
  for (const auto& k : cases) {
    c.clear(0);
    G_PIXEL_vPut(c.bmp(), k.x, k.y, 0xFFFF);
    EXPECT_EQ(k.written ? 1u : 0u, c.written().size()) << k.x << "," << k.y;
    c.clear(0);
    G_PIXEL_vPutAlpha(c.bmp(), k.x, k.y, 0xFFFF, 100);
    EXPECT_EQ(k.written ? 1u : 0u, c.written().size()) << "alpha " << k.x << "," << k.y;
  }
}

TEST(GraphicsBitmap, AlphaWeightsTheOldPixel) {
  const struct {
    COLOR colour, old;
    U8 alpha;
    COLOR expected;
  } cases[] = {
      {0xFFFF, 0x0000, 128, 0x7BEF},  // red 15, green 31, blue 15
      {0xFFFF, 0x0000, 0, 0xFFFF},    // 0 writes the colour unchanged
      {0x1234, 0xFFFF, 0, 0x1234},
      {0x0000, 0xFFFF, 255, 0xF7DE},  // almost only the old pixel: 30, 62, 30
      {0xF800, 0x001F, 64, 0xB807},   // red 23, blue 7
  };
  for (const auto& k : cases) {
    Canvas c(2, 2, k.old);
    G_PIXEL_vPutAlpha(c.bmp(), 1, 1, k.colour, k.alpha);
    EXPECT_EQ(k.expected, c.at(1, 1)) << std::hex << k.colour << " over " << k.old << " alpha " << std::dec
                                      << (int)k.alpha;
  }
}

class GraphicsColorTable : public ::testing::Test {
 protected:
  void SetUp() override { COLOR_vResetColorTable(); }
  void TearDown() override { COLOR_vResetColorTable(); }
};

TEST_F(GraphicsColorTable, InitialEntries) {
  const struct {
    int index;
    COLOR colour;
  } cases[] = {{0, 0xFFFF}, {1, 0xB6DF}, {32, 0x0000}, {35, 0xFFFF}, {80, 0x0000}, {148, 0x0000},
               {166, 0x236A}, {200, 0xB6C0}, {231, 0xD5BF}, {255, 0xFFFF}};
  for (const auto& k : cases) EXPECT_EQ(k.colour, gCOLOR_pcolColorTable[k.index]) << k.index;
}

TEST_F(GraphicsColorTable, SectionsSetFetchAndCopyUpwardEntryByEntry) {
  const COLOR mine[3] = {0x1111, 0x2222, 0x3333};
  COLOR_vSetColorTableSection(10, 3, mine);
  COLOR back[3] = {};
  COLOR_vFetchColorTableSection(10, 3, back);
  EXPECT_EQ(0, std::memcmp(mine, back, sizeof mine));

  COLOR_vCopyColorTableSection(10, 11, 3);
  for (int i = 10; i <= 13; ++i) EXPECT_EQ(0x1111, gCOLOR_pcolColorTable[i]) << i;

  // A count of 0 copies nothing; a section past the end is cut to the table.
  COLOR_vSetColorTableSection(20, 0, mine);
  EXPECT_EQ(0x25A0, gCOLOR_pcolColorTable[20]);
  COLOR_vSetColorTableSection(255, 3, mine);
  EXPECT_EQ(0x1111, gCOLOR_pcolColorTable[255]);
}

TEST_F(GraphicsColorTable, PalettesAndAutopilotColours) {
  gCOLOR_pcolColorTable[166] = 0;
  COLOR_vSetPOSPalette();
  EXPECT_EQ(0x236A, gCOLOR_pcolColorTable[166]);
  gCOLOR_pcolColorTable[166] = 0;
  COLOR_vSetStandardPalette();
  EXPECT_EQ(0x236A, gCOLOR_pcolColorTable[166]);

  EXPECT_EQ(0x07FF, COLOR_vGetKeelarColorDef(KLCOLOR_FTC_OPTION2));
  EXPECT_EQ(0x9000, COLOR_vGetKeelarColorDef(KLCOLOR_RED));
  EXPECT_EQ(0x0000, COLOR_vGetKeelarColorDef(23));
  EXPECT_EQ(0x0000, COLOR_vGetKeelarColorDef((U32)-1));
}

}  // namespace
