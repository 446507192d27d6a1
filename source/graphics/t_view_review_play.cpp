// The review view's sonar states: a recording running and a recording
// played back. The recording itself belongs to the processing task (it
// follows CSRE) and the card task; the playback reader belongs to the ping
// task (it follows CCST and CPSP). This part keeps the keys that drive
// them, the playback mode and its speed menu, and draws the two states.
#include <stdio.h>
#include <string.h>

#include <atomic>
#include <mutex>

#include "common/language.h"
#include "data/icons.h"
#include "source/core/h_database.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view.h"
#include "source/graphics/t_view_review_int.h"
#include "source/graphics/u_fonts.h"

namespace review_play {

namespace {

#define PLAY_TEXT(name, text)                                                                    \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
PLAY_TEXT(s_txtStopRecording, "Stop Recording");
PLAY_TEXT(s_txtStopPlayback, "Stop Playback");
PLAY_TEXT(s_txtPlaybackSpeed, "Playback Speed");
PLAY_TEXT(s_txtPingRate, "Pings Per Second");
PLAY_TEXT(s_txtAuto, "Auto");
const MENU_LIMITS s_pingRateLimits = {U_NONE, 1.0f, 11.0f, 1.0f};

constexpr FOURCHARID KEY_CSRE = FCID("CSRE");
constexpr FOURCHARID KEY_CPSP = FCID("CPSP");
constexpr FOURCHARID KEY_CPSM = FCID("CPSM");
constexpr FOURCHARID KEY_CCST = FCID("CCST");
constexpr FOURCHARID KEY_CRST = FCID("CRST");

// The figures of the recording or playback shown, guarded by s_lock (the
// view task draws them, the card task's start message and the menu task's
// state changes write them).
std::mutex s_lock;
U32 s_u32RecordStartDateTime = 0;
U32 s_u32CardAvailableKB = 0;
U32 s_u32CardSizeKB = 0;
char s_sRecordFilename[14] = " ";
U8 s_u8DeviceNumber = 0;
SONAR_RECORD_THUMB_HEADER s_played{};  // the header of the recording played back
char s_acPlayedName[THUMBNAIL_NAME_SIZE] = {};

S32 s_s32PreviousState = STATE_NORMAL_RUN;
std::atomic<U32> s_u32Mode{PLAYBACK_MODE_STOP};
std::atomic<U32> s_u32SpeedMenu{0};

U32 u32Key(FOURCHARID key, U32 def) {
  U32 v = 0;
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(key, &v, &valid) && valid ? v : def;
}

// The speed menus: the modes offered, each with its icon.
const ICON* const s_apModeIcons[12] = {nullptr,
                                       &rew_icon,               // begin
                                       &rew2_active_icon,       // 4x reverse
                                       &rew1_active_icon,       // 2x reverse
                                       &playrev_active_icon,    // reverse
                                       &playrewslow_active_icon,  // slow reverse
                                       &pause_active_icon,      // pause
                                       &playslow_active_icon,   // slow forward
                                       &play_active_icon,       // forward
                                       &ffw1_active_icon,       // 2x forward
                                       &ffw2_active_icon,       // 4x forward
                                       &ffw_icon};              // end
struct SPEED_MENU {
  U32 u32First, u32Count;
  const ICON* apIcons[11];
  U32 au32Values[11];
};
SPEED_MENU s_aSpeedMenus[4];
void vBuildSpeedMenus(void) {
  static const U32 range[4][2] = {{1, 11}, {6, 6}, {1, 6}, {11, 1}};
  for (U32 m = 0; m < 4; ++m) {
    SPEED_MENU& s = s_aSpeedMenus[m];
    s.u32First = range[m][0];
    s.u32Count = range[m][1];
    for (U32 i = 0; i < s.u32Count; ++i) {
      s.au32Values[i] = s.u32First + i;
      s.apIcons[i] = s_apModeIcons[s.u32First + i];
    }
  }
}

REVIEW_MENU_ITEM ActionItem(DB_TEXT_RECORD text, const ICON* icon, MENU_PRIORITY priority, MENU_ACTION_FUNC fn) {
  REVIEW_MENU_ITEM item{};
  item.eKind = REVIEW_MENU_ACTION;
  item.pText = text;
  item.pIcon = icon;
  item.priority = priority;
  item.pfnAction = fn;
  item.view = USED_BY_ALL;
  return item;
}

// ------------------------------------------------------------ drawing
void vPut(BITMAP* b, const FONT_DEF* f, COLOR c, S32 xCentre, S32 y, const char* text) {
  POINT at{xCentre - (S32)G_STRING_u32GetWidth(f, text) / 2, y};
  G_STRING_vPut(b, c, &at, f, text);
}

// "-1.5GB" from 1 GiB on, "-12.3MB" below 100 MiB, else "-345MB".
void vFormatSize(U32 kb, char* out, size_t n, const char* sign) {
  if (kb >= 1048576u) {
    snprintf(out, n, "%s%.1fGB", sign, kb / 1048576.0);
  } else if (kb < 102400u) {
    snprintf(out, n, "%s%.1fMB", sign, kb / 1024.0);
  } else {
    snprintf(out, n, "%s%.0fMB", sign, kb / 1024.0);
  }
}

struct FIGURES {
  char acName[25];
  U32 u32Time;  // seconds since the epoch
  bool bTimeValid;
  S32 s32LatitudeMM, s32LongitudeMM;
  bool bPositionValid;
  U32 u32FromStartMs, u32FromStartKB;
  S64 s64RemainingMs;
  U32 u32RemainingKB;
  U32 u32TotalMs, u32TotalKB;  // of the recording (playback) or the card (recording)
  U32 u32CurPingMs, u32AvgPingMs;
  U32 u32CardUsedKB;
};

bool bReverse(U32 mode) { return mode >= PLAYBACK_MODE_4XREVERSE && mode <= PLAYBACK_MODE_REVERSE_SLOW; }

FIGURES Figures(SR_VIEW_STATE state) {
  FIGURES f{};
  f.u32FromStartMs = u32Key(FCID("CRTS"), 0);
  f.u32FromStartKB = u32Key(FCID("CRBS"), 0) / 1024;
  f.u32CurPingMs = u32Key(FCID("CRCP"), 0);
  f.u32AvgPingMs = u32Key(FCID("CRAV"), 0);
  const U32 bytesPerPing = u32Key(FCID("CRPB"), 0);
  BOOLEAN latValid = FALSE, lonValid = FALSE;
  f.bPositionValid = H_DATABASE_bFetchS32(FCID("ILAT"), &f.s32LatitudeMM, &latValid) && latValid &&
                     H_DATABASE_bFetchS32(FCID("ILON"), &f.s32LongitudeMM, &lonValid) && lonValid;
  std::lock_guard<std::mutex> lock(s_lock);
  if (state == SR_VIEW_PLAYBACK) {
    snprintf(f.acName, sizeof f.acName, "%.*s", (int)strcspn(s_played.RecordingStartWaypoint.acName, "."),
             s_played.RecordingStartWaypoint.acName);
    f.u32TotalMs = s_played.u32TotalTimeMs;
    f.u32TotalKB = (U32)((U64)s_played.u32NumberOfPings * s_played.u32PingSizeBytes / 1024);
    const U32 mode = s_u32Mode.load();
    if (mode == PLAYBACK_MODE_END_FILL || bReverse(mode)) {
      f.s64RemainingMs = f.u32FromStartMs;
      f.u32RemainingKB = f.u32FromStartKB;
    } else {
      f.s64RemainingMs = (S64)f.u32TotalMs - f.u32FromStartMs;
      f.u32RemainingKB = f.u32TotalKB > f.u32FromStartKB ? f.u32TotalKB - f.u32FromStartKB : 0;
    }
    const U32 t = s_played.RecordingStartWaypoint.u32Time + f.u32FromStartMs / 1000;
    f.u32Time = t;
    f.bTimeValid = s_played.RecordingStartWaypoint.u32Time != 0;
  } else {
    snprintf(f.acName, sizeof f.acName, "%s", s_sRecordFilename);
    const U32 used = f.u32FromStartKB;
    f.u32CardUsedKB = s_u32CardSizeKB > s_u32CardAvailableKB ? s_u32CardSizeKB - s_u32CardAvailableKB : 0;
    f.u32RemainingKB = s_u32CardAvailableKB > used ? s_u32CardAvailableKB - used : 0;
    f.u32TotalKB = s_u32CardSizeKB;
    if (bytesPerPing != 0) {
      // Milliseconds of recording per KB at the average ping period.
      const double msPerKB = (double)f.u32AvgPingMs * 1024.0 / bytesPerPing;
      f.s64RemainingMs = (S64)(f.u32RemainingKB * msPerKB);
      f.u32TotalMs = (U32)(s_u32CardSizeKB * msPerKB);
    }
    const U32 t = s_u32RecordStartDateTime + f.u32FromStartMs / 1000;
    f.u32Time = t;
    f.bTimeValid = s_u32RecordStartDateTime != 0;
  }
  return f;
}

// The information box: three cells to a row, two rows.
void vDrawInfo(BITMAP* b, const FIGURES& f) {
  const S32 x = 310, y = 410, h = 150;
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[128], POINT{x, y}, 474, (U32)h);
  const COLOR outline[3] = {gCOLOR_pcolColorTable[36], gCOLOR_pcolColorTable[36], gCOLOR_pcolColorTable[128]};
  for (S32 i = 1; i <= 3; ++i) G_BOX_vDraw(b, outline[i - 1], POINT{x - i, y - i}, (U32)(474 + 2 * i), (U32)(h + 2 * i));
  for (S32 c = 1; c < 3; ++c) G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[36], POINT{x + 158 * c, y}, 1, (U32)h);
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[36], POINT{x, y + 75}, 474, 1);
  const FONT_DEF* font = std_11x14_font_def_ptr;
  const COLOR c = gCOLOR_pcolColorTable[131];
  // Cell k's lower left corner: row 0 at y 485, row 1 at y 410.
  auto cellX = [](int k) { return 310 + 158 * (k % 3) + 79; };
  auto cellY = [](int k) { return k < 3 ? 485 : 410; };
  vPut(b, font, c, 389, 485 + 28, f.acName);
  char upper[32] = "", lower[32] = "";
  if (f.bTimeValid) {
    VIEW_SEAM_vFormatTimeAndDate(f.u32Time, upper, lower);
    vPut(b, font, c, cellX(1), cellY(1) + 40, upper);
    vPut(b, font, c, cellX(1), cellY(1) + 10, lower);
  }
  if (f.bPositionValid) {
    upper[0] = lower[0] = '\0';
    VIEW_SEAM_vFormatPosition(f.s32LatitudeMM, f.s32LongitudeMM, upper, lower);
    vPut(b, font, c, cellX(2), cellY(2) + 40, upper);
    vPut(b, font, c, cellX(2), cellY(2) + 10, lower);
  }
  vPut(b, font, c, cellX(3), cellY(3) + 40, "Current Ping:");
  snprintf(lower, sizeof lower, "%d mS", (int)f.u32CurPingMs);
  vPut(b, font, c, cellX(3), cellY(3) + 10, lower);
  vPut(b, font, c, cellX(4), cellY(4) + 40, "Average Ping:");
  snprintf(lower, sizeof lower, "%d mS", (int)f.u32AvgPingMs);
  vPut(b, font, c, cellX(4), cellY(4) + 10, lower);
  vPut(b, font, c, cellX(5), cellY(5) + 40, "Remaining:");
  const S64 s = (f.s64RemainingMs > 0 ? f.s64RemainingMs : 0) / 1000;
  char size[16];
  vFormatSize(f.u32RemainingKB, size, sizeof size, "-");
  snprintf(lower, sizeof lower, "%d:%02d %s", (int)(s / 60), (int)(s % 60), size);
  vPut(b, font, c, cellX(5), cellY(5) + 10, lower);
}

