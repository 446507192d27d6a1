// The temperature chart: the readings kept by the column builder (newest
// first, -300 for a column without one) drawn as short vertical dashes over
// a band that follows the temperature in steps of whole degrees.
#include "source/history/s_tempchart.h"

#include <cstdio>

#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_line.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/history/s_columns.h"
#include "source/ui/t_info.h"

namespace {

constexpr U32 kFillEntry = 128;
constexpr U32 kTextEntry = 131;
constexpr U32 kLabelAlphas = 0x8C8C56;
constexpr F32 kNoReading = -300.0f;
constexpr U32 kReadings = 800;

// The band drawn last (view task only).
TEMPERATURE_BAND s_Band = {0, 0};

COLOR entry(U32 k) { return gCOLOR_pcolColorTable[k]; }

void vLine(BITMAP* b, U32 k, S32 x0, S32 y0, S32 x1, S32 y1) { G_LINE_vDraw(b, entry(k), POINT{x0, y0}, POINT{x1, y1}); }

// A temperature label ("%d" and the degree sign) on a box 16 high.
void vLabel(BITMAP* pBitmap, S32 x, S32 y, S32 s32Degrees) {
  const FONT_DEF* font = std_11x14_font_def_ptr.load();
  char text[16];
  snprintf(text, sizeof text, "%d\xBA", (int)s32Degrees);
  const U32 w = G_STRING_u32GetWidth(font, text);
  G_BOX_vDrawFilledAlpha(pBitmap, entry(kFillEntry), POINT{x, y}, w + 4, 16,
                         T_INFO_u8ConvertAlphaVector(kLabelAlphas));
  POINT at{x + 2, y + 1 + (S32)G_FONTS_u32GetDescenderHeight(font)};
  G_STRING_vPut(pBitmap, entry(kTextEntry), &at, font, text);
}

}  // namespace

void S_TEMPCHART_vReset(void) { s_Band = {0, 0}; }

TEMPERATURE_BAND S_TEMPCHART_Band(TEMPERATURE_BAND previous, F32 fNewest, F32 fMin, F32 fMax, S32 s) {
  const BOOLEAN bInside = fNewest >= (F32)previous.s32Lower && fNewest <= (F32)previous.s32Upper;
  if (bInside && previous.s32Upper - previous.s32Lower == s) return previous;
  TEMPERATURE_BAND b{};
  const S32 d = (S32)(fMax - fMin);
  if (s < d) {
    b.s32Upper = (S32)(fNewest + (F32)(s / 2));
    b.s32Lower = (S32)(fNewest - (F32)(s / 2));
  } else if (d < s) {
    const S32 pad = ((s - d) * 10) / 2;
    b.s32Lower = ((S32)(fMin * 10.0f) - pad) / 10;
    b.s32Upper = (pad + (S32)(fMax * 10.0f)) / 10;
    if (b.s32Upper - b.s32Lower != s) b.s32Lower = b.s32Upper - s;
  } else {
    b.s32Upper = (S32)fMax;
    b.s32Lower = (S32)fMin;
  }
  return b;
}

void T_N_HISTORY_vDrawTemperatureChart(BITMAP* pBitmap, POINT pt, U32 u32Width, U32 u32Height) {
  const TEMPERATURE_RECORD* t = S_COLUMNS_pTemperature();
  if (pBitmap == nullptr || t->bInitialCycle) return;
  S_TEMPCHART_vDraw(pBitmap, pt, u32Width, u32Height, t->fReading, kReadings, t->fMin, t->fMax);
}

void S_TEMPCHART_vDraw(BITMAP* pBitmap, POINT pt, U32 u32Width, U32 u32Height, const F32* pfReadings,
                       U32 u32Readings, F32 fMin, F32 fMax) {
  if (pBitmap == nullptr || pfReadings == nullptr || u32Readings == 0) return;
  DB_ATTRIBUTES attributes{};
  DB_DATA_TYPE value{};
  DATA_TYPE type = D_TEMPERATURE;
  if (H_DATABASE_bFetch(FCID("ITMP"), &value, nullptr, &attributes)) type = attributes.DataType;
  const UNIT_TYPE unit = H_DATABASE_CurrentUnits(type);
  const S32 s = unit == U_FAHRENHEIT ? 20 : 10;
  auto display = [&](F32 v) { return (F32)dConvertFromInternal(v, type, unit); };
  // A column without a reading keeps the band as it is.
  if (pfReadings[0] != kNoReading || s_Band.s32Upper - s_Band.s32Lower != s) {
    s_Band = S_TEMPCHART_Band(s_Band, display(pfReadings[0]), display(fMin), display(fMax), s);
  }
  const S32 lower = s_Band.s32Lower, upper = s_Band.s32Upper;
  const BOOLEAN bBoxes = T_INFO_nBoxWidth_SonarView(pt.y - 15, pt.y) != 0;
  const S32 x0 = pt.x + (bBoxes ? 168 : 2);
  const S32 newestX = u32Width == 800 ? 799 : pt.x + (S32)u32Width;
  // Width + 1 readings, but never more than are kept.
  U32 n = u32Width + 1;
  if (n > u32Readings) n = u32Readings;
  const S32 perDegree = (S32)u32Height / s;
  for (U32 i = u32Width == 800 ? 0 : 1; i < n; ++i) {
    const S32 x = newestX - (S32)i;
    if (bBoxes ? (x >= 162 && x <= 179) : x <= 17) continue;
    const F32 r = pfReadings[i];
    if (r == kNoReading) continue;
    const S32 tenths = (S32)(display(r) * 10.0f);
    if (tenths <= 10 * lower || tenths >= 10 * upper) continue;
    const S32 y = pt.y + (tenths - 10 * lower) * perDegree / 10 + 5;
    vLine(pBitmap, kFillEntry, x, y, x, y);
    vLine(pBitmap, kTextEntry, x, y - 4, x, y - 1);
    vLine(pBitmap, kFillEntry, x, y - 5, x, y - 5);
  }
  G_BOX_vDrawFilled(pBitmap, entry(kTextEntry), POINT{x0, pt.y}, 10, 2);
  for (const S32 tick : {10, 20, 30, 40}) {
    G_BOX_vDrawFilled(pBitmap, entry(kTextEntry), POINT{x0, pt.y + tick}, tick % 20 == 0 ? 10 : 5, 2);
  }
  const S32 core = (S32)G_FONTS_u32GetCoreHeight(std_11x14_font_def_ptr.load());
  vLabel(pBitmap, x0 + 12, pt.y - core - 2, lower);
  vLabel(pBitmap, x0 + 12, pt.y + 42, upper);
}
