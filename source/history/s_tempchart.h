// The water-temperature trace across the top of a sonar window, with a small
// scale showing the lower and upper temperature of its band.
#pragma once

#include "common/g_types.h"
#include "common/types.h"

// Draws the recent temperatures (newest at the right) over a band of
// 10 display degrees (20 in Fahrenheit); pt is the chart's lower-left
// corner. Nothing while no reading has been taken yet.
void T_N_HISTORY_vDrawTemperatureChart(BITMAP* pBitmap, POINT pt, U32 u32TemperatureGraphWidth,
                                       U32 u32TemperatureGraphHeight);

// The band (whole display degrees) kept between draws.
struct TEMPERATURE_BAND {
  S32 s32Lower;
  S32 s32Upper;
};
// The band for the newest, lowest and highest temperature (display units)
// and the span s, starting from the band drawn last.
TEMPERATURE_BAND S_TEMPCHART_Band(TEMPERATURE_BAND previous, F32 fNewest, F32 fMin, F32 fMax, S32 s32Span);
// The chart from kept readings: pfReadings holds u32Readings values, the
// newest first (-300 none); fMin and fMax are their extremes (internal
// units). Never reads beyond u32Readings.
void S_TEMPCHART_vDraw(BITMAP* pBitmap, POINT pt, U32 u32Width, U32 u32Height, const F32* pfReadings,
                       U32 u32Readings, F32 fMin, F32 fMax);
// Forgets the band (the next draw builds it anew).
void S_TEMPCHART_vReset(void);