// The mode bar's two rows: seven icons for the playback modes, then the
// record and stop icons; the current mode's icon lit, the blocked
// direction's icons greyed at the begin and end pauses.
void vDrawModeBar(BITMAP* b, U32 mode) {
  const ICON* row1[7] = {&rew_icon, &playrev_icon, &playrewslow_icon, &pause_icon, &playslow_icon, &play_icon, &ffw_icon};
  const ICON* row2[2] = {&rec_icon, &stop_icon};
  switch (mode) {
    case PLAYBACK_MODE_4XREVERSE: row1[0] = &rew2_active_icon; break;
    case PLAYBACK_MODE_2XREVERSE: row1[0] = &rew1_active_icon; break;
    case PLAYBACK_MODE_REVERSE: row1[1] = &playrev_active_icon; break;
    case PLAYBACK_MODE_REVERSE_SLOW: row1[2] = &playrewslow_active_icon; break;
    case PLAYBACK_MODE_PAUSED:
    case PLAYBACK_MODE_END_FILL:
    case PLAYBACK_MODE_PAUSED_BEGIN:
    case PLAYBACK_MODE_PAUSED_END: row1[3] = &pause_active_icon; break;
    case PLAYBACK_MODE_FORWARD_SLOW: row1[4] = &playslow_active_icon; break;
    case PLAYBACK_MODE_FORWARD: row1[5] = &play_active_icon; break;
    case PLAYBACK_MODE_2XFORWARD: row1[6] = &ffw1_active_icon; break;
    case PLAYBACK_MODE_4XFORWARD: row1[6] = &ffw2_active_icon; break;
    case PLAYBACK_MODE_RECORD: row2[0] = &rec_active_icon; break;
    case PLAYBACK_MODE_STOP: row2[1] = &stop_active_icon; break;
    default: break;
  }
  if (mode == PLAYBACK_MODE_PAUSED_BEGIN) {
    row1[0] = &rew_notavail_icon;
    row1[1] = &playrev_notavail_icon;
    row1[2] = &playrewslow_notavail_icon;
  } else if (mode == PLAYBACK_MODE_PAUSED_END) {
    row1[4] = &playslow_notavail_icon;
    row1[5] = &play_notavail_icon;
    row1[6] = &ffw_notavail_icon;
  }
  auto row = [&](const ICON* const* icons, int n, S32 y) {
    S32 w = 0;
    for (int i = 0; i < n; ++i) w += icons[i]->nWidth + 4;
    S32 x = 310 + (478 - w) / 2;
    for (int i = 0; i < n; ++i) {
      G_ICON_vPut(b, icons[i], POINT{x, y});
      x += icons[i]->nWidth + 4;
    }
  };
  row(row1, 7, 13 + 150);
  row(row2, 2, 13 + 105);
}

