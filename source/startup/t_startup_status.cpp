// The system status page (see t_startup_status.h). The keys are handled on
// the start-up task; the page is drawn on the view task from the database.
// Logical y grows upward.
#include "source/startup/t_startup_status.h"

#include <stdio.h>
#include <string.h>

#include <atomic>

#include "common/view_types.h"
#include "data/fonts.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/version.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_startup.h"
#include "source/startup/t_startup_edit.h"
#include "source/ui/t_keyboard.h"

namespace {

const LAYER_ID layerSequence[3] = {DIAGNOSTIC_SELF_TEST, DIAGNOSTIC_ACCESSORY_CATALOG, DIAGNOSTIC_GPS_CARTOGRAPHY};
int numSequence = 0;
BOOLEAN viewKeyDown = FALSE;
U32 u32SuperUserCount = 0;

constexpr U32 CONFIRM_DELAY_MS = 500;

void vClick(BOOLEAN bGood) { (void)L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

BOOLEAN bPositionFixKnown(void) {
  U32 fix = 0;
  BOOLEAN bValid = FALSE;
  return (H_DATABASE_bFetchU32(FCID("IPFI"), &fix, &bValid) && bValid) ? TRUE : FALSE;
}

// Steps the diagnostic view forward (+1) or back (-1); the position view
// only while a position fix is known.
void vStep(int direction) {
  numSequence = (numSequence + 3 + direction) % 3;
  if (layerSequence[numSequence] == DIAGNOSTIC_GPS_CARTOGRAPHY && !bPositionFixKnown()) {
    numSequence = (numSequence + 3 + direction) % 3;
  }
  (void)H_DATABASE_bUpdateValueU32(FCID("CVEW"), (U32)layerSequence[numSequence], P_NORMAL);
  vClick(TRUE);
}

void vSuperUser(CURSOR_POSITION direction) {
  if (u32SuperUserCount < 5) {
    u32SuperUserCount = direction == STARTUP_STATUS_ACCESS_CODE[u32SuperUserCount] ? u32SuperUserCount + 1 : 0;
    vClick(FALSE);
    return;
  }
  if (direction != STARTUP_STATUS_SUPER_USER_ON && direction != STARTUP_STATUS_SUPER_USER_OFF) {
    u32SuperUserCount = 0;
    vClick(FALSE);
    return;
  }
  const BOOLEAN bOn = direction == STARTUP_STATUS_SUPER_USER_ON ? TRUE : FALSE;
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SMSU"), bOn, P_NORMAL);
  (void)L_SEMA_Signal(SEMA_NVRAM_UPDATE);
  log_me("STARTUP: super-user %s", bOn ? "on" : "off");
  L_CLOCK_Sleep(CONFIRM_DELAY_MS);
  (void)L_SEMA_Signal(bOn ? SEMA_FISH_ALARM_LARGE : SEMA_FISH_ALARM_SMALL);
}

// ------------------------------------------------------------ drawing

COLOR colour(U32 entry) { return G_COLOR_Load(gCOLOR_pcolColorTable + entry); }

void vText(BITMAP* b, U32 c, const FONT_DEF* f, S32 x, S32 y, const char* text) {
  POINT at = {(PIXEL)x, (PIXEL)y};
  G_STRING_vPut(b, colour(c), &at, f, text);
}

S32 s32Width(const FONT_DEF* f, const char* text) { return (S32)G_STRING_u32GetWidth(f, text); }

// Centred over the span [x, x + width).
void vCentred(BITMAP* b, U32 c, const FONT_DEF* f, S32 x, S32 width, S32 y, const char* text) {
  vText(b, c, f, x + (width - s32Width(f, text)) / 2, y, text);
}

void vBox(BITMAP* b, S32 x, S32 y, U32 width, U32 height) {
  G_BOX_vDrawRoundedFilled(b, colour(196), POINT{(PIXEL)x, (PIXEL)y}, width, height, 6);
}

// A value in the big font with its unit in the small one on the value's
// baseline, together centred in the 48-pixel box at (x, y).
void vValueWithUnit(BITMAP* b, S32 x, S32 width, S32 y, const char* value, const char* unit) {
  const FONT_DEF* big = f25x44_font_def_ptr;
  const FONT_DEF* small = std_11x14_font_def_ptr.load();
  const S32 total = s32Width(big, value) + s32Width(small, unit);
  // The figures' ink is the core of the font, from the baseline up.
  const S32 baseline = y + (48 - (S32)G_FONTS_u32GetCoreHeight(big)) / 2;
  const S32 left = x + (width - total) / 2;
  vText(b, 199, big, left, baseline, value);
  vText(b, 199, small, left + s32Width(big, value), baseline, unit);
}

BOOLEAN bFetchSet(FOURCHARID key, U32* pValue) {
  return (H_DATABASE_bFetchU32(key, pValue) && *pValue != 0xFFFFFFFFu) ? TRUE : FALSE;
}

}  // namespace

void T_STARTUP_STATUS_vRegisterKeys(void) {
  (void)U_KEYBOARD_bRegisterKeys(M_STARTUP, 0xFBFE, KEY_CHANGE, FALSE, FALSE, CURSOR_4, REGISTER_SYSTEM_STATUS);
}

void T_STARTUP_STATUS_vEnter(void) {
  numSequence = 0;
  viewKeyDown = FALSE;
  u32SuperUserCount = 0;
  T_STARTUP_STATUS_vRegisterKeys();
  (void)H_DATABASE_bUpdateValueU32(FCID("CVEW"), (U32)DIAGNOSTIC_SELF_TEST, P_NORMAL);
}

void T_STARTUP_STATUS_vHandleKey(const MSG_KEY_CHANGE* pKey) {
  if (pKey == nullptr) return;
  const BOOLEAN bDown = pKey->state == KEY_DOWN ? TRUE : FALSE;
  switch (pKey->key) {
    case KEY_MASK_VIEW:
      u32SuperUserCount = 0;
      if (bDown) {
        viewKeyDown = TRUE;
        vStep(+1);
      } else {
        viewKeyDown = FALSE;
      }
      break;
    case KEY_MASK_EXIT:
      u32SuperUserCount = 0;
      if (bDown) vStep(-1);
      viewKeyDown = FALSE;
      break;
    case KEY_MASK_MENU:
      u32SuperUserCount = 0;
      if (bDown && !T_STARTUP_EDIT_bActive()) {
        // The editor takes the keys of the page while it is open; its own
        // click answers the press.
        (void)U_KEYBOARD_bUnregisterKeys(M_STARTUP, 0xFFFE);
        T_STARTUP_EDIT_vIPAddressSetup();
      }
      break;
    case KEY_MASK_CURSOR:
      if (bDown) {
        vSuperUser(pKey->cursor);
        viewKeyDown = FALSE;
      }
      break;
    default:
      if (bDown) vClick(FALSE);
      break;
  }
}

void T_STARTUP_vDrawSelfTestView(BITMAP* b, const WINDOW_SPECIFICATION*) {
  if (b == nullptr) return;
  const FONT_DEF* label = std_16x17_font_def_ptr.load();
  const FONT_DEF* small = std_11x14_font_def_ptr.load();
  const FONT_DEF* mid = f18x32_font_def_ptr;
  const FONT_DEF* big = f25x44_font_def_ptr;
  if (label == nullptr || small == nullptr || mid == nullptr || big == nullptr) return;
  const S32 H = (S32)G_FONTS_u32GetHeight(label);
  const S32 L = (S32)G_FONTS_u32GetHeight(small);
  const S32 top = b->s32ClipTop + 1;  // 600 on the unit's screen

  // Background, title bar and frame.
  G_BMP_vSet(b, colour(196));
  G_BOX_vDrawFilled(b, colour(199), POINT{0, (PIXEL)(top - 43)}, 800, 43);
  vCentred(b, 196, label, 0, 800, top - 43 + 8, "SYSTEM STATUS");
  const S32 frameTop = top - 52;
  G_BOX_vDrawRounded(b, colour(198), POINT{0, 105}, 800, (U32)(frameTop - 105), 6);
  G_BOX_vDrawRoundedFilled(b, colour(197), POINT{1, 106}, 798, (U32)(frameTop - 107), 6);

  // Address row.
  char address[IPA_TEXT] = "-----";
  if (T_ETHERNET_bIsDynamic()) {
    char current[IPA_TEXT];
    if (T_ETHERNET_vGetIPAddress(current)) snprintf(address, sizeof address, "%s", current);
  } else {
    T_STARTUP_EDIT_vFormatAddress(FCID("SIPA"), address);
  }
  char mac[18];
  T_STARTUP_EDIT_vFormatMACAddress(mac);
  vBox(b, 6, 108, 384, 48);
  vBox(b, 410, 108, 384, 48);
  vCentred(b, 199, mid, 6, 384, 116, address);
  vCentred(b, 199, mid, 410, 384, 116, mac);
  S32 labelY = 160;
  vCentred(b, 199, label, 6, 384, labelY, "IP ADDRESS");
  vCentred(b, 199, label, 410, 384, labelY, "MAC ADDRESS");

  // Supply voltage and operating time.
  S32 boxY = labelY + H - 6;
  vBox(b, 7, boxY, 384, 48);
  vBox(b, 410, boxY, 384, 48);
  F32 volts = 0.0f;
  char text[64];
  if (H_DATABASE_bFetchFloat(FCID("IVLT"), &volts)) {
    snprintf(text, sizeof text, "%4.1f", (double)volts);
  } else {
    snprintf(text, sizeof text, "--.-");
  }
  vValueWithUnit(b, 7, 384, boxY, text, "V");
  U32 age = 0;
  if (!H_DATABASE_bFetchU32(FCID("SAGE"), &age)) age = 0;
  snprintf(text, sizeof text, "%4d", (int)(age / 3600));
  vValueWithUnit(b, 410, 384, boxY, text, "hrs");
  labelY = boxY + 52;
  vCentred(b, 199, label, 0, 400, labelY, "VOLTAGE");
  vCentred(b, 199, label, 400, 400, labelY, "TOTAL TIME");

  // Software version.
  boxY = labelY + H - 6;
  vBox(b, 6, boxY, 788, 48);
  const VERSION_INFO* version = VERSION_pversion_infoGetCurrentVersion();
  vValueWithUnit(b, 0, 800, boxY, version != nullptr ? version->version : "-----", "");
  labelY = boxY + 48;
  vCentred(b, 199, label, 0, 800, labelY, "SOFTWARE VERSION");

  // Serial numbers.
  boxY = labelY + H - 6;
  vBox(b, 6, boxY, 384, 48);
  vBox(b, 410, boxY, 384, 48);
  U32 d = 0, i = 0, n = 0;
  char unit[40] = "-----", board[40] = "-----";
  if (bFetchSet(FCID("SEDU"), &d)) {
    if (!bFetchSet(FCID("SEIU"), &i)) i = 0;
    if (!bFetchSet(FCID("SENU"), &n)) n = 0;
    snprintf(unit, sizeof unit, "%d%02d%04d", (int)d, (int)i, (int)n);
  }
  if (bFetchSet(FCID("SEDB"), &d)) {
    if (!bFetchSet(FCID("SEIB"), &i)) i = 0;
    if (!bFetchSet(FCID("SETB"), &n)) n = 0;
    snprintf(board, sizeof board, "%02d%05d%04d", (int)i, (int)d, (int)n);
  }
  vText(b, 199, mid, (384 - s32Width(mid, unit)) / 2, boxY + 10, unit);
  vText(b, 199, mid, 394 + (384 - s32Width(mid, board)) / 2, boxY + 10, board);
  labelY = boxY + 52;
  vCentred(b, 199, label, 6, 384, labelY, "S/N");
  vCentred(b, 199, label, 410, 384, labelY, "PCB S/N");

  // Self test.
  const S32 areaBottom = labelY + L;
  const S32 areaTop = frameTop - (H + 12 + L);
  if (areaTop > areaBottom) vBox(b, 6, areaBottom, 788, (U32)(areaTop - areaBottom));
  const S32 titleY = frameTop - H;
  vCentred(b, 199, label, 0, 800, titleY, "Self Test");
  vCentred(b, 199, small, 0, 800, titleY - L - 12, "PASSED");
}
