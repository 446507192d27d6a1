// Readouts: the readout task (the user's choice of what the readout boxes
// show, the digits format, the readout menus, the blink phase and the info
// colours), the readout boxes that format and draw one live value, and the
// info layers that put the row of boxes over the views.
#pragma once

#include "common/db_types.h"
#include "common/g_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_fonts.h"

// ------------------------------------------------------------ readout task
enum DIGITS_FORMAT : S32 {
  DONT_FORCE = 0,    // use the setting SFMT
  SMALL_TENTHS = 1,  // digits after the point in the smaller tenths font
  LARGE_TENTHS = 2,  // all digits in the value font
  NO_TENTHS = 3,     // no digits after the point where the format allows
};

// Colour-table entries of the readouts; 128-131 follow the palette (SPAL).
constexpr U32 INFO_COLOR_BACKGROUND = 128;
constexpr U32 INFO_COLOR_LIGHT = 129;
constexpr U32 INFO_COLOR_DARK = 130;
constexpr U32 INFO_COLOR_TEXT = 131;
constexpr U32 INFO_COLOR_ALWAYS_BLACK = 32;
constexpr U32 INFO_COLOR_RADAR_TICK = 34;
constexpr U32 INFO_COLOR_ALWAYS_WHITE = 35;
constexpr U32 INFO_COLOR_RED = 36;

// The readout slots: SC50-SC54 while navigating, SC55-SC59 otherwise.
constexpr int INFO_SLOTS = 10;
extern const FOURCHARID T_INFO_afcidSlots[INFO_SLOTS];
constexpr U32 INFO_BLINK_PERIOD_MS = 1000;
constexpr int INFO_MAX_CHOICES = 50;

// Entry of the readout task (task table row INFOTASK).
void T_INFO_vTask(void);
// Writes the slot defaults and SFMT: at P_NORMAL when bForce, else at
// P_DEFAULT_SETTING (so that restored settings win).
void T_INFO_vSetDefaultSettings(BOOLEAN bForce);
// Rebuilds the choice lists and the ten readout selector items.
void T_INFO_vUpdateInfoboxChoices(BOOLEAN bNavigationOnly);
// Fills a sorted choice list ("Off" and every key beginning with cFirst that
// holds a value and has a text record); returns the number of entries.
int vFetchAllBeginningWith(char cFirst, DB_TEXT_RECORD* apChoices, U32* au32Values, U32 language);
// The blink phase (toggles once a second) and the propeller-icon phase.
BOOLEAN T_INFO_bBlinkState(void);
int T_INFO_nPropIconId(void);
// The info colour set of a palette (SPAL) into entries 128-131.
void T_INFO_vLoadInfoColors(U32 u32Palette);
// Places an accessory readout source into a free slot SIS1-SIS6, starting at
// the desired one (1-6). TRUE when it is shown (already or now).
BOOLEAN U_INFO_bDisplayInInfoBox(FOURCHARID fcidSource, S32 s32DesiredSlot);
// Places again every remembered request whose key is in no slot.
void U_INFO_vReinitializeInfoBoxes(void);
// The choice lists as last built (for the menus and the tests): the number
// of entries, or -1 when the list has not been built.
int T_INFO_nChoices(char cList, DB_TEXT_RECORD* apChoices, U32* au32Values);
// TRUE once the task has handled its first CMD_ID_RUN_SYSTEM.
BOOLEAN T_INFO_bRunning(void);

// ------------------------------------------------------------ readout boxes
enum INFO_BOX_STYLE : S32 {
  IBS_NONE = 1,
  IBS_GRAY_ROUNDED_BORDER = 2,
  IBS_GRAY_ROUNDED_BORDER_SANS_BACKGROUND = 3,
  IBS_RED_ROUNDED_BORDER = 4,
  IBS_BLACK_ROUNDED_BAR = 5,
  IBS_ALWAYS_BLACK_ROUNDED_BAR = 6,
  IBS_DK_GRAY_ROUNDED_BAR = 7,
  IBS_LT_GRAY_ROUNDED_BAR = 8,
  IBS_WHITE_ROUNDED_BAR = 9,
  IBS_ALWAYS_WHITE_ROUNDED_BAR = 10,
  IBS_BLACK_BAR = 11,
  IBS_ALWAYS_BLACK_BAR = 12,
  IBS_RED_BAR = 13,
  IBS_DK_GRAY_BAR = 14,
  IBS_LT_GRAY_BAR = 15,
  IBS_WHITE_BAR = 16,
  IBS_ALWAYS_WHITE_BAR = 17,
  IBS_SEMITRANSPARENT_WHITE_BAR = 18,
  IBS_SEMITRANSPARENT_WHITE_ROUNDED_BAR = 19,
  IBS_SEMITRANSPARENT_GRAY_ROUNDED_BORDER = 20,
};

