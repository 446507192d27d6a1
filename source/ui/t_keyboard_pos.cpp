// The point-of-sale demonstration of the keyboard task: in the point-of-sale
// state the unit plays a demonstration script (from a card, or the built-in
// one) or, without one, a rotation of views; it gives way to a customer who
// touches a key and resumes after three minutes without keys.
//
// Everything runs in the keyboard task under RES_POS_TUTORIAL except the
// drawing of the layer, which runs in the view task under the same mutex.
#include "source/ui/t_keyboard_pos.h"

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <string>

#include "common/db_types.h"
#include "common/language.h"
#include "common/menu_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_circle.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/h_display.h"
#include "source/graphics/t_view.h"
#include "source/graphics/t_view_review.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/platform/platform.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_dialog.h"
#include "source/ui/u_menu.h"
#include "source/ui/u_pos_script.h"
#include "source/ui/ui_upcalls.h"

namespace {

#define POS_TEXT_RECORD(name, text)                                                              \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
POS_TEXT_RECORD(s_txtDemoBalloons, "Demo Balloons");
POS_TEXT_RECORD(s_txtHidden, "Hidden");
POS_TEXT_RECORD(s_txtVisible, "Visible");
POS_TEXT_RECORD(s_txtPressExit, "Press EXIT to leave demo");
const DB_TEXT_RECORD s_apBalloonChoices[] = {s_txtHidden, s_txtVisible};
const U32 s_au32BalloonValues[] = {0, 1};
const char* pcText(DB_TEXT_RECORD pRecord) {
  const char* pc = pRecord[nCurrentLanguage()];
  return pc != nullptr ? pc : pRecord[LANGUAGE_ENGLISH];
}
constexpr const char* MORE_INFO_TEXT = "Press > for more information";

constexpr U32 POS_START_MS = 100;
constexpr U32 POS_ENTER_MS = 2;
constexpr U32 POS_CUSTOMER_MS = 180000;
// How long a PHOTO step waits for the card task to load the picture.
constexpr U32 POS_PHOTO_WAIT_MS = 5000;

// ------------------------------------------------------------ built-in rotation
struct POS_SCRIPT_ITEM {
  LAYER_ID changeView;
  FOURCHARID changeDatabaseItem;
  U32 changeDatabaseItemTo;
  U32 issueKeyStroke;
  KEY_STATE changeKeyState;
  CURSOR_POSITION changeCursorPosition;
  U32 repeatCount;
  FOURCHARID sendKeyTo;
  DB_TEXT_RECORD pMessageString;
  POINT anchor;
  U32 boxWidth;
  U32 delayToNextState;
};

const POS_SCRIPT_ITEM s_scriptItems[] = {
    {CHART_PLUS_2D_VIEW_PRIORITY, 0, 0, 0, KEY_UP, CURSOR_UP, 0, 0, nullptr, {0, 0}, 0, 5000},
    {CHART_PLUS_2D_VIEW_PRIORITY, 0, 0, 0, KEY_UP, CURSOR_UP, 0, 0, nullptr, {0, 0}, 0, 25000},
    {CHART_PLUS_BIRDS_EYE_VIEW_PRIORITY, 0, 0, 0, KEY_UP, CURSOR_UP, 0, 0, nullptr, {0, 0}, 0, 15000},
    {SONAR_VIEW_PRIORITY, 0, 0, 0, KEY_UP, CURSOR_UP, 0, 0, nullptr, {0, 0}, 0, 15000},
};
constexpr U32 ROTATION_ROWS = sizeof s_scriptItems / sizeof s_scriptItems[0];

// ------------------------------------------------------------ built-in script
// English only; in other languages the rotation runs.
const char s_acEnglishScript[] =
    "// Built-in demonstration\n"
    "CHAPTER TOUR\n"
    "SET SCSC 2 // screen snapshots on\n"
    "EXITMESSAGEBOX\n"
    "VIEW Snapshot and Recording View\n"
    "BALLOON 40 200 480 6 \"Welcome aboard\"\n"
    "One display at the helm for sonar, charts,\n"
    "radar and engine data.\n"
    "[BULLET] Split any view in two\n"
    "[BULLET] Every setting one key away\n"
    "ENDBALLOON\n"
    "WAIT 6\n"
    "MOREINFO IMAGING\n"
    "BALLOON 40 200 480 6 \"Sonar imaging\"\n"
    "Down and side imaging show the bottom\n"
    "and the fish beside the boat in detail.\n"
    "[BULLET] Record sonar to an SD card\n"
    "[BULLET] Play it back at home\n"
    "ENDBALLOON\n"
    "WAIT 8\n"
    "ENDMOREINFO\n"
    "BALLOON 40 200 480 5 \"Snapshots\"\n"
    "Press MARK to save the screen to a card.\n"
    "Browse the saved pictures here, full size\n"
    "at the press of a key.\n"
    "ENDBALLOON\n"
    "WAIT 6\n"
    "BALLOON 40 200 480 5 \"Navigation\"\n"
    "Marks, routes and tracks on the chart,\n"
    "[BULLET] man overboard in one long press\n"
    "[BULLET] arrival and off-course alarms\n"
    "ENDBALLOON\n"
    "WAIT 6\n"
    "NOBALLOON\n"
    "WAIT 2\n"
    "ENDCHAPTER\n"
    "\n"
    "CHAPTER IMAGING\n"
    "BALLOON 40 200 480 6 \"Imaging in depth\"\n"
    "Each beam is drawn in its own window.\n"
    "[BULLET] Zoom with + and -\n"
    "[BULLET] The cursor gives depth and position\n"
    "[HSPACE 13]of any return.\n"
    "ENDBALLOON\n"
    "WAIT 8\n"
    "NOBALLOON\n"
    "ENDCHAPTER\n";

struct TUTORIAL_DATA {
  const char* data;
  U32 dataSize;
};

TUTORIAL_DATA tInternal(int language) {
  if (language == LANGUAGE_ENGLISH) return {s_acEnglishScript, (U32)(sizeof s_acEnglishScript - 1)};
  return {nullptr, 0};
}

// ------------------------------------------------------------ state
// Written by the keyboard task; the view task reads them under the mutex
// (the flags the key poll also reads are atomic).
std::atomic<bool> s_bPOSMode{false};
bool s_bTutorialStarted = false;
std::atomic<bool> s_bInTutorial{false};
std::atomic<bool> s_bUseDefaultPOS{false};
bool s_bUsingExtScript = false;
bool s_bPOSKeyPressDetected = false;
TIMER_INFO* s_pPOSTimer = nullptr;
std::atomic<U32> s_u32POSScriptIndex{0};
char* s_pPOS_FileData = nullptr;
U32 s_POS_FileSize = 0;
bool s_bCardNoticesRegistered = false;
bool s_bMenuRegistered = false;

POS_SCRIPT s_script;
// The photo: a display page in a full-screen header. While a load is
// pending the card task may still write into it, so it is kept until the
// load is acknowledged.
BITMAP* s_pPhotoImage = nullptr;
bool s_bPhotoPending = false;
bool s_bPhotoRemoveWhenLoaded = false;

std::atomic<U32> s_u32Steps{0};

U32 u32ExitTextWidth(void) { return G_STRING_u32GetWidth(std_11x14_font_def_ptr, pcText(s_txtPressExit)); }

POINT tDefaultExitBox(void) { return POINT{(PIXEL)(776 - (S32)u32ExitTextWidth()), 20}; }

void vTimerOnce(U32 ms) {
  if (s_pPOSTimer == nullptr) {
    s_pPOSTimer = L_TIMER_Allocate();
    if (s_pPOSTimer == nullptr) FATAL_ERROR("No POS timer");
  }
  L_TIMER_Start(s_pPOSTimer, ms, 0, SEMA_TIMER_POS);
}

void vReleaseTimer(void) {
  if (s_pPOSTimer == nullptr) return;
  L_TIMER_Stop(s_pPOSTimer);
  L_TIMER_Release(s_pPOSTimer);
  s_pPOSTimer = nullptr;
}

void vRegisterLayer(void) {
  (void)U_VIEW_bRegisterLayer(T_KEYBOARD_vDrawPOSMessage, POS_MESSAGE_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr,
                              nullptr, nullptr);
}

void vFreePhoto(void) {
  if (s_pPhotoImage == nullptr) return;
  if (s_bPhotoPending) {
    s_bPhotoRemoveWhenLoaded = true;
    return;
  }
  H_DISPLAY_vFreeDisplayBuffer((U32*)s_pPhotoImage->pBuffer);
  G_BUFFERS_vFreeFullScreenBitmapHeader(s_pPhotoImage);
  s_pPhotoImage = nullptr;
}

// ------------------------------------------------------------ script environment
LAYER_ID eFindView(void*, const char* pcName) { return T_VIEW_GetSelectableView(pcName); }
void vWriteSetting(void*, FOURCHARID key, U32 value) { H_DATABASE_bUpdateValueU32(key, value, P_NORMAL); }
BOOLEAN bBalloonsVisible(void*) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(FCID("SDBV"), &b) && b ? TRUE : FALSE;
}
void vPressKey(void*, U32 mask, CURSOR_POSITION cursor) { T_KEYBOARD_vSendSimulatedKey(mask, cursor); }
void vResetTasks(void*) { T_KEYBOARD_vSendResetMessages(); }
void vRefresh(void*) { L_SEMA_Signal(SEMA_VIEW_UPDATE); }
void vChart(void*, BOOLEAN bOn) { U_CHART_GENERIC_vSetPOSMode(bOn); }

