// Sonar palettes: the 2D palette and background in colour-table entries
// 0-31, the imaging palette in 200-231, and the blend functions through
// which beams 0-3 enter the combined windows.
#include <array>

#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/history/s_history.h"

std::atomic<COLOR> s_colorFrequencyIndicator{0x424A};

namespace {

using PALETTE = std::array<COLOR, 32>;

struct ANCHOR {
  U32 index;
  COLOR colour;
};

// A palette through its anchor entries, each RGB565 channel interpolated in
// a straight line between neighbouring anchors (rounded to nearest).
template <size_t N>
constexpr PALETTE paletteFrom(const ANCHOR (&a)[N]) {
  PALETTE p{};
  for (size_t k = 0; k + 1 < N; ++k) {
    const U32 i0 = a[k].index, i1 = a[k + 1].index;
    for (U32 i = i0; i <= i1; ++i) {
      const U32 span = i1 - i0, t = i - i0;
      auto mix = [&](U32 c0, U32 c1) { return (c0 * (span - t) * 2 + c1 * t * 2 + span) / (2 * span); };
      p[i] = G_COLOR_Pack(mix(G_COLOR_u32Red(a[k].colour), G_COLOR_u32Red(a[k + 1].colour)),
                          mix(G_COLOR_u32Green(a[k].colour), G_COLOR_u32Green(a[k + 1].colour)),
                          mix(G_COLOR_u32Blue(a[k].colour), G_COLOR_u32Blue(a[k + 1].colour)));
    }
  }
  return p;
}

constexpr PALETTE rampDown(COLOR first, COLOR step) {
  PALETTE p{};
  for (U32 i = 0; i < 32; ++i) p[i] = (COLOR)(first - step * i);
  return p;
}

constexpr PALETTE reversed(const PALETTE& in) {
  PALETTE p{};
  for (U32 i = 0; i < 32; ++i) p[i] = in[31 - i];
  return p;
}

constexpr ANCHOR kRedToPurple[] = {{0, 0xFFFF}, {1, 0x0000}, {8, 0x5012}, {16, 0xF000}, {24, 0xFC60}, {31, 0xFFE0}};
constexpr ANCHOR kYellowToNavy[] = {{0, 0xFFFF}, {1, 0x1003}, {8, 0x2810}, {16, 0x0500}, {24, 0xA7E0}, {31, 0xFFE0}};
constexpr ANCHOR kRedToNavy[] = {{0, 0xFFFF}, {1, 0x0009}, {8, 0x03EF}, {16, 0x7FE0}, {24, 0xFD60}, {31, 0x9000}};
constexpr ANCHOR kPalette4[] = {{0, 0xFFFF}, {1, 0x07FF}, {8, 0x0550}, {16, 0x9740}, {24, 0xFDC0}, {31, 0xA800}};
constexpr ANCHOR kSideGreen[] = {{0, 0xFFFF}, {8, 0xE7E0}, {16, 0x0780}, {24, 0x03C0}, {31, 0x0000}};
constexpr ANCHOR kSideBrown[] = {{0, 0xFFFF}, {8, 0xC4C0}, {16, 0x8320}, {24, 0x4180}, {31, 0x0000}};
constexpr ANCHOR kSideBlue[] = {{0, 0xFFBF}, {8, 0xBDDD}, {16, 0x7BD6}, {24, 0x39CE}, {31, 0x0008}};
constexpr ANCHOR kSideAmber1[] = {{0, 0xFFFF}, {8, 0xEE60}, {16, 0xDCE0}, {24, 0x8220}, {31, 0x1020}};
constexpr ANCHOR kSideAmber2[] = {{0, 0xFFFF}, {8, 0xEE60}, {16, 0xFCE0}, {24, 0xCA20}, {31, 0x0000}};

constexpr PALETTE grayInv() {
  PALETTE p{};
  p[0] = 0xFFFF;
  for (U32 i = 1; i < 32; ++i) p[i] = (COLOR)(0x0841 * (i - 1));
  return p;
}
constexpr PALETTE green() {
  PALETTE p{};
  for (U32 i = 0; i < 32; ++i) p[i] = (COLOR)(0x0040 * i);
  return p;
}
constexpr PALETTE greenRed() {
  PALETTE p{};
  for (U32 i = 0; i < 32; ++i) p[i] = i < 16 ? 0xF800 : (i < 31 ? 0x07E0 : 0x0000);
  return p;
}

constexpr PALETTE acSonarPaletteRedToPurple = paletteFrom(kRedToPurple);
constexpr PALETTE acSonarPaletteYellowToNavy = paletteFrom(kYellowToNavy);
constexpr PALETTE acSonarPaletteRedToNavy = paletteFrom(kRedToNavy);
constexpr PALETTE acSonarPalette4 = paletteFrom(kPalette4);
constexpr PALETTE acSonarPaletteGray = rampDown(0xFFDF, 0x0841);
constexpr PALETTE acSonarPaletteGrayInv = grayInv();
constexpr PALETTE acSonarPaletteGreen = green();

constexpr PALETTE acSideScanPaletteInv = acSonarPaletteGray;
constexpr PALETTE acSideScanPaletteGray = reversed(acSonarPaletteGray);
constexpr PALETTE acSideScanPaletteGreen = paletteFrom(kSideGreen);
constexpr PALETTE acSideScanPaletteInverseBrown = paletteFrom(kSideBrown);
constexpr PALETTE acSideScanPaletteBlue = paletteFrom(kSideBlue);
constexpr PALETTE acSideScanPaletteAmber1 = paletteFrom(kSideAmber1);
constexpr PALETTE acSideScanPaletteAmber2 = paletteFrom(kSideAmber2);
constexpr PALETTE acSideScanPaletteGreenRed = greenRed();

const PALETTE* const s_apImaging[8] = {&acSideScanPaletteInv,          &acSideScanPaletteGray,
                                       &acSideScanPaletteGreen,        &acSideScanPaletteInverseBrown,
                                       &acSideScanPaletteBlue,         &acSideScanPaletteAmber1,
                                       &acSideScanPaletteAmber2,       &acSideScanPaletteGreenRed};

}  // namespace