enum INFO_JUSTIFICATION : S32 {
  INSTRUMENTATION_JUSTIFY_LEFT = 1,
  INSTRUMENTATION_JUSTIFY_CENTER = 2,
  INSTRUMENTATION_JUSTIFY_RIGHT = 3,
  INSTRUMENTATION_JUSTIFY_RIGHT_NO_TICK = 4,
  CHARTPLOTTER_JUSTIFY_RIGHT = 5,
  JUSTIFY_LEFT = 6,
  JUSTIFY_CENTER = 7,
  JUSTIFY_RIGHT = 8,
  JUSTIFY_LEFT_INDENTED = 9,
};

// Value strings hold at most 16 characters (20-byte buffers).
constexpr int INFO_VALUE_CHARS = 16;
constexpr int INFO_STRING_SIZE = 20;
constexpr int INFO_UNITS_SIZE = 21;

// Formats the key's value by its data type into pcValue (u32ValueSize
// bytes) and its unit label into pcUnits (INFO_UNITS_SIZE bytes); returns
// the width of value plus units in pixels, 0 when the key holds no value.
S32 T_INFO_nInfoStrings(char* pcValue, char* pcUnits, BOOLEAN* pbValid, S32 s32MinWidth, FOURCHARID key,
                        const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont,
                        DIGITS_FORMAT eFormat, U32 language, U32 u32ValueSize, S32* ps32ValueWidth,
                        S32* ps32UnitsWidth);
S32 T_INFO_nMeasureInfoBox(S32 s32MinWidth, FOURCHARID key, const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont,
                           INFO_BOX_STYLE eStyle, U32 language);
S32 T_INFO_nMeasureDigitsInfoBox(S32 s32MinWidth, FOURCHARID key, const FONT_DEF* pValueFont,
                                 const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont, DIGITS_FORMAT eFormat,
                                 INFO_BOX_STYLE eStyle, U32 language);
// Draws a readout box at (x, y) (lower-left corner; negative coordinates
// count back from the right and top edges); returns its width, 0 when the
// key holds no value (nothing is drawn).
S32 T_INFO_nDrawDigitsInfoBox(BITMAP* pBitmap, S32 s32MinWidth, S32 s32Height, S32 x, S32 y, FOURCHARID key,
                              const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont,
                              DIGITS_FORMAT eFormat, INFO_BOX_STYLE eStyle, INFO_JUSTIFICATION eJustification,
                              U32 language);
S32 T_INFO_nDrawInfoBox(BITMAP* pBitmap, S32 s32MinWidth, S32 s32Height, S32 x, S32 y, FOURCHARID key,
                        const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, INFO_BOX_STYLE eStyle,
                        INFO_JUSTIFICATION eJustification, U32 language);
void T_INFO_vDrawInfoBar(BITMAP* pBitmap, S32 s32Width, S32 s32Height, S32 x, S32 y, INFO_BOX_STYLE eStyle);
void T_INFO_vDrawInfoBoxTitle(BITMAP* pBitmap, POINT position, FOURCHARID key, const FONT_DEF* pFont, U32 language);
// The title of a key's box, null when it has none.
const char* T_INFO_pcBoxTitle(FOURCHARID key);
void T_INFO_vGetData(FOURCHARID key, BOOLEAN* pbValid, char* pcValue, char* pcUnits, const FONT_DEF* pValueFont,
                     const FONT_DEF* pUnitsFont, U32 language);
// Text of a depth given in metres, in the unit.
void T_INFO_vFormatDepth(double dMetres, UNIT_TYPE eUnit, char* pcBuffer, BOOLEAN bNoTenths);
// Text of a distance given in metres; short distances change the unit to
// feet or metres.
void T_INFO_vFormatDistance(double dMetres, UNIT_TYPE* peUnit, char* pcBuffer);
// Local time and date texts (seconds since the epoch, UTC) by the user's
// settings; either buffer may be null (each INFO_STRING_SIZE bytes).
void T_INFO_vFormatTime(U32 u32Time, BOOLEAN bSeconds, BOOLEAN bAmPm, char* pcTime, char* pcDate,
                        BOOLEAN* pbBlink);
void T_INFO_vFormatTimeAscii(U32 u32Time, BOOLEAN bSeconds, BOOLEAN bAmPm, char* pcTime, char* pcDate,
                             BOOLEAN* pbBlink);
// Splits "12.3" into "12" (or "12." when bKeepPoint) and the tenths "3";
// TRUE when there was a point. pcInteger holds INFO_STRING_SIZE bytes.
BOOLEAN T_INFO_pSplitTenths(const char* pcSource, char* pcInteger, const char** ppcTenths, BOOLEAN bKeepPoint);
BOOLEAN T_INFO_bFCIDIsValidSelection(FOURCHARID fcidSlot);
BOOLEAN T_INFO_bFCIDNonZero(FOURCHARID key);
// The info alpha of the semitransparent bar styles, taken for the current
// palette out of a packed word (bits 0-7 white, 8-15 blue, 16-23 black). Like
// every alpha of the drawing library it weights the picture beneath: 0 draws
// the bar opaque.
void T_INFO_vSetAlpha(U32 u32AlphaVector);
U8 T_INFO_u8PaletteAlpha(U32 u32AlphaVector);
U8 T_INFO_u8Alpha(void);