POS_PHOTO_RESULT eLoadPhoto(void*, const char* pcName) {
  static const char* const folders[] = {"/mnt/mmc0/", "/mnt/mmc1/", "/usr/tessix/posphoto/"};
  for (const char* folder : folders) {
    const std::string unitPath = std::string(folder) + pcName;
    FILE* f = fopen(PLATFORM_sResolvePath(unitPath.c_str()).c_str(), "rb");
    if (f == nullptr) continue;
    fclose(f);
    if (s_bPhotoPending) return POS_PHOTO_TIMEOUT;  // the last one never arrived
    std::string base = unitPath.substr(0, unitPath.find('.', strlen(folder)));
    L_SEMA_SetPending(SEMA_SERIAL_KEYBOARD_DISABLE);
    if (!T_VIEW_bRequestSnapshotImage(&s_pPhotoImage, base.c_str(), SEMA_SERIAL_KEYBOARD_DISABLE)) {
      return POS_PHOTO_TIMEOUT;
    }
    if (L_SEMA_WaitTicks(SEMA_SERIAL_KEYBOARD_DISABLE, POS_PHOTO_WAIT_MS) != lsSUCCESS) {
      s_bPhotoPending = true;
      log_me("keyboard: demonstration photo %s did not load in time", pcName);
      return POS_PHOTO_TIMEOUT;
    }
    return s_pPhotoImage != nullptr ? POS_PHOTO_SHOWN : POS_PHOTO_TIMEOUT;
  }
  return POS_PHOTO_NOT_FOUND;
}

