// Software update from a card: an image "*.BIN" in the card's root whose
// trailer names this unit's model and another version is offered to the
// user twice; on a Yes and then a No the factory defaults are restored, the
// image's path is handed to the updater outside the program in
// "/tmp/up_fname.txt" and the program ends with status 20 + slot.
#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

#include "common/db_types.h"
#include "common/key_types.h"
#include "common/view_types.h"
#include "data/icons.h"
#include "lsvc/lsvc.h"
#include "source/core/dd_sd.h"
#include "source/core/h_database.h"
#include "source/core/u_file.h"
#include "source/core/u_shutdown.h"
#include "source/core/version.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_line.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/platform/platform.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_mmc_int.h"
#include "source/startup/t_mmc_update_trailer.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_keyboard_shutdown.h"
#include "source/ui/u_dialog.h"
#include "source/ui/u_menu_controls.h"

namespace {

enum REFLASH_STATUS : S32 {
  REFLASH_NONE = 0,
  REFLASH_WAIT_FOR_FIRST_ACKNOWLEDGE = 1,
  REFLASH_WAIT_FOR_SECOND_ACKNOWLEDGE = 2,
  REFLASH_ABORT = 3,
  REFLASH_PROCEED = 4,
  REFLASH_STARTING = 5,
  REFLASH_IN_PROGRESS = 6,
  REFLASH_COMPLETING = 7,
  REFLASH_MMC_READ_FAILURE = 8,
};

constexpr U32 KEYS_BUT_POWER = 0xFBFE;
constexpr U32 ALL_KEYS = 0xFFFF;
constexpr U32 KEY_EXIT = 8;
constexpr U32 KEY_CURSOR = 16;
constexpr U32 FILL_SWITCH_TICKS = 5000;  // 1 s of the 200-microsecond timer
constexpr size_t MESSAGE_SIZE = 300;
constexpr int MAX_LINES = 12;
const char* const HANDOVER_FILE = "/tmp/up_fname.txt";

std::atomic<S32> s_eReflashState{REFLASH_NONE};
std::mutex s_textLock;  // the text and its lines, shared with the view task
char s_cMessage[MESSAGE_SIZE];
LINEOFTEXT s_sTextLines[MAX_LINES];
int s_numLines = -1;  // 0: split again before drawing, -1: nothing drawn
U32 s_u32NewVersion = 0;
U32 s_u32FillStamp = 0;
bool s_bFillOther = false;

COLOR colour(U32 entry) { return G_COLOR_Load(gCOLOR_pcolColorTable + entry); }

void vSetText(const std::string& text) {
  std::lock_guard<std::mutex> hold(s_textLock);
  snprintf(s_cMessage, sizeof s_cMessage, "%s", text.c_str());
  s_numLines = 0;
  log_me("MMC: update text: %s", s_cMessage);
}

std::string sVersion(U32 version) {
  char text[24];
  vFormatUpdateVersion(version, text, sizeof text);
  return text;
}

// Reads the trailer of the image; false when the file is shorter or cannot
// be read.
bool bReadTrailer(const std::string& unitPath, U8* pu8Trailer) {
  FILE* f = fopen(PLATFORM_sResolvePath(unitPath.c_str()).c_str(), "rb");
  if (f == nullptr) return false;
  bool ok = fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? ftell(f) : -1;
  ok = ok && size >= (long)UPDATE_TRAILER_BYTES && fseek(f, size - (long)UPDATE_TRAILER_BYTES, SEEK_SET) == 0 &&
       fread(pu8Trailer, 1, UPDATE_TRAILER_BYTES, f) == UPDATE_TRAILER_BYTES;
  fclose(f);
  return ok;
}

// The image's version when it is for this unit; 0 otherwise.
U32 u32ImageVersion(const U8* pu8Trailer) {
  U32 model = 0;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &model)) return 0;
  const char* name = pcUpdateModelName(model);
  if (name == nullptr) return 0;
  char value[UPDATE_VALUE_SIZE];
  if (!bGetUpdateString(pu8Trailer, UPDATE_TRAILER_BYTES, "model", value)) return 0;
  if (strcmp(value, name) != 0 && strcmp(value, "all") != 0) return 0;
  U32 version = 0;
  if (!bGetUpdateString(pu8Trailer, UPDATE_TRAILER_BYTES, "version", value) ||
      !bParseUpdateVersion(value, &version)) {
    return 0;
  }
  return version;
}