// The progress box: the bar with the position, its figures, the mode bar.
void vDrawProgress(BITMAP* b, const FIGURES& f, SR_VIEW_STATE state) {
  const COLOR outline = gCOLOR_pcolColorTable[32];
  G_BOX_vDrawRounded(b, outline, POINT{310, 13}, 478, 202, 3);
  G_BOX_vDrawRounded(b, outline, POINT{312, 15}, 474, 198, 3);
  const S32 bx = 310 + 37, by = 13 + 56, bw = 400, bh = 22;
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[33], POINT{bx, by}, bw, bh);
  G_BOX_vDraw(b, gCOLOR_pcolColorTable[32], POINT{bx - 1, by - 1}, bw + 2, bh + 2);
  U32 done = 0;  // pixels of the bar
  const FONT_DEF* font = std_11x14_font_def_ptr;
  const COLOR c = gCOLOR_pcolColorTable[32];
  char left[48], right[48];
  if (state == SR_VIEW_RECORDING) {
    const U32 used = f.u32CardUsedKB + f.u32FromStartKB;
    if (f.u32TotalKB != 0) done = (U32)((U64)(used > f.u32TotalKB ? f.u32TotalKB : used) * bw / f.u32TotalKB);
    const U32 s = f.u32FromStartMs / 1000;
    snprintf(left, sizeof left, "%u:%02u %.1fMB", (unsigned)(s / 60), (unsigned)(s % 60), f.u32FromStartKB / 1024.0);
    const U32 t = f.u32TotalMs / 1000;
    char size[16];
    vFormatSize(f.u32TotalKB, size, sizeof size, "");
    snprintf(right, sizeof right, "%u:%02u %s", (unsigned)(t / 60), (unsigned)(t % 60), size);
  } else {
    if (f.u32TotalMs != 0) {
      done = (U32)((U64)(f.u32FromStartMs > f.u32TotalMs ? f.u32TotalMs : f.u32FromStartMs) * bw / f.u32TotalMs);
    }
    const U32 s = f.u32FromStartMs / 1000, t = f.u32TotalMs / 1000;
    snprintf(left, sizeof left, "%u:%02u", (unsigned)(s / 60), (unsigned)(s % 60));
    snprintf(right, sizeof right, "%u:%02u", (unsigned)(t / 60), (unsigned)(t % 60));
  }
  if (done > 0) G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[64], POINT{bx, by}, done, bh);
  G_ICON_vPut(b, &slider_icon, POINT{bx + (S32)done - slider_icon.nWidth / 2, by + (bh - slider_icon.nHeight) / 2});
  POINT at{bx, by - 20};
  G_STRING_vPut(b, c, &at, font, left);
  vPut(b, font, c, bx + bw - (S32)G_STRING_u32GetWidth(font, right) / 2, by - 20, right);
  vDrawModeBar(b, u32Key(KEY_CPSP, PLAYBACK_MODE_STOP));
}

}  // namespace