void vRemovePhoto(void*) { vFreePhoto(); }

const POS_SCRIPT_ENV s_env = {nullptr,      eFindView, vWriteSetting, bBalloonsVisible, vPressKey,
                              vResetTasks,  vRefresh,  vChart,        eLoadPhoto,       vRemovePhoto};

// ------------------------------------------------------------ tutorial
// Reads a card script; null when it cannot be opened. A file larger than
// the interpreter accepts is read only in part: the interpreter then refuses
// it by its size.
char* pcReadCardScript(const char* path, U32* pu32Size) {
  FILE* f = fopen(PLATFORM_sResolvePath(path).c_str(), "rb");
  if (f == nullptr) return nullptr;
  fseek(f, 0, SEEK_END);
  const long size = ftell(f);
  fseek(f, 0, SEEK_SET);
  if (size < 0) {
    fclose(f);
    return nullptr;
  }
  if ((unsigned long)size > POS_SCRIPT_MAX_BYTES) {
    fclose(f);
    *pu32Size = (U32)POS_SCRIPT_MAX_BYTES + 1;
    char* stub = (char*)H_MEMORY_pvMalloc(1);
    stub[0] = '\0';
    return stub;
  }
  char* data = (char*)H_MEMORY_pvMalloc((U32)size + 1);
  const size_t got = fread(data, 1, (size_t)size, f);
  fclose(f);
  data[got] = '\0';
  *pu32Size = (U32)got;
  return data;
}

