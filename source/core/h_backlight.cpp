// Display backlight.
#include "source/core/h_backlight.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "common/language.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"

#define LIGHT_TEXT "Light"
const char* const H_BACKLIGHT_apcLight[NUMBER_OF_LANGUAGES] = {
    LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT,
    LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT,
    LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT, LIGHT_TEXT,
};

namespace {

const FOURCHARID KEY_CBAK = FCID("CBAK");
const FOURCHARID KEY_CREV = FCID("CREV");

// Brightness numbers by level; a smaller number is brighter.
constexpr S32 s_as32Older[DISPLAY_BACKLIGHT_MAX + 1] = {62, 61, 60, 58, 56, 53, 48, 40, 30, 15, 0};
constexpr S32 s_as32NewDisplay[DISPLAY_BACKLIGHT_MAX + 1] = {62, 61, 60, 55, 50, 45, 40, 30, 20, 10, 0};
constexpr S32 s_as32NewDimmer[DISPLAY_BACKLIGHT_MAX + 1] = {62, 61, 60, 59, 57, 55, 53, 50, 46, 41, 34};

std::atomic<bool> s_bNewDisplay{false};
std::atomic<bool> s_bNewDimmer{false};
std::atomic<S32> s_s32Saved{0};

const S32* pTable(void) {
  if (s_bNewDimmer.load()) return s_as32NewDimmer;
  if (s_bNewDisplay.load()) return s_as32NewDisplay;
  return s_as32Older;
}

}  // namespace

S32 H_BACKLIGHT_s32Brightness(S32 level) {
  if (level < 0 || level > DISPLAY_BACKLIGHT_MAX) return -1;
  return pTable()[level];
}

void H_BACKLIGHT_vProcessRevisionBits(U32 u32Bits) {
  if (u32Bits & H_BACKLIGHT_REV_NEW_DISPLAY) {
    s_bNewDisplay.store(true);
  } else if (u32Bits & H_BACKLIGHT_REV_NEW_DIMMER) {
    s_bNewDimmer.store(true);
  } else {
    s_bNewDisplay.store(false);
  }
}

void H_BACKLIGHT_vChangeIntensity(S32 intensityIndex) {
  const S32 value = H_BACKLIGHT_s32Brightness(intensityIndex);
  if (value < 0) return;
  // Opened, written and closed each time; the driver's file is never made.
  const int fd = open(PLATFORM_sResolvePath(H_BACKLIGHT_FILE).c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return;
  char text[32];
  const int n = snprintf(text, sizeof text, "%d %d", (int)value, (int)value);
  ssize_t written = write(fd, text, (size_t)n);
  (void)written;
  close(fd);
}

void H_BACKLIGHT_vSetup(MBOX mailbox) {
  H_DATABASE_bRegisterForDataWithConditions(KEY_CREV, mailbox, TRUE, FALSE, FALSE);
  U32 bits = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchU32(KEY_CREV, &bits, &bValid) && bValid) {
    H_BACKLIGHT_vProcessRevisionBits(bits);
  } else {
    s_bNewDisplay.store(false);
    s_bNewDimmer.store(false);
  }
  H_DATABASE_bUpdateEverythingS32(KEY_CBAK, DISPLAY_BACKLIGHT_MAX, P_NORMAL, D_UNKNOWN, H_BACKLIGHT_apcLight,
                                  DB_NO_TIMEOUT);
  H_DATABASE_bRegisterForDataWithConditions(KEY_CBAK, mailbox, TRUE, FALSE, FALSE);
  S32 level = 0;
  bValid = FALSE;
  if (H_DATABASE_bFetchS32(KEY_CBAK, &level, &bValid) && bValid) {
    if (level <= DISPLAY_BACKLIGHT_MAX) H_BACKLIGHT_vChangeIntensity(level);
  } else {
    H_BACKLIGHT_vChangeIntensity(DISPLAY_BACKLIGHT_MAX);
  }
}

BOOLEAN H_BACKLIGHT_bChange(S32 s32Amount) {
  S32 level = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchS32(KEY_CBAK, &level, &bValid) || !bValid || s32Amount == 0) return FALSE;
  if (s32Amount < 0 && level <= 0) return FALSE;
  if (s32Amount > 0 && level >= DISPLAY_BACKLIGHT_MAX) return FALSE;
  S64 next = (S64)level + s32Amount;
  if (next < 0) next = 0;
  if (next > DISPLAY_BACKLIGHT_MAX) next = DISPLAY_BACKLIGHT_MAX;
  H_DATABASE_bUpdateValueS32(KEY_CBAK, (S32)next, P_NORMAL);
  return TRUE;
}

void H_BACKLIGHT_vSave(void) {
  S32 level = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchS32(KEY_CBAK, &level, &bValid) && bValid) s_s32Saved.store(level);
}

void H_BACKLIGHT_vRestore(void) { H_DATABASE_bUpdateValueS32(KEY_CBAK, s_s32Saved.load(), P_NORMAL); }