void vRedraw(void) { (void)L_SEMA_Signal(SEMA_VIEW_UPDATE); }

void vRegisterBox(void) {
  (void)U_VIEW_bRegisterLayer(&T_MMC_vDrawConfirmMessage, MMC_MESSAGE_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr,
                              nullptr, nullptr);
}

void vRemoveBox(void) {
  (void)U_VIEW_bUnRegisterLayer(MMC_MESSAGE_LAYER);
  (void)VIEW_SEAM_bUnregisterKeys(M_MMC, KEYS_BUT_POWER);
  std::lock_guard<std::mutex> hold(s_textLock);
  s_numLines = -1;
}

// The failure screen, then a reset.
[[noreturn]] void vReadFailure(void) {
  s_eReflashState.store(REFLASH_MMC_READ_FAILURE);
  (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  vRedraw();
  L_CLOCK_Sleep(5000);
  U_RESET_vReset();
}

bool bWriteHandover(const std::string& unitPath) {
  const std::string file = PLATFORM_sResolvePath(HANDOVER_FILE);
  (void)unlink(file.c_str());  // a stale hand-over must not survive a failed write
  FILE* f = fopen(file.c_str(), "w");
  if (f == nullptr) {
    fprintf(stderr, "fopen failed: %s\n", strerror(errno));
    return false;
  }
  bool ok = true;
  if (fprintf(f, "%s", unitPath.c_str()) < 0) {
    fprintf(stderr, "fprintf failed: %s\n", strerror(errno));
    ok = false;
  }
  if (fflush(f) != 0) {
    fprintf(stderr, "fflush failed: %s\n", strerror(errno));
    ok = false;
  }
  if (fclose(f) != 0) {
    fprintf(stderr, "fclose failed: %s\n", strerror(errno));
    ok = false;
  }
  if (!ok) (void)unlink(file.c_str());
  return ok;
}

// The hand-over: defaults restored, the file written, the tasks stopped and
// the program ended for the updater. Returns only through the reset.
[[noreturn]] void vProceed(S32 slot, const std::string& unitPath) {
  U8 trailer[UPDATE_TRAILER_BYTES];
  if (!bReadTrailer(unitPath, trailer) || u32ImageVersion(trailer) != s_u32NewVersion) {
    log_me("MMC: update image %s no longer readable, nothing changed", unitPath.c_str());
    vReadFailure();
  }
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SSRD"), TRUE, P_NORMAL);
  T_KEYBOARD_vRestoreFactoryDefaults();
  if (!bWriteHandover(unitPath)) vReadFailure();
  vSetText("Updating software to version " + sVersion(s_u32NewVersion) + ". Do not interrupt this operation!");
  s_eReflashState.store(REFLASH_STARTING);
  (void)U_KEYBOARD_bRegisterKeys(M_MMC, ALL_KEYS, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_REFLASH);
  (void)H_DATABASE_bUpdateValueBoolean(FCID("CMMC"), TRUE, P_HIGHEST);
  (void)U_VIEW_bRegisterLayer(&T_MMC_vDrawReflashProgressScreen, MMC_FULL_SCREEN, USED_BY_NONE, 0, FCID("CMMC"),
                              TRUE, nullptr, nullptr, nullptr);
  (void)H_DATABASE_bUpdateValueU32(FCID("CVEW"), MMC_FULL_SCREEN, P_HIGHEST);
  vRedraw();
  vRedraw();
  L_CLOCK_Sleep(1000);
  static const FOURCHARID s_aKeep[] = {FCID("TMMC"), FCID("TVUE"), FCID("TDSP"), 0};
  (void)U_SHUTDOWN_vShutdown(s_aKeep);
  lm_exit(__FILE__, __LINE__, 20 + (int)slot);
  vReadFailure();
}

// Offers one image; returns after a decline.
void vOffer(S32 slot, const std::string& unitPath, U32 current, U32 version) {
  U32 noted = STATE_NORMAL_RUN;
  (void)H_DATABASE_bFetchU32(FCID("CCST"), &noted);
  const S32 remembered = T_MMC_eRememberedSystemState();
  (void)H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_UPDATING_CODE, P_NORMAL);
  (void)U_KEYBOARD_bRegisterKeys(M_MMC, KEYS_BUT_POWER, KEY_DOWN, FALSE, FALSE, CURSOR_4, REGISTER_REFLASH);
  s_u32NewVersion = version;
  vSetText("Replacing the software on this unit will restore the factory defaults.  Losing power during this "
           "process may corrupt the unit and require shipment to Quorvane Service which is not covered under the "
           "warranty.  Replace software version " +
           sVersion(current) + " with version " + sVersion(version) + " from MMC/SD card?");
  s_eReflashState.store(REFLASH_WAIT_FOR_FIRST_ACKNOWLEDGE);
  vRegisterBox();
  vRedraw();
  T_MMC_vReflashWait(REFLASH_WAIT_FOR_FIRST_ACKNOWLEDGE);
  if (s_eReflashState.load() == REFLASH_ABORT) {
    (void)H_DATABASE_bUpdateValueU32(FCID("CCST"), (U32)remembered, P_NORMAL);
    (void)H_DATABASE_bUpdateValueU32(FCID("CCST"), noted, P_NORMAL);
    vRemoveBox();
    vRedraw();
    log_me("MMC: update declined");
    return;
  }
  if (version < current) {
    vSetText("Abort replacing Software version " + sVersion(current) + " with older version " + sVersion(version));
  } else {
    vSetText("Abort software update to version " + sVersion(version));
  }
  vRedraw();
  T_MMC_vReflashWait(REFLASH_WAIT_FOR_SECOND_ACKNOWLEDGE);
  (void)H_DATABASE_bUpdateValueU32(FCID("CCST"), (U32)remembered, P_NORMAL);
  vRemoveBox();
  vRedraw();
  if (s_eReflashState.load() == REFLASH_ABORT) {
    (void)H_DATABASE_bUpdateValueU32(FCID("CCST"), noted, P_NORMAL);
    log_me("MMC: update declined");
    return;
  }
  vProceed(slot, unitPath);
}

}  // namespace