void vHandleTutorialStart(void) {
  const char* text = nullptr;
  U32 size = 0;
  for (const char* path : {"/mnt/mmc0/POSDemo.txt", "/mnt/mmc1/POSDemo.txt"}) {
    s_pPOS_FileData = pcReadCardScript(path, &s_POS_FileSize);
    if (s_pPOS_FileData != nullptr) {
      s_bUsingExtScript = true;
      text = s_pPOS_FileData;
      size = s_POS_FileSize;
      log_me("keyboard: demonstration script %s (%u bytes)", path, (unsigned)size);
      break;
    }
  }
  if (text == nullptr) {
    const TUTORIAL_DATA t = tInternal(nCurrentLanguage());
    text = t.data;
    size = t.dataSize;
  }
  if (text != nullptr) {
    POS_SCRIPT_vReset(&s_script, text, size, POS_PREAMBLE_START, tDefaultExitBox());
    T_KEYBOARD_bRegisterKeys(M_KEYB, 0xFFFE, KEY_CHANGE, FALSE, FALSE, CURSOR_4, REGISTER_POS_TUTORIAL);
    H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), FALSE, P_NORMAL);
    H_DATABASE_bUpdateEverythingBoolean(FCID("SDBV"), TRUE, P_DEFAULT_SETTING, D_UNKNOWN, s_txtDemoBalloons,
                                        DB_NO_TIMEOUT);
    H_DATABASE_bRegisterForDataWithConditions(FCID("SDBV"), M_KEYB, TRUE, FALSE, FALSE);
    if (!s_bMenuRegistered) {
      s_bMenuRegistered = U_MENU_bRegisterMainSelectorMenu(s_txtDemoBalloons, g_MENU_txtSetupTab, MENU_PRIORITY_0,
                                                           FCID("SDBV"), 2, s_apBalloonChoices, s_au32BalloonValues,
                                                           M_ADVANCED) != FALSE;
    }
    s_script.exitBoxAnchor = tDefaultExitBox();
    s_bUseDefaultPOS.store(false);
  } else {
    s_bUseDefaultPOS.store(true);
  }
  vRegisterLayer();
  vTimerOnce(POS_START_MS);
  s_bInTutorial.store(true);
}

void vRestartTutorial(void) {
  s_bTutorialStarted = false;
  s_bInTutorial.store(false);
  s_bPOSKeyPressDetected = false;
  POS_SCRIPT_vReset(&s_script, nullptr, 0, POS_PREAMBLE_START, tDefaultExitBox());
  if (s_bUsingExtScript && s_pPOS_FileData != nullptr) H_MEMORY_vFree(s_pPOS_FileData);
  s_pPOS_FileData = nullptr;
  s_POS_FileSize = 0;
  s_bUsingExtScript = false;
  vFreePhoto();
  U_KEYBOARD_bUnregisterKeys(M_KEYB, 0xFFFE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("CDSM"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  vTimerOnce(POS_START_MS);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

bool bScriptHoldsKeys(void) { return s_bInTutorial.load() && !s_bUseDefaultPOS.load(); }

void vRotationStep(void) {
  U32 state = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &state) || state != (U32)STATE_POINT_OF_SALE) {
    vReleaseTimer();
    s_bPOSMode.store(false);
    U_VIEW_bUnRegisterLayer(POS_MESSAGE_LAYER);
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    return;
  }
  if (s_bPOSKeyPressDetected) {
    vTimerOnce(POS_ENTER_MS);
    s_bPOSKeyPressDetected = false;
    H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), FALSE, P_NORMAL);
    T_KEYBOARD_vSendResetMessages();
    s_u32POSScriptIndex.store(0);
    vRegisterLayer();
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    return;
  }
  const U32 row = s_u32POSScriptIndex.load() % ROTATION_ROWS;
  const POS_SCRIPT_ITEM& item = s_scriptItems[row];
  if (item.changeView != NO_VIEW_PRIORITY) {
    H_DATABASE_bUpdateValueU32(FCID("CVEW"), (U32)(S32)item.changeView, P_NORMAL);
  }
  if (item.changeDatabaseItem != 0) {
    H_DATABASE_bUpdateValueU32(item.changeDatabaseItem, item.changeDatabaseItemTo, P_NORMAL);
  }
  vTimerOnce(item.delayToNextState);
  s_u32POSScriptIndex.store((row + 1) % ROTATION_ROWS);
}

