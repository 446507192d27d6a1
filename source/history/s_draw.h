// Drawing routines shared by the sonar views.
#pragma once

#include "common/db_types.h"
#include "common/view_types.h"
#include "source/history/s_history.h"

// The region the sonar cursor may move in; set by the draw callbacks.
extern WINDOW_LOCATION CursorWindow;

struct DEPTH_LINE {
  S32 s32Y;
  char acLabel[16];
};
// A depth label from a value in tenths of a digit: "125" → "12.5",
// "5" → "0.5", "120" → "12".
void S_DRAW_vDepthLabel(U32 u32Tenths, char* pcText);
// The depth lines of a window: their y and labels; returns how many.
U32 S_DRAW_u32DepthLines(U32 u32DepthLines, U32 u32Height, U32 u32TopOffset, U32 u32UpperDigits,
                         U32 u32LowerDigits, DEPTH_LINE* pLines);
void vDrawDepthLines(BITMAP* pBitmap, U32 u32DepthLines, U32 u32LeftPixel, U32 u32RightPixel, U32 u32Height,
                     U32 u32TopOffset, U32 u32UpperDigits, U32 u32LowerDigits);
void vDrawDepthScale(BITMAP* pBitmap, U32 u32RightPixel, U32 u32UpperDigits, U32 u32LowerDigits, U32 u32Height,
                     U32 u32TopOffset, BOOLEAN bManualFlag, BOOLEAN bSuppressDivider);
void vDrawSonarWindow(BITMAP* pBitmap, SONAR_WINDOW* pWindow, U32 u32LeftPixel, U32 u32RightPixel, U32 u32Height,
                      UNIT_TYPE unitsDepth, U32 u32DepthLines, BOOLEAN bFishID, BOOLEAN bDrawScale);
void vDrawAScopeRTS(BITMAP* pBitmap, const U8* pu8DirectData, U32 u32XOffset, U32 u32Width);
void S_DRAW_vRealTimeStrip(BITMAP* pBitmap, const SONAR_VIEW_INFO& info, const SONAR_WINDOW& w, U32 u32Left,
                           U32 u32Height, BOOLEAN bFullScreen);
// The colour bar at the right edge for a window of height H above a
// readout row of R; *pX becomes its left edge.
void S_DRAW_vColourBar(BITMAP* pBitmap, U32 R, U32 H, U32* pX);
// The real-time strip's amplitudes of the beam's latest ping.
void S_DRAW_vRtsData(BEAM Beam, U8* pu8Destination, U32 u32FirstSample, U32 u32Samples, U32 u32Size);
// The 2D beams of a transducer type for the 2D source, masked with the
// model's beams.
U32 S_DRAW_u32LowBeams(U8 u8Transducer);