void T_MMC_vSetUpdateScreen(S32 state, const char* pcText) {
  {
    std::lock_guard<std::mutex> hold(s_textLock);
    snprintf(s_cMessage, sizeof s_cMessage, "%s", pcText != nullptr ? pcText : "");
    s_numLines = 0;
  }
  s_u32FillStamp = 0;
  s_bFillOther = false;
  s_eReflashState.store(state);
}

void T_MMC_vReflashWait(S32 state) {
  static const SEMA s_waitList[] = {SEMA_MBOX_MMC, 0};
  while (s_eReflashState.load() == state) {
    (void)L_SEMA_WaitMultipleTicks(s_waitList, 200);
    while (s_eReflashState.load() == state) {
      void* pMsg = L_MBOX_Receive(M_MMC);
      if (pMsg == nullptr) break;
      auto* generic = static_cast<GENERIC_MESSAGE*>(pMsg);
      const bool first = state == REFLASH_WAIT_FOR_FIRST_ACKNOWLEDGE;
      if (generic->Cmd == CMD_ID_KEY_CHANGE) {
        const auto* key = static_cast<const MSG_KEY_CHANGE*>(pMsg);
        if (key->key == KEY_EXIT) {
          s_eReflashState.store(REFLASH_ABORT);
          (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
        } else if (key->key == KEY_CURSOR && key->cursor == CURSOR_EAST) {
          s_eReflashState.store(first ? REFLASH_WAIT_FOR_SECOND_ACKNOWLEDGE : REFLASH_ABORT);
          (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
        } else if (key->key == KEY_CURSOR && key->cursor == CURSOR_WEST) {
          s_eReflashState.store(first ? REFLASH_ABORT : REFLASH_PROCEED);
          (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
        } else {
          (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
        }
      } else if (generic->Cmd == CMD_ID_SCREEN_DUMP) {
        (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
      } else if (generic->Cmd == CMD_ID_SHUTDOWN) {
        s_eReflashState.store(REFLASH_ABORT);
        T_MMC_vShutdownCards();
      }
      H_MEMORY_vDumpMail(pMsg);
    }
  }
}

void T_MMC_vUpdateFlash(S32 slot) {
  const char* mount = DD_SD_pcMountPoint(slot);
  DIR* d = opendir(PLATFORM_sResolvePath(mount).c_str());
  if (d == nullptr) return;
  const VERSION_INFO* info = VERSION_pversion_infoGetCurrentVersion();
  U32 current = 0;
  if (info == nullptr || !bParseUpdateVersion(info->version, &current)) {
    log_me("MMC: own version unreadable, no update");
    closedir(d);
    return;
  }
  while (struct dirent* e = readdir(d)) {
    if (!U_FILE_bCheckExtension(e->d_name, "BIN")) continue;
    const std::string unitPath = std::string(mount) + "/" + e->d_name;
    U8 trailer[UPDATE_TRAILER_BYTES];
    if (!bReadTrailer(unitPath, trailer)) continue;
    const U32 version = u32ImageVersion(trailer);
    if (version == 0) continue;
    if (version == current) {
      const std::string note = "Current software version " + sVersion(current) + ", MMC/SD card version " +
                               sVersion(version) + ". No update required.";
      T_NAV_ALARM_vSetNavUIRawNote(note.c_str());
      continue;
    }
    log_me("MMC: update image %s, version %u", unitPath.c_str(), (unsigned)version);
    vOffer(slot, unitPath, current, version);
  }
  closedir(d);
}

void T_MMC_vDrawConfirmMessage(BITMAP* b, const WINDOW_SPECIFICATION*) {
  if (b == nullptr) return;
  const FONT_DEF* font = std_16x17_font_def_ptr.load();
  if (font == nullptr) return;
  std::lock_guard<std::mutex> hold(s_textLock);
  if (s_numLines < 0) return;
  if (s_numLines == 0) {
    s_numLines = U_DIALOG_u16ExtractTextIntoLines(s_cMessage, s_sTextLines, font, (U16)(b->pixels_wide - 28));
    if (s_numLines > MAX_LINES) s_numLines = MAX_LINES;
  }
  const COLOR back = colour(s_eReflashState.load() == REFLASH_WAIT_FOR_SECOND_ACKNOWLEDGE ? 36 : 71);
  U32 widest = 0;
  for (int i = 0; i < s_numLines; ++i) widest = std::max<U32>(widest, s_sTextLines[i].u16WidthOfLine);
  const U32 title = G_STRING_u32GetWidth(font, "Confirm:");
  const U32 width = std::max<U32>(widest + 4, title + 2 * (U32)confirm_icon.nWidth) + 16;
  const U32 height = 24 * (U32)s_numLines + 78;
  const S32 left = ((S32)b->pixels_wide - (S32)width) / 2;
  const S32 bottom = ((S32)b->pixels_high - (S32)height) / 2;
  const S32 top = bottom + (S32)height;
  G_BOX_vDrawRounded(b, colour(67), POINT{(PIXEL)left, (PIXEL)bottom}, width, height, 5);
  G_BOX_vDrawRounded(b, colour(67), POINT{(PIXEL)(left + 1), (PIXEL)(bottom + 1)}, width - 2, height - 2, 3);
  G_BOX_vDrawRoundedFilled(b, back, POINT{(PIXEL)(left + 2), (PIXEL)(bottom + 2)}, width - 4, height - 4, 3);
  G_LINE_vDraw(b, colour(67), POINT{(PIXEL)left, (PIXEL)(top - 36)}, POINT{(PIXEL)(left + (S32)width - 1), (PIXEL)(top - 36)});
  const S32 titleX = left + ((S32)width - (S32)title) / 2;
  G_ICON_vPut(b, &confirm_icon, POINT{(PIXEL)(titleX - 6 - confirm_icon.nWidth), (PIXEL)(top - 34)});
  POINT at = {(PIXEL)titleX, (PIXEL)(top - 28)};
  G_STRING_vPut(b, colour(68), &at, font, "Confirm:");
  for (int i = 0; i < s_numLines; ++i) {
    char line[128];
    const size_t n = std::min<size_t>(s_sTextLines[i].u8NumberOfCharsInLine, sizeof line - 1);
    memcpy(line, s_sTextLines[i].pcStartOfText, n);
    line[n] = '\0';
    POINT p = {(PIXEL)(left + 10), (PIXEL)(top - 60 - 24 * i)};
    G_STRING_vPut(b, colour(68), &p, font, line);
  }
  U_MENU_vDrawArrowLeft(b, POINT{(PIXEL)(left + 23), (PIXEL)(bottom + 5)}, 26, colour(68));
  POINT no = {(PIXEL)(left + 23 + 26 + 8), (PIXEL)(bottom + 9)};
  G_STRING_vPut(b, colour(68), &no, font, "No");
  U_MENU_vDrawArrowRight(b, POINT{(PIXEL)(left + (S32)width - 24 - 26), (PIXEL)(bottom + 5)}, 26, colour(68));
  const U32 yes = G_STRING_u32GetWidth(font, "Yes");
  POINT y = {(PIXEL)(left + (S32)width - 24 - 26 - 4 - (S32)yes), (PIXEL)(bottom + 9)};
  G_STRING_vPut(b, colour(68), &y, font, "Yes");
}

void T_MMC_vDrawReflashProgressScreen(BITMAP* b, const WINDOW_SPECIFICATION*) {
  if (b == nullptr) return;
  const FONT_DEF* font = std_16x17_font_def_ptr.load();
  const char* text = nullptr;
  std::string starting;
  switch (s_eReflashState.load()) {
    case REFLASH_STARTING: {
      const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds() * 5;
      if (s_u32FillStamp == 0 || now - s_u32FillStamp >= FILL_SWITCH_TICKS) {
        if (s_u32FillStamp != 0) s_bFillOther = !s_bFillOther;
        s_u32FillStamp = now == 0 ? 1 : now;
      }
      G_BMP_vSet(b, colour(s_bFillOther ? 37 : 36));
      std::lock_guard<std::mutex> hold(s_textLock);
      starting = s_cMessage;
      text = starting.c_str();
      break;
    }
    case REFLASH_COMPLETING:
      G_BMP_vSet(b, colour(39));
      text = "Software update complete. Restarting.";
      break;
    case REFLASH_MMC_READ_FAILURE:
      G_BMP_vSet(b, colour(38));
      text = "MMC/SD read error. Software has not been modified. Restarting.";
      break;
    default:
      return;
  }
  U_DIALOG_vDrawDialog(b, text, font, 0, (U16)(b->pixels_wide * 2 / 3), nullptr, nullptr, JUSTIFICATION_CENTER,
                       JUSTIFICATION_CENTER);
}