void vEnterMode(bool bAtStart) {
  s_bPOSMode.store(true);
  H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), FALSE, P_NORMAL);
  L_MUTEX_LockWait(RES_POS_TUTORIAL);
  if (bAtStart) {
    H_DATABASE_bRegisterForDataWithConditions(FCID("CSD0"), M_KEYB, TRUE, FALSE, FALSE);
    H_DATABASE_bRegisterForDataWithConditions(FCID("CSD1"), M_KEYB, TRUE, FALSE, FALSE);
    s_bCardNoticesRegistered = true;
    if (!s_bTutorialStarted) {
      s_script.exitBoxAnchor = {-1, -1};
      if (s_pPOSTimer == nullptr) vTimerOnce(POS_START_MS);
    }
  } else {
    vTimerOnce(POS_ENTER_MS);
  }
  L_MUTEX_Unlock(RES_POS_TUTORIAL);
  if (!bAtStart || !bScriptHoldsKeys()) {
    vRegisterLayer();
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  }
  T_KEYBOARD_vSendResetMessages();
  log_me("keyboard: point-of-sale demonstration starts");
}

void vLeaveMode(void) {
  if (!s_bPOSMode.exchange(false)) return;
  H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), TRUE, P_NORMAL);
  U_VIEW_bUnRegisterLayer(POS_MESSAGE_LAYER);
  L_MUTEX_LockWait(RES_POS_TUTORIAL);
  vReleaseTimer();
  // A script that held the keys ends with the mode: the customer gets every
  // key back at once.
  if (bScriptHoldsKeys()) {
    vRestartTutorial();
    vReleaseTimer();
  }
  L_MUTEX_Unlock(RES_POS_TUTORIAL);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  log_me("keyboard: point-of-sale demonstration ends");
}

// ------------------------------------------------------------ drawing
struct TEXT_PEN {
  BITMAP* bitmap;
  COLOR colour;
  const FONT_DEF* font;
  S32 x0, x, y;
  bool lineStart;
};

void vPenVisit(void* ctx, POS_TEXT_ITEM item, S32 value) {
  TEXT_PEN& p = *(TEXT_PEN*)ctx;
  switch (item) {
    case POS_TEXT_CHAR:
      if (value == '\n') {
        p.x = p.x0;
        p.y -= 23;
        p.lineStart = true;
        return;
      } else {
        const POINT at{p.x, p.y};
        G_FONTS_vPut(p.bitmap, p.colour, &at, p.font, (U8)value);
        p.x += (S32)G_FONTS_u32GetWidth(p.font, (U8)value);
      }
      break;
    case POS_TEXT_BULLET:
      G_CIRCLE_vDrawFilled(p.bitmap, p.colour, POINT{p.x + 5, p.y + 7}, 5);
      p.x += 13;
      break;
    case POS_TEXT_HSPACE:
      p.x += value;
      break;
    case POS_TEXT_VSPACE:
      if (!p.lineStart) {
        p.x = p.x0;
        p.y -= 23;
      }
      p.y -= value;
      break;
    case POS_TEXT_NONE:
      break;
  }
  p.lineStart = false;
}

void vDrawBalloon(BITMAP* b, const D_BALLOON& d) {
  const COLOR white = gCOLOR_pcolColorTable[35], black = gCOLOR_pcolColorTable[32];
  const S32 x = d.llAnchor.x, y = d.llAnchor.y;
  const U32 w = d.widthPixels, l = d.heightLines;
  G_BOX_vDrawRoundedFilled(b, white, POINT{x, y}, w + 18, 20 * l + 64, 11);
  G_BOX_vDrawRoundedFilled(b, black, POINT{x + 1, y + 1}, w + 16, 20 * l + 62, 11);
  const S32 px = x + 9, py = y + 9;
  G_BOX_vDrawRoundedFilled(b, white, POINT{px, py}, w, 20 * l + 46, 7);
  G_BOX_vDrawFilled(b, black, POINT{px, py + (S32)(20 * l) + 17}, w, 3);
  POINT title{px + 3, py + (S32)(20 * l) + 26};
  G_STRING_vPut(b, black, &title, std_16x17_font_def_ptr, d.title);
  TEXT_PEN pen{b, black, std_11x14_font_def_ptr, px + 3, px + 3, py + (S32)(20 * l), true};
  POS_SCRIPT_bWalkText(d.text, vPenVisit, &pen);
  if (d.bMoreInfo) {
    G_BOX_vDrawFilled(b, black, POINT{px, py}, w, 20);
    POINT at{px + 3, py + 3};
    G_STRING_vPut(b, white, &at, std_11x14_font_def_ptr, MORE_INFO_TEXT);
  }
}

}  // namespace

