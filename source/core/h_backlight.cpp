// The display backlight.
#include "source/core/h_backlight.h"

#include <stdio.h>

#include <atomic>

#include "common/language.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"

const char* const H_BACKLIGHT_pcBrightnessFile =
    "/sys/devices/platform/omapdss/generic-bl/backlight/omap3evm-bklight/brightness";

namespace {

#define BACKLIGHT_TEXT(name, text)                                                               \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
BACKLIGHT_TEXT(s_txtLight, "Light");

// One number a level (both numbers of a pair are equal); smaller is brighter.
constexpr int s_anOlderPanel[DISPLAY_BACKLIGHT_MAX + 1] = {62, 61, 60, 58, 56, 53, 48, 40, 30, 15, 0};
constexpr int s_anNewDisplayPanel[DISPLAY_BACKLIGHT_MAX + 1] = {62, 61, 60, 55, 50, 45, 40, 30, 20, 10, 0};
constexpr int s_anNewDimmerPanel[DISPLAY_BACKLIGHT_MAX + 1] = {62, 61, 60, 59, 57, 55, 53, 50, 46, 41, 34};

std::atomic<bool> s_bNewDisplayPanel{false};
std::atomic<bool> s_bNewDimmerPanel{false};
std::atomic<S32> s_s32SavedLevel{0};

const int* pTable(void) {
  if (s_bNewDimmerPanel.load()) return s_anNewDimmerPanel;
  if (s_bNewDisplayPanel.load()) return s_anNewDisplayPanel;
  return s_anOlderPanel;
}

}  // namespace

void H_BACKLIGHT_vProcessRevisionBits(U32 u32Bits) {
  if (u32Bits & 4u) {
    s_bNewDisplayPanel.store(true);
  } else if (u32Bits & 8u) {
    s_bNewDimmerPanel.store(true);
  } else {
    s_bNewDisplayPanel.store(false);
  }
}

void H_BACKLIGHT_vChangeIntensity(U32 intensityIndex) {
  if (intensityIndex > (U32)DISPLAY_BACKLIGHT_MAX) return;
  const std::string path = PLATFORM_sResolvePath(H_BACKLIGHT_pcBrightnessFile);
  FILE* f = fopen(path.c_str(), "w");
  if (f == nullptr) return;
  const int n = pTable()[intensityIndex];
  fprintf(f, "%d %d", n, n);
  fclose(f);
}

void H_BACKLIGHT_vSetup(MBOX mailbox) {
  H_DATABASE_bRegisterForDataWithConditions(FCID("CREV"), mailbox, TRUE, FALSE, FALSE);
  U32 bits = 0;
  BOOLEAN valid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("CREV"), &bits, &valid) && valid) H_BACKLIGHT_vProcessRevisionBits(bits);
  H_DATABASE_bUpdateEverythingS32(FCID("CBAK"), DISPLAY_BACKLIGHT_MAX, P_NORMAL, D_UNKNOWN, s_txtLight, DB_NO_TIMEOUT);
  H_DATABASE_bRegisterForDataWithConditions(FCID("CBAK"), mailbox, TRUE, FALSE, FALSE);
  S32 level = 0;
  if (H_DATABASE_bFetchS32(FCID("CBAK"), &level, &valid) && valid) {
    if (level >= 0) H_BACKLIGHT_vChangeIntensity((U32)level);
  } else {
    H_BACKLIGHT_vChangeIntensity(DISPLAY_BACKLIGHT_MAX);
  }
}

BOOLEAN H_BACKLIGHT_bChange(S32 s32Amount) {
  S32 level = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchS32(FCID("CBAK"), &level, &valid) || !valid || s32Amount == 0) return FALSE;
  if (s32Amount < 0 && level <= 0) return FALSE;
  if (s32Amount > 0 && level >= DISPLAY_BACKLIGHT_MAX) return FALSE;
  S32 next = level + s32Amount;
  if (next < 0) next = 0;
  if (next > DISPLAY_BACKLIGHT_MAX) next = DISPLAY_BACKLIGHT_MAX;
  H_DATABASE_bUpdateValueS32(FCID("CBAK"), next, P_NORMAL);
  return TRUE;
}

void H_BACKLIGHT_vSave(void) {
  S32 level = 0;
  BOOLEAN valid = FALSE;
  if (H_DATABASE_bFetchS32(FCID("CBAK"), &level, &valid) && valid) s_s32SavedLevel.store(level);
}

void H_BACKLIGHT_vRestore(void) { H_DATABASE_bUpdateValueS32(FCID("CBAK"), s_s32SavedLevel.load(), P_NORMAL); }