const COLOR* S_PALETTE_pc2D(U32 u32SonarPalette) {
  switch (u32SonarPalette) {
    case 2:
      return acSonarPaletteYellowToNavy.data();
    case 3:
      return acSonarPaletteRedToNavy.data();
    case 4:
      return acSonarPalette4.data();
    case 5:
      return acSonarPaletteGray.data();
    case 6:
      return acSonarPaletteGrayInv.data();
    case 7:
      return acSonarPaletteGreen.data();
    default:
      return acSonarPaletteRedToPurple.data();
  }
}

const COLOR* S_PALETTE_pcImaging(U32 u32Color) {
  return u32Color >= 1 && u32Color <= 8 ? s_apImaging[u32Color - 1]->data() : nullptr;
}

void S_PALETTE_vLoad2D(U32 u32SonarPalette, U32 ePalette) {
  COLOR_vSetColorTableSection(0, 32, S_PALETTE_pc2D(u32SonarPalette));
  COLOR background = 0xFFFF, indicator = 0x424A;
  if (ePalette == 2) {
    background = 0x2815;
    indicator = 0x8C94;
  } else if (ePalette == 3) {
    background = 0x0000;
    indicator = 0x8C94;
  }
  BackGroundColor.store(background);
  s_colorFrequencyIndicator.store(indicator);
  gCOLOR_pcolColorTable[0] = background;
}

void T_N_HISTORY_vSet2DColorTable(U32 ePalette) {
  U32 sspl = 1;
  (void)H_DATABASE_bFetchU32(FCID("SSPL"), &sspl);
  S_PALETTE_vLoad2D(sspl, ePalette);
}

BOOLEAN T_N_HISTORY_vSetSonarColorTable(U32 u32Color) {
  const COLOR* p = S_PALETTE_pcImaging(u32Color);
  if (p == nullptr) return FALSE;
  COLOR_vSetColorTableSection(SONAR_COLOR_IMAGING_FIRST, 32, p);
  return TRUE;
}

U32 S_PALETTE_u32Blend200Limit(void) {
  const U32 c = g_u32SpeedOfSoundInWater.load();
  return c == 0 ? 0 : (440000000u / c + 13) / 26;
}

COLOR colorBlend83(COLOR colour, U32, BOOLEAN bNoiseTooHigh) {
  return bNoiseTooHigh ? BackGroundColor.load(std::memory_order_relaxed) : colour;
}

COLOR colorBlend200(COLOR colour, U32 u32Sample, BOOLEAN) {
  return u32Sample < S_PALETTE_u32Blend200Limit() ? colour : BackGroundColor.load(std::memory_order_relaxed);
}

COLOR colorBlendDILeft(COLOR colour, U32, BOOLEAN) { return colour; }
COLOR colorBlendDIRight(COLOR colour, U32, BOOLEAN) { return colour; }
