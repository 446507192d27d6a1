#include "source/core/h_inlinetest.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/db_types.h"
#include "lsvc/l_tables.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"

namespace {

struct KeyStep {
  U32 u32Mask;
  CURSOR_POSITION eCursor;  // CURSOR_UP for keys other than the cursor key
  const char* pcName;
};

// One entry per pair of steps, in test order.
const KeyStep kSteps[] = {
    {2, CURSOR_UP, "View Key--"},          {4, CURSOR_UP, "Menu Key--"},
    {8, CURSOR_UP, "Exit Key--"},          {2048, CURSOR_UP, "Right Soft Key--"},
    {4096, CURSOR_UP, "Center Soft Key--"}, {8192, CURSOR_UP, "Left Soft Key--"},
    {1, CURSOR_UP, "Power Key--"},         {256, CURSOR_UP, "Goto Key--"},
    {128, CURSOR_UP, "Mark Key--"},        {512, CURSOR_UP, "Info Key--"},
    {64, CURSOR_UP, "Zoom out Key--"},     {32, CURSOR_UP, "Zoom in Key--"},
    {16, CURSOR_NORTH, "Cursor North Key--"}, {16, CURSOR_SOUTH, "Cursor South Key--"},
    {16, CURSOR_EAST, "Cursor East Key--"},   {16, CURSOR_WEST, "Cursor West Key--"},
};
constexpr U32 CURSOR_MASK = 16;
constexpr int PAIRS = (int)(sizeof(kSteps) / sizeof(kSteps[0]));
static_assert(PAIRS * 2 == TESTING_KEY_DONE);

// The pair a key message names, -1 for none (a cursor diagonal, an unknown
// mask); a cursor release names no pair but is the cursor key.
int PairOf(const MSG_KEY_CHANGE* m) {
  for (int i = 0; i < PAIRS; i++) {
    if (kSteps[i].u32Mask != m->key) continue;
    if (m->key != CURSOR_MASK || kSteps[i].eCursor == m->cursor) return i;
  }
  return -1;
}

void Append(char* text, const char* more) {
  const size_t used = strnlen(text, H_INLINETEST_ACTION_TEXT - 1);
  snprintf(text + used, H_INLINETEST_ACTION_TEXT - used, "%s", more);
}

std::string MountPath(int nSlot) {
  char path[32];
  snprintf(path, sizeof path, "/mnt/mmc%d", nSlot);
  return PLATFORM_sResolvePath(path);
}

// A card counts as present in a slot whose mount folder holds anything.
bool CardInSlot(int nSlot) {
  if (nSlot < 0 || nSlot > 1) return false;
  DIR* d = opendir(MountPath(nSlot).c_str());
  if (d == nullptr) return false;
  bool any = false;
  while (struct dirent* e = readdir(d)) {
    if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
      any = true;
      break;
    }
  }
  closedir(d);
  return any;
}

bool Opens(const char* path) {
  if (path == nullptr) return false;
  FILE* f = fopen(PLATFORM_sResolvePath(path).c_str(), "rb");
  if (f == nullptr) return false;
  fclose(f);
  return true;
}

// A whole number of the settings key's float value: missing or (when asked)
// invalid gives PENDING.
TEST_RESULT ReadRounded(FOURCHARID key, bool bRequireValid, U32* pu32Display, S32* pnValue) {
  F32 value = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchFloat(key, &value, &valid)) return PENDING;
  if (bRequireValid && !valid) return PENDING;
  const S32 whole = (S32)(value + 0.5f);
  if (pu32Display != nullptr) *pu32Display = (U32)whole;
  *pnValue = whole;
  return PASS;
}

TEST_RESULT InRange(FOURCHARID key, bool bRequireValid, U32* pu32Display, S32 min, S32 max) {
  S32 whole = 0;
  if (ReadRounded(key, bRequireValid, pu32Display, &whole) == PENDING) return PENDING;
  return (whole < min || whole > max) ? FAIL : PASS;
}

// The command runner's status as the shell's exit status.
int ExitStatus(int status) {
  if (status == -1) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return status;
}

int s_nBacklightStep = 0;

}  // namespace

void H_INLINETEST_vResetCurrentKeyTest(TESTING_KEY* p_eCurrentKey) {
  if (p_eCurrentKey == nullptr) return;
  const S32 step = *p_eCurrentKey;
  *p_eCurrentKey = (step >= FIRST_KEY && step <= LAST_KEY) ? (TESTING_KEY)(step & ~1) : FIRST_KEY;
}

void H_INLINETEST_vHandleKeypadTest(const MSG_KEY_CHANGE* pMessage, TESTING_KEY* p_eCurrentKey, char* pcLastAction,
                                    char* pcPreviousAction) {
  if (pMessage == nullptr || p_eCurrentKey == nullptr || pcLastAction == nullptr || pcPreviousAction == nullptr) {
    return;
  }
  if (pcLastAction[0] != '\0') {
    snprintf(pcPreviousAction, H_INLINETEST_ACTION_TEXT, "%s", pcLastAction);
    pcLastAction[0] = '\0';
  }
  const bool down = pMessage->state == KEY_DOWN;
  const bool cursorRelease = pMessage->key == CURSOR_MASK && pMessage->cursor == CURSOR_UP;
  const int pair = PairOf(pMessage);
  if (cursorRelease) {
    Append(pcLastAction, "Cursor Key--");
  } else if (pair >= 0) {
    Append(pcLastAction, kSteps[pair].pcName);
  }

  const S32 step = *p_eCurrentKey;
  const bool inTest = step >= FIRST_KEY && step <= LAST_KEY;
  const int currentPair = inTest ? step / 2 : -1;
  const bool upStep = inTest && (step & 1) != 0;
  if (pair < 0 && !cursorRelease) {
    // A cursor diagonal or a mask the table does not know.
    if (down) L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  } else if (inTest && pair == currentPair && !upStep) {
    if (down) {
      *p_eCurrentKey = (TESTING_KEY)(step + 1);
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    }
  } else if (inTest && upStep &&
             (pair == currentPair || (cursorRelease && kSteps[currentPair].u32Mask == CURSOR_MASK))) {
    if (pMessage->state == KEY_UP) *p_eCurrentKey = (TESTING_KEY)(step + 1);
  } else if (!inTest && step == TESTING_KEY_DONE) {
    // The keypad test is complete: keys only show their names.
  } else {
    H_INLINETEST_vResetCurrentKeyTest(p_eCurrentKey);
    if (down) L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  }
  if (pMessage->state == KEY_DOWN) Append(pcLastAction, "Pressed");
  if (pMessage->state == KEY_UP) Append(pcLastAction, "Released");
}