// ------------------------------------------------------------ pure steps
U32 u32ModeAfterCursor(U32 mode, bool bRight) {
  if (mode == PLAYBACK_MODE_PAUSED_BEGIN) return bRight ? (U32)PLAYBACK_MODE_FORWARD_SLOW : 0;
  if (mode == PLAYBACK_MODE_PAUSED_END) return bRight ? 0 : (U32)PLAYBACK_MODE_REVERSE_SLOW;
  if (mode < PLAYBACK_MODE_4XREVERSE || mode > PLAYBACK_MODE_4XFORWARD) return 0;
  if (bRight) return mode == PLAYBACK_MODE_4XFORWARD ? 0 : mode + 1;
  return mode == PLAYBACK_MODE_4XREVERSE ? 0 : mode - 1;
}

U32 u32SpeedMenuFor(U32 mode) {
  switch (mode) {
    case PLAYBACK_MODE_BEGIN:
    case PLAYBACK_MODE_PAUSED_BEGIN: return 1;
    case PLAYBACK_MODE_END:
    case PLAYBACK_MODE_PAUSED_END: return 2;
    case PLAYBACK_MODE_END_FILL: return 3;
    default: return 0;
  }
}

U32 u32ModeForChoice(U32 choice, U32 mode) {
  if (choice == PLAYBACK_MODE_PAUSED) {
    return mode == PLAYBACK_MODE_PAUSED_BEGIN || mode == PLAYBACK_MODE_PAUSED_END ? mode : (U32)PLAYBACK_MODE_PAUSED;
  }
  return choice >= PLAYBACK_MODE_BEGIN && choice <= PLAYBACK_MODE_END ? choice : mode;
}