// ------------------------------------------------------------ info layers
constexpr S32 INFO_ROW_HEIGHT = 105;
constexpr S32 INFO_COLUMN_WIDTH = 160;
constexpr S32 INFO_BOX_WIDTH = 158;
constexpr S32 INFO_BOX_HEIGHT = 101;

extern const FOURCHARID fcidSelectionNavigation[5];
extern const FOURCHARID fcidSelectionSonar[5];
extern const FOURCHARID fcidSelectionTrackChart[5];

// A readout source drawn by its own function (a D_POINTER source).
typedef void INFO_DRAW_FUNCTION(BITMAP* pBitmap, POINT anchor, S32 s32Flags, U32 language);

void T_INFO_vDrawInfoLayer_Instrumentation_SonarView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);
void T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);
void T_INFO_vDrawInfoLayer_Instrumentation_BirdsEyeView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);
void T_INFO_vDrawInfoLayer_Instrumentation_Common(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec,
                                                  const FOURCHARID* pfcidSlots, int nBoxes);
// TRUE when the slot shows something: a D_FCID source whose live key holds
// a value, or a D_POINTER source.
BOOLEAN T_INFO_bSlotShown(FOURCHARID fcidSlot);
// The slot set of the sonar and bird's-eye layers (navigation or sonar).
const FOURCHARID* T_INFO_pSonarSlotSet(void);
U32 T_INFO_u32SonarYOrigin(SPLIT_WINDOW_TYPE eSide);
S32 T_INFO_s32Instrumentation2_Chart_YOrigin(LAYER_ID eView, SPLIT_WINDOW_TYPE eSide);
S32 T_INFO_nBoxWidth_SonarView(S32 s32Lowest, S32 s32Highest);
S32 T_INFO_nBoxWidth_TrackChartView(S32 s32Lowest, S32 s32Highest);

// Texts of the readouts in the info text colour (in radar info views the
// title in always-white, the text in always-black); anchor the lower-left
// corner, negative coordinates count back from the right and top edges.
void T_INFO_vDrawText(BITMAP* pBitmap, S32 x, S32 y, DB_TEXT_RECORD pText, const FONT_DEF* pFont, U32 language);
void T_INFO_vDrawInfoTitleText(BITMAP* pBitmap, S32 x, S32 y, DB_TEXT_RECORD pText, const FONT_DEF* pFont,
                               U32 language);
// The text ending at x (never starting left of 0).
void T_INFO_vDrawTextRight(BITMAP* pBitmap, S32 x, S32 y, DB_TEXT_RECORD pText, const FONT_DEF* pFont,
                           U32 language);

// The cursor bar along the top edge while a cursor is active (ICAC); anchor
// is the bar's lower-left corner.
constexpr S32 INFO_CURSOR_BAR_HEIGHT = 46;
void T_INFO_vDrawInfoLayer_ActiveCursor(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec, POINT anchor);
// The cursor icon centred at (ICPX, ICPY); nothing when either is missing.
void T_INFO_vDrawCursor(BITMAP* pBitmap, U32 language, BOOLEAN bWaypointCursor);
// The waypoint indicator bar and the man-overboard panel with their lower-
// left corner at the anchor.
void T_INFO_vDrawInfoLayer_WaypointIndicatorBar(BITMAP* pBitmap, POINT anchor);
void T_INFO_vDrawInfoLayer_ManOverboard(BITMAP* pBitmap, POINT anchor, U32 language);
// Six small white boxes of the keys DDB1-DDB6 stacked down from the top.
void T_INFO_vDrawInfoLayer_Debug(BITMAP* pBitmap, INFO_JUSTIFICATION eJustification, U32 language);

// Icons of the readouts, drawn with the drawing library (lower-left corner
// at the anchor unless told otherwise).
constexpr S32 INFO_ICON_SIZE = 32;
enum INFO_CURSOR_KIND : S32 { INFO_CURSOR_PLAIN = 0, INFO_CURSOR_WAYPOINT = 1, INFO_CURSOR_RADAR = 2 };
void T_INFO_vDrawCursorIcon(BITMAP* pBitmap, POINT centre, INFO_CURSOR_KIND eKind);
void T_INFO_vDrawPropellerIcon(BITMAP* pBitmap, POINT anchor, int nPhase);
void T_INFO_vDrawCruiseIcon(BITMAP* pBitmap, POINT anchor);
void T_INFO_vDrawAutopilotIcon(BITMAP* pBitmap, POINT anchor, BOOLEAN bLegacy);
void T_INFO_vDrawManOverboardIcon(BITMAP* pBitmap, POINT anchor);
void T_INFO_vDrawWaypointIcon(BITMAP* pBitmap, POINT anchor, U8 u8Icon);
void T_INFO_vDrawNavigationIcon(BITMAP* pBitmap, POINT anchor, BOOLEAN bPaused);
void T_INFO_vDrawKeelarItemIcon(BITMAP* pBitmap, POINT anchor, S32 s32Kind);
