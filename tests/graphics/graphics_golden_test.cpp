// A test page that uses every drawing primitive, compared with its golden
// picture pixel for pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "source/core/dd_util.h"
#include "source/graphics/g_arc.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_circle.h"
#include "source/graphics/g_image.h"
#include "source/graphics/g_line.h"
#include "source/graphics/u_poly.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/golden.h"

namespace {

constexpr int W = 400, H = 300;

COLOR Table(int index) { return gCOLOR_pcolColorTable[index]; }

// A 24 x 16 run-length picture: stripes of colour with runs.
std::vector<U16> Stripes() {
  std::vector<U16> out;
  const COLOR colours[4] = {0xF800, 0xFFE0, 0x07E0, 0x001F};
  for (int y = 0; y < 16; ++y) {
    out.push_back(colours[(y / 4) % 4]);
    out.push_back(0xFFFF);
    out.push_back(11);
    out.push_back(0xFFFF);  // an empty run
    out.push_back(0);
    out.push_back((COLOR)(0x0841 * (y + 1)));
    out.push_back(0xFFFF);
    out.push_back(11);
  }
  return out;
}

// A 32 x 32 plain IMAGE32: a disc whose alpha falls from the centre, over a
// transparent background.
std::vector<IMAGE32_ELEMENT> Disc() {
  std::vector<IMAGE32_ELEMENT> out;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const double d = std::hypot(x - 15.5, y - 15.5);
      const U8 alpha = d > 15.5 ? 0 : (U8)std::min(255.0, (15.5 - d) * 40.0);
      out.push_back(IMAGE32_ELEMENT{(U8)(x * 8), 96, (U8)(255 - y * 8), alpha});
    }
  return out;
}

// The same picture with runs where a row repeats one element.
std::vector<IMAGE32_ELEMENT> Bar() {
  std::vector<IMAGE32_ELEMENT> out;
  for (int y = 0; y < 40; ++y) {
    out.push_back(IMAGE32_ELEMENT{(U8)(200 - y * 4), (U8)(y * 6), 40, 255});
    out.push_back(IMAGE32_ELEMENT{IMAGE32_RUN_RED, 9, 0, 0});
    out.push_back(IMAGE32_ELEMENT{255, 255, 255, 96});
    out.push_back(IMAGE32_ELEMENT{IMAGE32_RUN_RED, 3, 0, 0});
  }
  return out;
}