// ------------------------------------------------------------ interface
void T_KEYBOARD_vPointOfSaleStart(void) { vEnterMode(true); }

void T_KEYBOARD_vPointOfSaleNotice(FOURCHARID key, U32 value, BOOLEAN bValid) {
  if (key == FCID("CCST")) {
    if (bValid && value == (U32)STATE_POINT_OF_SALE) {
      if (!s_bPOSMode.load()) vEnterMode(false);
    } else {
      vLeaveMode();
    }
  } else if (key == FCID("CSD0") || key == FCID("CSD1")) {
    if (!s_bPOSMode.load()) return;
    const char* path = key == FCID("CSD0") ? "/mnt/mmc0/POSDemo.txt" : "/mnt/mmc1/POSDemo.txt";
    FILE* f = fopen(PLATFORM_sResolvePath(path).c_str(), "rb");
    if (f == nullptr) return;
    fclose(f);
    L_MUTEX_LockWait(RES_POS_TUTORIAL);
    vRestartTutorial();
    L_MUTEX_Unlock(RES_POS_TUTORIAL);
  } else if (key == FCID("SDBV")) {
    if (!bValid || value == 0) {
      H_DATABASE_bUpdateEverythingBoolean(FCID("CDSM"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    }
  }
}

void T_KEYBOARD_vPointOfSaleTimer(void) {
  if (!s_bPOSMode.load()) return;
  s_u32Steps.fetch_add(1);
  if (!s_bTutorialStarted) {
    s_bTutorialStarted = true;
    T_KEYBOARD_vSendResetMessages();
    vHandleTutorialStart();
    return;
  }
  if (s_bUseDefaultPOS.load()) {
    vRotationStep();
    return;
  }
  const S32 delay = POS_SCRIPT_s32Step(&s_script, &s_env);
  if (delay >= 0) {
    vTimerOnce((U32)delay);
  } else if (s_script.scriptError != NO_ERROR) {
    static POS_ERROR_CODE s_eLogged = NO_ERROR;
    if (s_eLogged != s_script.scriptError) {
      log_me("keyboard: demonstration script stopped: %s", POS_SCRIPT_pcErrorMessage(s_script.scriptError));
    }
    s_eLogged = s_script.scriptError;
  }
}

void T_KEYBOARD_vPointOfSaleKeyHook(void) {
  if (!s_bPOSMode.load() || bScriptHoldsKeys()) return;
  L_MUTEX_LockWait(RES_POS_TUTORIAL);
  if (!s_bPOSKeyPressDetected) {
    s_bPOSKeyPressDetected = true;
    H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), TRUE, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SCPP"), 0, P_NORMAL);
  }
  vTimerOnce(POS_CUSTOMER_MS);
  L_MUTEX_Unlock(RES_POS_TUTORIAL);
  U_VIEW_bUnRegisterLayer(POS_MESSAGE_LAYER);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_KEYBOARD_vPointOfSaleTutorialKey(const MSG_KEY_CHANGE* pMsg) {
  if (!s_bInTutorial.load()) return;
  if (pMsg->key == KEY_MASK_EXIT) {
    H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), TRUE, P_NORMAL);
    if (pMsg->state == KEY_DOWN) {
      L_MUTEX_LockWait(RES_POS_TUTORIAL);
      vRestartTutorial();
      vTimerOnce(POS_CUSTOMER_MS);
      L_MUTEX_Unlock(RES_POS_TUTORIAL);
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    }
    return;
  }
  if (pMsg->key == KEY_MASK_CURSOR && pMsg->state == KEY_DOWN && pMsg->cursor == CURSOR_EAST) {
    H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), TRUE, P_NORMAL);
    L_MUTEX_LockWait(RES_POS_TUTORIAL);
    const BOOLEAN offered = POS_SCRIPT_bEnterOfferedChapter(&s_script, &s_env);
    L_MUTEX_Unlock(RES_POS_TUTORIAL);
    L_SEMA_Signal(offered ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
    return;
  }
  if (pMsg->state == KEY_DOWN) {
    H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), TRUE, P_NORMAL);
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  } else {
    H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), FALSE, P_NORMAL);
  }
}