TEST_RESULT H_INLINETEST_eTestMMCCardPresent(int nSlot) { return CardInSlot(nSlot) ? PENDING : PASS; }

TEST_RESULT H_INLINETEST_eTestMMC(int nSlot) {
  if (!CardInSlot(nSlot)) return PENDING;
  return Opens((MountPath(nSlot) + "/TEST.TXT").c_str()) ? PASS : FAIL;
}

TEST_RESULT H_INLINETEST_eTestBackLight(void) {
  static const U32 kLevels[] = {3, 6, 10};
  H_DATABASE_bUpdateValueU32(FCID("CBAK"), kLevels[s_nBacklightStep], P_TESTMODE);
  s_nBacklightStep = (s_nBacklightStep + 1) % 3;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return PASS;
}

TEST_RESULT H_INLINETEST_eTestSpeed(U32* pu32Display, S16 s16MinValue, S16 s16MaxValue) {
  return InRange(FCID("ISTW"), false, pu32Display, s16MinValue, s16MaxValue);
}

TEST_RESULT H_INLINETEST_eTestTransducerWaterTemperatue(U32* pu32Display, U16 u16MinValue, U16 u16MaxValue) {
  return InRange(FCID("ITMT"), false, pu32Display, u16MinValue, u16MaxValue);
}

TEST_RESULT H_INLINETEST_eTestSpeedWaterTemperatue(U32* pu32Display, U16 u16MinValue, U16 u16MaxValue) {
  return InRange(FCID("ITMS"), true, pu32Display, u16MinValue, u16MaxValue);
}

TEST_RESULT H_INLINETEST_eBatteryVoltage(U32* pu32Display, S32 s32MaxVal, S32 s32MinVal) {
  return InRange(FCID("IVLT"), true, pu32Display, s32MinVal, s32MaxVal);
}

TEST_RESULT H_INLINETEST_eAccessoryPort(U32*) {
  U32 answered = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("AC01"), &answered, &valid) || !valid) return PENDING;
  return answered ? PASS : FAIL;
}

TEST_RESULT H_INLINETEST_eEthernetTest(char* pcAddress, U32 u32AddressRoom) {
  if (pcAddress == nullptr || u32AddressRoom == 0) return FAIL;
  // Only a dotted IPv4 address reaches the command line: the address may
  // come from the test link, and the command runs through a shell.
  struct in_addr parsed;
  const size_t length = strnlen(pcAddress, u32AddressRoom);
  if (length >= u32AddressRoom || inet_pton(AF_INET, pcAddress, &parsed) != 1) {
    log_me("H_INLINETEST_eEthernetTest: not an IPv4 address, no ping");
    snprintf(pcAddress, u32AddressRoom, "%d", -1);
    return FAIL;
  }
  char dotted[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &parsed, dotted, sizeof dotted);
  char command[64];
  snprintf(command, sizeof command, "ping -c 1 %s > /dev/null", dotted);
  errno = 0;
  const int status = ExitStatus(L_UTILS_nSystem(command));
  const int error = errno;
  log_me("system \"%s\" result %d %d %s", command, status, error, strerror(error));
  if (status == 0) return PASS;
  snprintf(pcAddress, u32AddressRoom, "%d", status);
  return FAIL;
}

TEST_RESULT H_INLINETEST_eCheckNand(const char* pcFile1, const char* pcFile2, BOOLEAN bRequireBoth) {
  const bool first = Opens(pcFile1);
  const bool second = Opens(pcFile2);
  if (bRequireBoth) return (first && second) ? PASS : FAIL;
  return (first || second) ? PASS : FAIL;
}

BOOLEAN H_INLINETEST_bVerifyMapChecksums(const char* md5Name) {
  BOOLEAN verified = FALSE;
  if (H_DATABASE_bFetchBoolean(FCID("SNMV"), &verified) && verified) return TRUE;
  if (md5Name == nullptr || md5Name[0] == '\0' || strlen(md5Name) > 200) return FALSE;
  for (const char* p = md5Name; *p; p++) {
    const char c = *p;
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-' || c == '/';
    if (!plain) {
      log_me("H_INLINETEST_bVerifyMapChecksums: refused list file name");
      return FALSE;
    }
  }
  char command[256];
  snprintf(command, sizeof command, "md5sum -c %s", md5Name);
  if (ExitStatus(L_UTILS_nSystem(command)) != 0) return FALSE;
  H_DATABASE_bUpdateEverythingBoolean(FCID("SNMV"), TRUE, P_TESTMODE, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  L_SEMA_Signal(SEMA_NVRAM_UPDATE);
  return TRUE;
}