void vDrawPage(Canvas& c) {
  BITMAP* b = c.bmp();
  G_BMP_vSet(b, 0x10A2);

  // Lines: a star of every slope class, straight and alpha runs, patterns.
  for (int k = 0; k < 16; ++k) {
    const double a = k * M_PI / 8;
    G_LINE_vDraw(b, Table(36 + (k % 6)), Pt(60, 240), Pt(60 + (int)std::lround(50 * std::cos(a)),
                                                         240 + (int)std::lround(45 * std::sin(a))));
  }
  G_LINE_vDraw(b, 0xFFFF, Pt(-20, 180), Pt(130, 290));  // clipped by the left edge
  for (int k = 0; k < 6; ++k) G_LINE_vDrawAlpha(b, 0xFFFF, Pt(5, 182 - 3 * k), Pt(120, 182 - 3 * k), (U8)(40 * k));
  for (int k = 0; k < 4; ++k) G_LINE_vDrawAlpha(b, 0xFFE0, Pt(125 + 3 * k, 160), Pt(125 + 3 * k, 290), (U8)(60 * k));
  const U16 patterns[4] = {0xF0F0, 0xAAAA, 0xFF00, 0xE4E4};
  for (int k = 0; k < 4; ++k) {
    POINT a = Pt(145, 290 - 4 * k), z = Pt(260, 290 - 4 * k);
    G_LINE_vDrawPatterned(b, 0x07FF, &a, &z, patterns[k]);
    POINT v1 = Pt(145 + 4 * k, 268), v2 = Pt(145 + 4 * k, 200);
    G_LINE_vDrawPatterned(b, 0xF81F, &v1, &v2, patterns[k]);
  }

  // A band of columns into a bitmap of its own and back onto the right side.
  Canvas band(40, H);
  G_BMP_vCopyRegion(b, band.bmp(), 20, 0, 40);
  G_BMP_vCopyRegion(band.bmp(), b, 0, 355, 40);

  // Pixels, plain and blended.
  for (int k = 0; k < 32; ++k) {
    G_PIXEL_vPut(b, 170 + k, 250, Table(k));
    G_PIXEL_vPutAlpha(b, 170 + k, 246, 0xFFFF, (U8)(k * 8));
  }

  // Boxes.
  G_BOX_vDraw(b, 0xFFFF, Pt(270, 250), 40, 40);
  G_BOX_vDrawFilled(b, Table(58), Pt(275, 255), 30, 30);
  G_BOX_vDrawAlpha(b, 0xFFFF, Pt(280, 260), 20, 20, 128);
  G_BOX_vDrawFilledAlpha(b, 0xF800, Pt(290, 240), 40, 30, 100);
  G_BOX_vDrawRounded(b, 0xFFE0, Pt(225, 185), 60, 45, 10);
  G_BOX_vDrawRoundedAlpha(b, 0xFFFF, Pt(230, 190), 50, 35, 6, 64);
  G_BOX_vDrawRoundedFilled(b, Table(43), Pt(235, 195), 40, 25, 8);
  G_BOX_vDrawRoundedFilledAlpha(b, 0x07E0, Pt(270, 180), 50, 50, 12, 140);
  G_BOX_vDrawRoundedFilled(b, 0xFFFF, Pt(200, 200), 9, 9, 4);

  // Circles and arcs.
  G_CIRCLE_vDraw(b, 0xFFFF, Pt(40, 110), 60);
  G_CIRCLE_vDrawFilled(b, Table(59), Pt(40, 110), 41);
  G_CIRCLE_vDraw(b, 0xFFE0, Pt(395, 150), 40);  // pressed onto the last column
  G_CIRCLE_vDrawWithNoBound(b, 0xF800, Pt(395, 100), 40);
  G_ARC_vDraw(b, 0xF800, Pt(120, 110), 30, 10.0f, 80.0f);
  G_ARC_vDraw(b, 0x07E0, Pt(120, 110), 25, 80.0f, 10.0f);
  G_ARC_vDraw(b, 0xFFE0, Pt(120, 110), 20, 400.0f, 420.0f);
  G_ARC_vDraw(b, 0x07FF, Pt(120, 110), 15, 200.0f, 340.0f);

  // Pictures.
  const std::vector<U16> stripes = Stripes();
  IMAGE img16{stripes.data(), nullptr, 24, 16, 5};
  G_IMAGE_vPut(b, &img16, Pt(160, 140));
  G_IMAGE_PART_vPutNew(b, &img16, Pt(190, 140), 1.0f, 0.5f);
  const std::vector<IMAGE32_ELEMENT> disc = Disc();
  IMAGE32 img32{disc.data(), nullptr, 32, 32, 5};
  G_IMAGE32_vPutRotated(b, &img32, Pt(250, 160), Pt(16, 16), 0.0);
  G_IMAGE32_vPutRotated(b, &img32, Pt(290, 160), Pt(4, 16), 0.6);
  const std::vector<IMAGE32_ELEMENT> bar = Bar();
  IMAGE32 bar32{bar.data(), nullptr, 14, 40, 5};
  G_IMAGE32_vPut(b, &bar32, Pt(220, 100));
  G_IMAGE32_PART_vPutNew(b, &bar32, Pt(240, 100), 1.0f, 0.6f);
  G_IMAGE32_vPutOld(b, reinterpret_cast<const struct tag_ICON*>(&bar32), Pt(260, 100));
  G_IMAGE32_vPutCondition(b, &bar32, Pt(280, 100), 20, 30.0f, 120.0f, Pt(287, 100), 1);
  G_IMAGE32_PART_vPut(b, &bar32, Pt(300, 100), Pt(307, 120), 30);
  G_IMAGE32_vPut(b, &bar32, Pt(392, 10));  // cut by the right edge

  // Polygon clipped into a frame and drawn as an outline.
  G_BOX_vDraw(b, 0x8C94, Pt(160, 20), 90, 60);
  std::vector<POINT> poly = {Pt(150, 30), Pt(200, 95), Pt(270, 50), Pt(210, 5), Pt(150, 30)};
  poly.resize(VERTEX_LIST_MAX);
  const S32 n = U_POLY_nClip(160, 249, 79, 20, poly.data(), 5);
  for (S32 k = 0; k + 1 < n; ++k) G_LINE_vDraw(b, 0xFFE0, poly[k], poly[k + 1]);

  // Copies: logical placement, and an upright copy from physical rows with a
  // transparent colour.
  G_BMP_vPlaceLogicalOnLogical(b, Pt(300, 20), b, Pt(20, 80), 60, 60);
  G_BMP_vCopyPhysicalToLogical(b, Pt(10, 10), b, Pt(160, 150), 48, 30, 0x10A2);

  // The chroma-key merge over the page's first 16 rows.
  std::vector<U16> keyed(c.pixels.begin(), c.pixels.begin() + W * 16);
  for (int i = 0; i < W * 16; i += 3) keyed[i] = G_CHROMA_KEY;
  std::vector<U16> under(W * 16, 0x4208);
  Neon_ChromaBlit16(c.pixels.data(), under.data(), keyed.data(), W * 16, G_CHROMA_KEY);
}

TEST(GraphicsGolden, TestPageOfEveryPrimitive) {
  COLOR_vResetColorTable();
  Canvas c(W, H);
  vDrawPage(c);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "graphics/test_page");
}

}  // namespace