void T_KEYBOARD_vPointOfSalePhotoLoaded(void) {
  if (!s_bPhotoPending) return;
  s_bPhotoPending = false;
  if (s_bPhotoRemoveWhenLoaded) {
    s_bPhotoRemoveWhenLoaded = false;
    vFreePhoto();
  }
}

BOOLEAN T_KEYBOARD_bPointOfSaleRunning(void) { return s_bPOSMode.load() ? TRUE : FALSE; }

U32 T_KEYBOARD_u32PointOfSaleSteps(void) { return s_u32Steps.load(); }

void T_KEYBOARD_vDrawPOSMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (s_bUseDefaultPOS.load()) {
    const U32 index = s_u32POSScriptIndex.load();
    const POS_SCRIPT_ITEM& row = s_scriptItems[index == 0 ? ROTATION_ROWS - 1 : index - 1];
    if (row.pMessageString != nullptr) {
      U_DIALOG_vDrawMessageBlockOutlined(pBitmap, pcText(row.pMessageString), std_11x14_font_def_ptr, 0,
                                         JUSTIFICATION_CENTER, JUSTIFICATION_BOTTOM, row.anchor, row.boxWidth,
                                         gCOLOR_pcolColorTable[35], gCOLOR_pcolColorTable[32],
                                         gCOLOR_pcolColorTable[32]);
    }
    return;
  }
  L_MUTEX_LockWait(RES_POS_TUTORIAL);
  T_KEYBOARD_vDrawPOSScript(pBitmap, &s_script, s_bPhotoPending ? nullptr : s_pPhotoImage);
  L_MUTEX_Unlock(RES_POS_TUTORIAL);
}

void T_KEYBOARD_vDrawPOSScript(BITMAP* pBitmap, const POS_SCRIPT* s, const BITMAP* pPhoto) {
  const bool photo = s->bShowImage && pPhoto != nullptr;
  if (s->scriptError != NO_ERROR) {
    const char* msg = POS_SCRIPT_pcErrorMessage(s->scriptError);
    U32 width = G_STRING_u32GetWidth(std_16x17_font_def_ptr, msg) + 9;
    if (width > (U32)pBitmap->pixels_wide - 10) width = (U32)pBitmap->pixels_wide - 10;
    U_DIALOG_vDrawDialog(pBitmap, msg, std_16x17_font_def_ptr, 0, (U16)width, nullptr, nullptr,
                         JUSTIFICATION_CENTER, JUSTIFICATION_SCREEN_CENTER);
  } else if (s->curBalloon.bActive) {
    if (photo) G_BMP_vCopyRegion(pPhoto, pBitmap, 0, 0, 800);
    vDrawBalloon(pBitmap, s->curBalloon);
  } else if (photo) {
    G_BMP_vCopyRegion(pPhoto, pBitmap, 0, 0, 800);
  }
  const POINT e = s->exitBoxAnchor;
  if (e.x >= 0 && e.y >= 0) {
    const U32 t = u32ExitTextWidth();
    G_BOX_vDrawRoundedFilled(pBitmap, gCOLOR_pcolColorTable[35], e, t + 14, 28, 11);
    G_BOX_vDrawRoundedFilled(pBitmap, gCOLOR_pcolColorTable[32], POINT{e.x + 1, e.y + 1}, t + 12, 26, 11);
    POINT at{e.x + 7, e.y + 7};
    G_STRING_vPut(pBitmap, gCOLOR_pcolColorTable[35], &at, std_11x14_font_def_ptr, pcText(s_txtPressExit));
  }
}