U32 u32ChoiceForMode(U32 mode) {
  if (mode >= PLAYBACK_MODE_BEGIN && mode <= PLAYBACK_MODE_END) return mode;
  if (mode == PLAYBACK_MODE_PAUSED_BEGIN || mode == PLAYBACK_MODE_PAUSED_END) return PLAYBACK_MODE_PAUSED;
  return 0;
}

// ------------------------------------------------------------ states
void vStart(void) {
  vBuildSpeedMenus();
  (void)H_DATABASE_bUpdateEverythingBoolean(KEY_CSRE, FALSE, P_DEFAULT_SETTING, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingU32(KEY_CPSP, PLAYBACK_MODE_STOP, P_DEFAULT_SETTING, D_UNSIGNED32, nullptr,
                                        DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingU32(KEY_CPSM, PLAYBACK_MODE_PAUSED, P_DEFAULT_SETTING, D_UNSIGNED32, nullptr,
                                        DB_NO_TIMEOUT);
  for (FOURCHARID k : {KEY_CSRE, KEY_CPSP, KEY_CPSM})
    (void)H_DATABASE_bRegisterForDataWithConditions(k, M_VIEW, TRUE, FALSE, FALSE);
  s_u32Mode.store(PLAYBACK_MODE_STOP);
}

void vClearFigures(void) {
  std::lock_guard<std::mutex> lock(s_lock);
  s_u32RecordStartDateTime = 0;
  s_u32CardAvailableKB = s_u32CardSizeKB = 0;
  snprintf(s_sRecordFilename, sizeof s_sRecordFilename, " ");
}

void vStopMode(void) { (void)H_DATABASE_bUpdateValueU32(KEY_CPSP, PLAYBACK_MODE_STOP, P_NORMAL); }

void vEnterRecording(void) {
  (void)H_DATABASE_bUpdateValueBoolean(KEY_CSRE, TRUE, P_NORMAL);
  (void)H_DATABASE_bUpdateValueU32(KEY_CPSP, PLAYBACK_MODE_RECORD, P_NORMAL);
  log_me("VIEW: sonar recording asked for");
}

void vLeaveRecording(void) {
  BOOLEAN on = FALSE;
  if (H_DATABASE_bFetchBoolean(KEY_CSRE, &on) && on) (void)H_DATABASE_bUpdateValueBoolean(KEY_CSRE, FALSE, P_NORMAL);
}

void vEnterPlayback(const SONAR_RECORD_THUMB_HEADER* pHeader, const char* pcName) {
  {
    std::lock_guard<std::mutex> lock(s_lock);
    s_played = pHeader != nullptr ? *pHeader : SONAR_RECORD_THUMB_HEADER{};
    snprintf(s_acPlayedName, sizeof s_acPlayedName, "%s", pcName != nullptr ? pcName : "");
  }
  S32 state = STATE_NORMAL_RUN;
  if (H_DATABASE_bFetchS32(KEY_CCST, &state)) s_s32PreviousState = state;
  (void)H_DATABASE_bUpdateValueS32(KEY_CCST, STATE_PLAYBACK, P_NORMAL);
  (void)H_DATABASE_bUpdateValueU32(KEY_CPSP, PLAYBACK_MODE_FORWARD, P_NORMAL);
  (void)H_DATABASE_bUpdateEverythingU32(KEY_CRST, s_played.RecordingStartWaypoint.u32Time, P_NORMAL, D_UNSIGNED32,
                                        nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateValueS32(VIEW_KEY_CURRENT, CHART_PLUS_NADSCAN_VIEW_PRIORITY, P_NORMAL);
  s_u32SpeedMenu.store(0);
  log_me("VIEW: playback of %s", pcName != nullptr ? pcName : "?");
}

void vLeavePlayback(void) {
  log_me("VIEW: playback ended");
  (void)H_DATABASE_bUpdateValueS32(KEY_CCST, s_s32PreviousState, P_NORMAL);
  (void)H_DATABASE_bUpdateValueS32(VIEW_KEY_CURRENT, CAPTURE_REVIEW_VIEW_PRIORITY, P_NORMAL);
}

void vRecordingStarted(const MSG_PING_VIEW_START* m) {
  std::lock_guard<std::mutex> lock(s_lock);
  s_u32RecordStartDateTime = m->u32StartDateTime;
  s_u32CardAvailableKB = m->u32CardAvailableKB;
  s_u32CardSizeKB = m->u32CardSizeKB;
  s_u8DeviceNumber = m->u8DeviceNumber;
  snprintf(s_sRecordFilename, sizeof s_sRecordFilename, "%.8s", m->sFileName);
}

void vModeChanged(U32 mode) {
  if (s_u32Mode.exchange(mode) != mode) log_me("VIEW: playback mode %u", (unsigned)mode);
  s_u32SpeedMenu.store(u32SpeedMenuFor(mode));
  const U32 choice = u32ChoiceForMode(mode);
  if (choice != 0 && choice != u32Key(KEY_CPSM, 0)) (void)H_DATABASE_bUpdateValueU32(KEY_CPSM, choice, P_NORMAL);
}

void vChoiceChanged(U32 choice) {
  if (T_VIEW_eSRViewState() != SR_VIEW_PLAYBACK) return;
  const U32 mode = u32Key(KEY_CPSP, PLAYBACK_MODE_STOP);
  // The mode's own echo (a mode copied into CPSM) changes nothing.
  if (u32ChoiceForMode(mode) == choice) return;
  const U32 next = u32ModeForChoice(choice, mode);
  if (next != mode) (void)H_DATABASE_bUpdateValueU32(KEY_CPSP, next, P_NORMAL);
}

bool bCardGoneUnderUs(S32 slot, bool bPresent, SR_VIEW_STATE state) {
  if (bPresent) return false;
  std::lock_guard<std::mutex> lock(s_lock);
  if (state == SR_VIEW_RECORDING) return slot == (S32)s_u8DeviceNumber;
  if (state != SR_VIEW_PLAYBACK) return false;
  // The played item's slot: the digit after "mmc" in its path.
  const char* p = strstr(s_acPlayedName, "mmc");
  return p != nullptr && p[3] >= '0' && p[3] <= '9' && p[3] - '0' == slot;
}

bool bCursor(CURSOR_POSITION cursor) {
  if (cursor != CURSOR_EAST && cursor != CURSOR_WEST) return false;
  const U32 next = u32ModeAfterCursor(u32Key(KEY_CPSP, PLAYBACK_MODE_STOP), cursor == CURSOR_EAST);
  if (next == 0) return false;
  (void)H_DATABASE_bUpdateValueU32(KEY_CPSP, next, P_NORMAL);
  return true;
}

U32 u32SpeedMenu(void) { return s_u32SpeedMenu.load(); }

int nMenuItems(SR_VIEW_STATE state, REVIEW_MENU_ITEM* out) {
  int n = 0;
  if (state == SR_VIEW_RECORDING) {
    out[n++] = ActionItem(s_txtStopRecording, &Quickvo_stop_rec_icon, MENU_STOP_RECORDING, T_VIEW_vToggleRecordingState);
    REVIEW_MENU_ITEM rate{};
    rate.eKind = REVIEW_MENU_PROGRESS_BAR;
    rate.pText = s_txtPingRate;
    rate.pIcon = &Quickvo_ping_rate_icon;
    rate.priority = MENU_PING_RATE;
    rate.key = FCID("SRPS");
    rate.pLimits = &s_pingRateLimits;
    rate.pRightText = s_txtAuto;
    rate.view = CAPTURE_REVIEW_VIEW_PRIORITY;
    out[n++] = rate;
  } else if (state == SR_VIEW_PLAYBACK) {
    out[n++] = ActionItem(s_txtStopPlayback, &Quickvo_stop_playback_icon, MENU_STOP_PLAYBACK, T_VIEW_vStopPlayback);
    const SPEED_MENU& m = s_aSpeedMenus[s_u32SpeedMenu.load() & 3];
    REVIEW_MENU_ITEM speed{};
    speed.eKind = REVIEW_MENU_ICON_SELECTOR;
    speed.pText = s_txtPlaybackSpeed;
    speed.pIcon = &Quickvo_playspeed_icon;
    speed.priority = MENU_PLAYBACK_SPEED;
    speed.key = KEY_CPSM;
    speed.u32Choices = m.u32Count;
    speed.pChoiceIcons = m.apIcons;
    speed.pChoiceValues = m.au32Values;
    speed.view = USED_BY_ALL;
    out[n++] = speed;
  }
  return n;
}

void vDraw(BITMAP* b, SR_VIEW_STATE state) {
  const FIGURES f = Figures(state);
  vDrawInfo(b, f);
  vDrawProgress(b, f, state);
  const ICON& icon = recording_thumbnail_icon;
  G_ICON_vPut(b, &icon, POINT{36 + (THUMBNAIL_WIDTH - icon.nWidth) / 2, 400 + (THUMBNAIL_HEIGHT - icon.nHeight) / 2});
}

}  // namespace review_play
