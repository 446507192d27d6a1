// The factory hardware tests behind the in-line test's "t" command: keypad,
// display colours, backlight, buzzer, sonar beams, polled sensors, internal
// files, SD cards, NMEA loop-back and Ethernet.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "common/db_types.h"
#include "common/key_types.h"
#include "source/core/h_database.h"
#include "source/core/h_inlinetest.h"
#include "source/core/h_nvram.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/u_fonts.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_inlinetest.h"
#include "source/startup/t_nvram.h"
#include "source/ui/u_dialog.h"

namespace {

enum TEST_TYPE : S32 {
  WAITING_FOR_TEST = 0,
  TESTING_KEYPAD = 1,
  TESTING_DISPLAY = 2,
  TESTING_CONTRAST = 3,
  TESTING_BACK_LIGHT = 5,
  TESTING_BUZZER = 6,
  TESTING_SONAR = 7,
  TESTING_SPEED = 8,
  TESTING_TRANSDUCER_WATER_TEMPERATURE = 9,
  TESTING_SPEED_WATER_TEMPERATURE = 10,
  TESTING_ACCESSORY_PORT = 11,
  TESTING_BATTERY_VOLTAGE = 12,
  TESTING_NAND_MAP = 13,
  TESTING_NAND_SIM = 14,
  TESTING_MMC = 16,
  TESTING_IF_MMC_CARD_PRESENT = 17,
  TESTING_EXTERNAL_NMEA = 18,
  TESTING_ETHERNET = 20,
  TEST_SONAR_TUNING = 21,
  TEST_TRANSDUCER_ID = 22,
  TESTING_FINISHED_PASS = 31,
  TESTING_FINISHED_FAIL = 32,
};

constexpr U32 TICK_MS = 500;
constexpr U32 SONAR_FIRST_MS = 15;
constexpr U32 SONAR_PERIOD_MS = 985;
constexpr U32 SIGNAL_SAMPLES = 4096;
constexpr U32 NOISE_SAMPLES = 50;
constexpr U32 NMEA_FIRST_BYTE_MS = 250;
constexpr U32 NMEA_NEXT_BYTE_MS = 250;  // a partial line cannot hold the task
constexpr int NMEA_TEXT = 14;
constexpr int BEAMS = 7;
constexpr int SLOTS = 2;

#pragma pack(push, 1)
struct V3_BEAM_DATA {
  S16 s16TransmitFrequency, s16RecieverNumber, s16Bandwidth, s16MinSignalLevel, s16MaxSignalLevel, s16MinDepth,
      s16MaxDepth, s16NoiseFloor;
  S16 s16BeamReserve[6];
};
struct V3_TEST_PARAMETERS {
  U32 u32Version_X10;
  S16 s16MaxSpeed, s16MinSpeed, s16MaxTransducerTemp, s16MinTransducerTemp, s16MaxPaddleWheelTemp,
      s16MinPaddleWheelTemp, s16MaxVoltage, s16MinVoltage, s16SatelliteNo, s16MinCNOvalue, s16MaxCNOvalue;
  U8 u8NumberMMC_Slots;
  U8 u8NumberSonarBeams;
  S16 s16Reserve[6];
  V3_BEAM_DATA aBeamData[8];
};
#pragma pack(pop)
static_assert(sizeof(V3_BEAM_DATA) == 28, "beam data size");
static_assert(sizeof(V3_TEST_PARAMETERS) == 264, "test parameter size");

struct BEAM_ORDER {
  U8 u8CoprocBeam;
  const char* pcFrequency;
  const char* pcSwitch;
  U8 u8Channel;
};
const BEAM_ORDER aBeamOrder[BEAMS] = {
    {1, " KHz ", "Switch #2 ", 0},      {0, " KHz ", "Switch #2 ", 0},      {0, " KHz ", "Switch #2 ", 0},
    {2, " KHz Down ", "Switch #4 ", 1}, {2, " KHz Down ", "Switch #4 ", 1}, {3, " KHz DI ", "Switch #4 ", 2},
    {3, " KHz DI ", "Switch #4 ", 2},
};
const char* const s_whichSlot[SLOTS] = {"Left ", "Right "};
const char* const s_apcKeyPrompt[TESTING_KEY_DONE] = {
    "Press VIEW Key.",          "Release VIEW Key.",          "Press MENU Key.",
    "Release MENU Key.",        "Press EXIT Key.",            "Release EXIT Key.",
    "Press Top Soft Key.",      "Release Top Soft Key.",      "Press Center Soft Key.",
    "Release Center Soft Key.", "Press Bottom Soft Key.",     "Release Bottom Soft Key.",
    "Press POWER Key.",         "Release POWER Key.",         "Press GO TO Key.",
    "Release GO TO Key.",       "Press MARK Key.",            "Release MARK Key.",
    "Press INFO Key.",          "Release INFO To Key.",       "Press Zoom Out (-) Key.",
    "Release Zoom Out (-) Key.", "Press Zoom In (+) Key.",    "Release Zoom In (+) Key.",
    "Press Cursor North Key.",  "Release Cursor North Key.",  "Press Cursor South Key.",
    "Release Cursor South Key.", "Press Cursor East Key.",    "Release Cursor East Key.",
    "Press Cursor West Key.",   "Release Cursor West Key.",
};

// Written by the test task, read by the view task as it draws (the test, its
// result, values and counters are atomics; the texts, the beam settings and
// the sonar readings are written under RES_INLINETEST).
std::atomic<S32> s_eCurrentTest{WAITING_FOR_TEST};
std::atomic<TEST_RESULT> s_eTestResult{PENDING};
bool s_bAnswered = true;
std::atomic<U32> s_u32DisplayValue{0};
TESTING_KEY s_eCurrentKey = FIRST_KEY;  // under RES_INLINETEST
char s_acLastAction[H_INLINETEST_ACTION_TEXT] = "";
char s_acPreviousAction[H_INLINETEST_ACTION_TEXT] = "";
std::atomic<S32> s_nColourCount{0};
std::atomic<S32> s_nBacklightSteps{0};
std::atomic<S32> s_nSonarBeam{0};
U32 s_u32SonarTicks = 0;
U32 s_u32SonarTimeOut = 0;
struct {
  U16 u16Depth, u16Signal, u16Noise;
  bool bDepthPass, bSignalPass, bNoisePass;
} s_sonarDisplay = {};
std::atomic<S32> s_nSlot{0};
V3_TEST_PARAMETERS s_params = {};
TIMER_INFO* s_pUpdateTimer = nullptr;
U16 s_au16Signal[SIGNAL_SAMPLES];
U16 s_au16Noise[NOISE_SAMPLES];
U32 s_u32SampleUs = 26;

struct LOCK {
  LOCK() { (void)L_MUTEX_LockWait(RES_INLINETEST); }
  ~LOCK() { (void)L_MUTEX_Unlock(RES_INLINETEST); }
};

COLOR colour(U32 entry) { return G_COLOR_Load(gCOLOR_pcolColorTable + entry); }

void vStartTimer(U32 first, U32 period) {
  if (s_pUpdateTimer == nullptr) return;
  (void)L_TIMER_Stop(s_pUpdateTimer);
  (void)L_TIMER_Start(s_pUpdateTimer, first, period, SEMA_TIMER_SONAR_TEST);
}

void vAppend(char* pcFrame, const char* pcText) {
  const size_t used = strnlen(pcFrame, INLINETEST_FRAME_BYTES - 1);
  snprintf(pcFrame + used, INLINETEST_FRAME_BYTES - used, "%s", pcText);
}

const char* pcResultWord(TEST_RESULT r) { return r == PASS ? "PASS" : (r == FAIL ? "FAIL" : "PENDING"); }

bool bPing(S32 beam) {
  const V3_BEAM_DATA& b = s_params.aBeamData[beam];
  memset(s_au16Signal, 0, sizeof s_au16Signal);
  memset(s_au16Noise, 0, sizeof s_au16Noise);
  return INLINETEST_bTestPing(aBeamOrder[beam].u8CoprocBeam, aBeamOrder[beam].u8Channel,
                              (U16)b.s16TransmitFrequency, (U8)b.s16RecieverNumber, (U8)b.s16Bandwidth,
                              s_au16Signal, s_au16Noise, &s_u32SampleUs) != FALSE;
}

U32 u32LargestSample(U32* pIndex) {
  U32 best = 0, at = 50;
  for (U32 i = 50; i < SIGNAL_SAMPLES; ++i) {
    if (s_au16Signal[i] > best) {
      best = s_au16Signal[i];
      at = i;
    }
  }
  if (pIndex != nullptr) *pIndex = at;
  return best;
}

// One evaluation of the running sonar test (each timer tick).
void vSonarEvaluate(void) {
  if (!bPing(s_nSonarBeam)) FATAL_ERROR("Failed to communicate with coprocessor");
  LOCK hold;
  if (s_eTestResult == PENDING) {
    s_u32SonarTicks++;
    U32 at = 0;
    const U32 signal = u32LargestSample(&at);
    const U32 depth = at * (s_u32SampleUs == 0 ? 26 : s_u32SampleUs) / 416;
    U32 noise = 0;
    for (U32 i = 0; i < NOISE_SAMPLES; ++i) noise += s_au16Noise[i];
    noise = (noise / NOISE_SAMPLES) & 0xFF;
    const V3_BEAM_DATA& b = s_params.aBeamData[s_nSonarBeam];
    s_sonarDisplay = {(U16)depth, (U16)signal, (U16)noise,
                      (S32)depth >= b.s16MinDepth && (S32)depth <= b.s16MaxDepth,
                      (S32)signal >= b.s16MinSignalLevel && (S32)signal <= b.s16MaxSignalLevel,
                      (S32)noise <= b.s16NoiseFloor};
    if (s_sonarDisplay.bDepthPass && s_sonarDisplay.bSignalPass && s_sonarDisplay.bNoisePass) {
      s_eTestResult = PASS;
      s_u32SonarTicks = 0;
    } else if (s_u32SonarTicks * SONAR_PERIOD_MS >= s_u32SonarTimeOut) {
      s_eTestResult = FAIL;
      s_u32SonarTicks = 0;
    }
  }
  if (s_eTestResult != PENDING && !s_bAnswered) {
    s_bAnswered = true;
    if (s_eTestResult == PASS && s_params.u8NumberSonarBeams == 0) T_INLINETEST_vRecordPass(TESTING_SONAR, true);
    char text[80];
    snprintf(text, sizeof text, "Sonar Test %s,%u,%u,%u\n\r", s_eTestResult == PASS ? "Pass" : "Fail",
             (unsigned)s_sonarDisplay.u16Signal, (unsigned)s_sonarDisplay.u16Depth,
             (unsigned)s_sonarDisplay.u16Noise);
    T_INLINETEST_vSendString(text);
    s_params.u8NumberSonarBeams++;
  }
}

// Polls a check until it passes or the time-out (rounded down to 10 ms)
// has passed; 0 runs it once.
template <typename CHECK>
TEST_RESULT ePoll(U32 timeOutMs, CHECK check) {
  const U64 start = L_CLOCK_qwGetTimeInMillis();
  const U32 limit = timeOutMs / 10 * 10;
  TEST_RESULT r = check();
  while (r != PASS && limit != 0 && L_CLOCK_qwGetTimeInMillis() - start < limit) {
    L_CLOCK_Sleep(1);
    r = check();
  }
  return r;
}

// Sends the test line on the port and compares what comes back.
bool bLoopBack(QUEUE tx, QUEUE rx, char* pcReceived) {
  static const char s_acLine[] = "%TEST PASSED\n";  // literal text, 13 characters and the zero
  (void)L_QUEUE_Purge(rx);
  for (const char* p = s_acLine; *p; ++p) {
    const U8 byte = (U8)*p;
    if (L_QUEUE_PutWaitTicks(tx, &byte, NMEA_FIRST_BYTE_MS) != lsSUCCESS) return false;
  }
  memset(pcReceived, 0, NMEA_TEXT + 1);
  int n = 0;
  U32 wait = NMEA_FIRST_BYTE_MS;
  while (n < NMEA_TEXT) {
    U16 element = 0;
    if (L_QUEUE_GetWaitTicks(rx, &element, wait) != lsSUCCESS) break;
    wait = NMEA_NEXT_BYTE_MS;
    pcReceived[n++] = (char)(element & 0xFF);
    if ((element & 0xFF) == '\n') break;
  }
  return memcmp(pcReceived, s_acLine, NMEA_TEXT) == 0;
}

bool bBeamOk(S32 beam) { return beam >= 0 && beam < BEAMS; }

void vPolledReply(char* pcFrame, const char* pcName, TEST_RESULT r) {
  snprintf(pcFrame, INLINETEST_FRAME_BYTES, "%s%s, %u\n\r", pcName, r == PASS ? "Pass " : "Fail ",
           (unsigned)s_u32DisplayValue);
}

// Field n (from 0) of the comma-separated text.
std::string sField(const char* pcText, int n) {
  const char* p = pcText;
  for (int i = 0; i < n; ++i) {
    p = strchr(p, ',');
    if (p == nullptr) return "";
    ++p;
  }
  const char* end = strchr(p, ',');
  return end != nullptr ? std::string(p, (size_t)(end - p)) : std::string(p);
}

void vSendNak(char* pcFrame) { snprintf(pcFrame, INLINETEST_FRAME_BYTES, "#NAK\n\r"); }

}  // namespace

void T_INLINETEST_vRecordPass(S32 s32Test, bool bKeepTest) {
  if (s32Test >= 1 && s32Test <= 32) {
    U32 bits = 0;
    (void)H_DATABASE_bFetchU32(FCID("STTP"), &bits);
    bits |= 1u << (s32Test - 1);
    (void)H_DATABASE_bUpdateEverythingU32(FCID("STTP"), bits, P_TESTMODE, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  }
  if (!bKeepTest) s_eCurrentTest = WAITING_FOR_TEST;
}

void INLINETEST_HW_vInit(void) {
  s_eCurrentTest = WAITING_FOR_TEST;
  {
    LOCK hold;
    s_acLastAction[0] = s_acPreviousAction[0] = '\0';
  }
  s_pUpdateTimer = L_TIMER_Allocate();
  if (s_pUpdateTimer == nullptr) FATAL_ERROR("NO TIMERS");
  U32 passed = 0;
  if (!H_DATABASE_bFetchU32(FCID("STTP"), &passed)) {
    (void)H_DATABASE_bUpdateEverythingU32(FCID("STTP"), 0, P_TESTMODE, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  }
}

void INLINETEST_HW_vStopTimer(void) {
  if (s_pUpdateTimer != nullptr) (void)L_TIMER_Stop(s_pUpdateTimer);
}

void INLINETEST_HW_vRunTest(char* pcFrame) {
  char original[INLINETEST_FRAME_BYTES];
  snprintf(original, sizeof original, "%s", pcFrame);
  S32 v[16] = {};
  const int fields = T_INLINETEST_nScanInts(pcFrame, v, 16);
  if (fields < 1) return;
  const S32 test = v[0];
  auto arg = [&](int i) { return v[i]; };
  switch (test) {
    case TESTING_KEYPAD: {
      INLINETEST_HW_vStopTimer();
      LOCK hold;
      s_eCurrentTest = test;
      s_eCurrentKey = FIRST_KEY;
      s_acLastAction[0] = s_acPreviousAction[0] = '\0';
      const U32 timeOut = arg(1) > 0 ? (U32)arg(1) / 10 * 10 : 2000;
      vStartTimer(timeOut, 0);
      pcFrame[0] = '\0';
      break;
    }
    case TESTING_DISPLAY:
      INLINETEST_HW_vStopTimer();
      {
        LOCK hold;
        s_eCurrentTest = test;
        s_nColourCount = arg(1) == 0 ? 5 : 0;
      }
      vStartTimer(TICK_MS, TICK_MS);
      pcFrame[0] = '\0';
      break;
    case TESTING_CONTRAST:
      s_eCurrentTest = test;
      pcFrame[0] = '\0';
      break;
    case TESTING_BACK_LIGHT:
    case TESTING_BUZZER:
      INLINETEST_HW_vStopTimer();
      {
        LOCK hold;
        s_eCurrentTest = test;
        s_nBacklightSteps = (test == TESTING_BACK_LIGHT && arg(1) != 0) ? 3 : 0;
      }
      vStartTimer(TICK_MS, TICK_MS);
      break;  // the reply is the test number
    case TESTING_SONAR: {
      if (!bBeamOk(arg(1))) {
        vSendNak(pcFrame);
        break;
      }
      INLINETEST_HW_vStopTimer();
      LOCK hold;
      V3_BEAM_DATA& b = s_params.aBeamData[arg(1)];
      b.s16TransmitFrequency = (S16)arg(2);
      b.s16RecieverNumber = (S16)arg(3);
      b.s16Bandwidth = (S16)arg(4);
      b.s16MinSignalLevel = (S16)arg(5);
      b.s16MaxSignalLevel = (S16)arg(6);
      b.s16MinDepth = (S16)arg(7);
      b.s16MaxDepth = (S16)arg(8);
      b.s16NoiseFloor = (S16)arg(9);
      s_u32SonarTimeOut = (U32)(arg(10) < 0 ? 0 : arg(10));
      s_nSonarBeam = arg(1);
      s_eCurrentTest = test;
      s_eTestResult = PENDING;
      s_bAnswered = false;
      s_u32SonarTicks = 0;
      s_sonarDisplay = {};
      vStartTimer(SONAR_FIRST_MS, s_u32SonarTimeOut == 0 ? 0 : SONAR_PERIOD_MS);
      pcFrame[0] = '\0';
      break;
    }
    case TESTING_SPEED:
    case TESTING_TRANSDUCER_WATER_TEMPERATURE:
    case TESTING_SPEED_WATER_TEMPERATURE:
    case TESTING_BATTERY_VOLTAGE:
    case TESTING_ACCESSORY_PORT: {
      s_eCurrentTest = test;
      s_eTestResult = PENDING;
      const S16 max = (S16)arg(1), min = (S16)arg(2);
      const U32 timeOut = (U32)(test == TESTING_ACCESSORY_PORT ? arg(1) : arg(3));
      TEST_RESULT r = PENDING;
      U32 value = s_u32DisplayValue;
      switch (test) {
        case TESTING_SPEED:
          r = ePoll(timeOut, [&] { return H_INLINETEST_eTestSpeed(&value, min, max); });
          s_params.s16MaxSpeed = max;
          s_params.s16MinSpeed = min;
          break;
        case TESTING_TRANSDUCER_WATER_TEMPERATURE:
          r = ePoll(timeOut, [&] { return H_INLINETEST_eTestTransducerWaterTemperatue(&value, (U16)min, (U16)max); });
          if (r == PASS) s_params.s16MaxTransducerTemp = max, s_params.s16MinTransducerTemp = min;
          break;
        case TESTING_SPEED_WATER_TEMPERATURE:
          r = ePoll(timeOut, [&] { return H_INLINETEST_eTestSpeedWaterTemperatue(&value, (U16)min, (U16)max); });
          if (r == PASS) s_params.s16MaxPaddleWheelTemp = max, s_params.s16MinPaddleWheelTemp = min;
          break;
        case TESTING_BATTERY_VOLTAGE:
          r = ePoll(timeOut, [&] { return H_INLINETEST_eBatteryVoltage(&value, max, min); });
          s_params.s16MaxVoltage = max;
          s_params.s16MinVoltage = min;
          break;
        default:
          r = ePoll(timeOut, [&] { return H_INLINETEST_eAccessoryPort(&value); });
          break;
      }
      {
        LOCK hold;
        s_eTestResult = r;
        s_u32DisplayValue = value;
      }
      const char* name = test == TESTING_SPEED                          ? "Paddle Wheel Test "
                         : test == TESTING_TRANSDUCER_WATER_TEMPERATURE ? "Transducer Water Test "
                         : test == TESTING_SPEED_WATER_TEMPERATURE      ? "Speed Water Test "
                         : test == TESTING_BATTERY_VOLTAGE              ? "Battery Test "
                                                                        : "Accessory Port Test ";
      if (r == PENDING && test == TESTING_SPEED) {
        snprintf(pcFrame, INLINETEST_FRAME_BYTES, "Paddle Wheel Test --No speed detected\n\r");
      } else if (r == PENDING && (test == TESTING_TRANSDUCER_WATER_TEMPERATURE ||
                                  test == TESTING_SPEED_WATER_TEMPERATURE)) {
        vSendNak(pcFrame);
      } else {
        vPolledReply(pcFrame, name, r);
      }
      if (r == PASS) T_INLINETEST_vRecordPass(test);
      break;
    }
    case TESTING_NAND_MAP:
    case TESTING_NAND_SIM: {
      s_eCurrentTest = test;
      const std::string first = sField(original, 1), second = sField(original, 2);
      const TEST_RESULT r = H_INLINETEST_eCheckNand(first.c_str(), second.c_str(), sField(original, 3) == "1");
      {
        LOCK hold;
        s_eTestResult = r;
      }
      snprintf(pcFrame, INLINETEST_FRAME_BYTES, "%s%s\n\r",
               test == TESTING_NAND_MAP ? "NAND Map Test " : "NAND Simulator Test ", r == PASS ? "Pass " : "Fail ");
      if (r == PASS) T_INLINETEST_vRecordPass(test);
      break;
    }
    case TESTING_ETHERNET: {
      s_eCurrentTest = test;
      (void)L_UTILS_nSystem("ifconfig | grep Bcast > ipadd.txt");
      char line[256] = "grep Failed!";
      const std::string listPath = std::string(L_UTILS_cpGetPathnamePtr()) + "/ipadd.txt";
      if (FILE* f = fopen(listPath.c_str(), "r")) {
        if (fgets(line, 255, f) == nullptr) line[0] = '\0';
        fclose(f);
        (void)unlink(listPath.c_str());
      }
      std::string address = sField(original, 1).substr(0, 20);
      char status[32] = "";
      TEST_RESULT r = FAIL;
      if (!address.empty()) {
        log_me("address:  %s", line);
        char copy[32];
        snprintf(copy, sizeof copy, "%s", address.c_str());
        r = H_INLINETEST_eEthernetTest(copy, sizeof copy);
        if (r != PASS) snprintf(status, sizeof status, "%s", copy);
      }
      {
        LOCK hold;
        s_eTestResult = r;
      }
      if (r == PASS) {
        snprintf(pcFrame, INLINETEST_FRAME_BYTES, "Ethernet Test Pass ping address %s%s\n\r", address.c_str(), line);
        s_eCurrentTest = WAITING_FOR_TEST;
      } else {
        snprintf(pcFrame, INLINETEST_FRAME_BYTES, "Ethernet Test Fail--Error No.%saddress pinged %s%s\n\r", status,
                 address.c_str(), line);
      }
      break;
    }
    case TESTING_MMC:
    case TESTING_IF_MMC_CARD_PRESENT: {
      if (arg(1) < 0 || arg(1) >= SLOTS) {
        vSendNak(pcFrame);
        break;
      }
      s_nSlot = arg(1);
      s_eCurrentTest = test;
      const TEST_RESULT r =
          test == TESTING_MMC ? H_INLINETEST_eTestMMC(s_nSlot) : H_INLINETEST_eTestMMCCardPresent(s_nSlot);
      {
        LOCK hold;
        s_eTestResult = r;
      }
      const char* word = r == PASS      ? "Pass"
                         : r == PENDING ? (test == TESTING_MMC ? "Fail Card not Found" : "Fail Card Still in Unit")
                                        : "Fail";
      snprintf(pcFrame, INLINETEST_FRAME_BYTES, "MMC Test %s in %sslot\n\r", word, s_whichSlot[s_nSlot]);
      if (r == PASS && test == TESTING_MMC) {
        s_params.u8NumberMMC_Slots++;
        T_INLINETEST_vRecordPass(test);
      }
      break;
    }
    case TESTING_EXTERNAL_NMEA: {
      s_eCurrentTest = test;
      char received[NMEA_TEXT + 1] = {};
      bool ok = bLoopBack(Q_TRANSMIT_UART2, Q_RECEIVE_UART2, received);
      if (ok) ok = bLoopBack(Q_TRANSMIT_UART3, Q_RECEIVE_UART3, received);
      {
        LOCK hold;
        s_eTestResult = ok ? PASS : FAIL;
      }
      snprintf(pcFrame, INLINETEST_FRAME_BYTES, "External NMEA Test %s%.14s\n\r", ok ? "Pass " : "Fail", received);
      if (ok) T_INLINETEST_vRecordPass(test);
      break;
    }
    case TEST_SONAR_TUNING: {
      if (!bBeamOk(arg(1))) {
        vSendNak(pcFrame);
        break;
      }
      INLINETEST_HW_vStopTimer();
      {
        // The test screen may still draw the last sonar test's beam.
        LOCK hold;
        V3_BEAM_DATA& b = s_params.aBeamData[arg(1)];
        b.s16TransmitFrequency = (S16)arg(2);
        b.s16RecieverNumber = (S16)arg(3);
        b.s16Bandwidth = (S16)arg(4);
        s_eCurrentTest = test;
      }
      if (!bPing(arg(1))) FATAL_ERROR("Failed to communicate with coprocessor");
      if (arg(6) > 99) {
        const U32 period = s_u32SampleUs == 0 ? 26 : s_u32SampleUs;
        const U32 i = (U32)arg(5) * 416u / period;
        if (arg(5) < 0 || i < 9 || i + 9 >= SIGNAL_SAMPLES) {
          vSendNak(pcFrame);
          break;
        }
        pcFrame[0] = '\0';
        for (U32 k = i - 9; k <= i + 9; ++k) {
          char one[24];
          if (k == i) {
            snprintf(one, sizeof one, ">> %u << ", (unsigned)s_au16Signal[k]);
          } else {
            snprintf(one, sizeof one, "%u, ", (unsigned)s_au16Signal[k]);
          }
          vAppend(pcFrame, one);
        }
        vAppend(pcFrame, "\n\r");
      } else {
        snprintf(pcFrame, INLINETEST_FRAME_BYTES, "%u\n\r", (unsigned)u32LargestSample(nullptr));
      }
      break;
    }
    case TESTING_FINISHED_PASS:
    case TESTING_FINISHED_FAIL: {
      s_eCurrentTest = test;
      if (test == TESTING_FINISHED_PASS) {
        U32 bits = 0;
        (void)H_DATABASE_bFetchU32(FCID("STTP"), &bits);
        (void)H_DATABASE_bUpdateEverythingU32(FCID("STTP"), bits | 0x40000000u, P_TESTMODE, D_UNKNOWN, nullptr,
                                              DB_NO_TIMEOUT);
        (void)L_SEMA_Signal(SEMA_NVRAM_UPDATE);
      }
      U32 mbox = 0;
      if (H_DATABASE_bFetchU32(FCID("TNVR"), &mbox)) {
        static SONAR_DATA_BLOCK s_block;
        memset(&s_block, 0, sizeof s_block);
        memcpy(&s_block, &s_params, sizeof s_params);
        auto* msg = static_cast<MSG_WRITE_SONAR_DATA*>(H_MEMORY_pvMalloc(sizeof(MSG_WRITE_SONAR_DATA)));
        if (msg != nullptr) {
          memset(msg, 0, sizeof *msg);
          msg->Header.Cmd = CMD_ID_WRITE_SONAR_DATA;
          msg->pSonarData = &s_block;
          if (L_MBOX_SendWait((MBOX)mbox, msg, 3, SEMA_TEST_PARAMS) == lsSUCCESS) H_MEMORY_vFree(msg);
        }
      }
      snprintf(pcFrame, INLINETEST_FRAME_BYTES, test == TESTING_FINISHED_PASS ? "#ACK\n\r" : "#NAK\n\r");
      break;
    }
    default:
      break;  // answered with its own parameter text
  }
}

void INLINETEST_HW_vTick(void) {
  switch (s_eCurrentTest) {
    case TESTING_KEYPAD:
      T_INLINETEST_vSendString("Fail--Timeout occured");
      break;
    case TESTING_DISPLAY: {
      LOCK hold;
      s_nColourCount++;
      break;
    }
    case TESTING_BACK_LIGHT:
      (void)H_INLINETEST_eTestBackLight();
      if (s_nBacklightSteps > 0) s_nBacklightSteps--;
      break;
    case TESTING_BUZZER:
      (void)L_SEMA_Signal(SEMA_FISH_ALARM_LARGE);
      break;
    case TESTING_SONAR:
      vSonarEvaluate();
      break;
    default:
      break;
  }
}

void INLINETEST_HW_vKey(const MSG_KEY_CHANGE* pKey) {
  const bool pressed = pKey->state == KEY_DOWN;
  const bool menu = pKey->key == 4, exit = pKey->key == 8;
  auto good = [] { (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD); };
  auto bad = [] { (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD); };
  LOCK hold;
  switch (s_eCurrentTest) {
    case TESTING_KEYPAD:
      H_INLINETEST_vHandleKeypadTest(pKey, &s_eCurrentKey, s_acLastAction, s_acPreviousAction);
      if (s_eCurrentKey >= TESTING_KEY_DONE) {
        INLINETEST_HW_vStopTimer();
        s_acLastAction[0] = s_acPreviousAction[0] = '\0';
        T_INLINETEST_vRecordPass(TESTING_KEYPAD);
        T_INLINETEST_vSendString("Pass");
      }
      return;
    case TESTING_DISPLAY:
    case TESTING_BACK_LIGHT:
    case TESTING_BUZZER:
      if (!pressed) return;
      if (menu) {
        const bool ready = s_eCurrentTest == TESTING_DISPLAY      ? s_nColourCount > 4
                           : s_eCurrentTest == TESTING_BACK_LIGHT ? s_nBacklightSteps < 1
                                                                  : true;
        if (!ready) return bad();
        INLINETEST_HW_vStopTimer();
        T_INLINETEST_vRecordPass(s_eCurrentTest);
        T_INLINETEST_vSendString("Pass");
        return good();
      }
      if (exit) {
        INLINETEST_HW_vStopTimer();
        s_eCurrentTest = WAITING_FOR_TEST;
        T_INLINETEST_vSendString("Fail");
        return good();
      }
      return bad();
    case TESTING_SONAR:
      if (pressed) bad();
      return;
    case TEST_SONAR_TUNING:
      if (!pressed) return;
      if (menu || exit) {
        s_eCurrentTest = WAITING_FOR_TEST;
        T_INLINETEST_vSendString(menu ? "Pass\n\r" : "Fail\n\r");
        return good();
      }
      return bad();
    default:
      if (pressed && menu) bad();
      return;
  }
}

void INLINETEST_HW_vDraw(BITMAP* b, const char* pcStatus) {
  const FONT_DEF* font = std_16x17_font_def_ptr.load();
  auto dialog = [&](const char* text) {
    U_DIALOG_vDrawDialog(b, text, font, 0, 790, nullptr, nullptr, JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
  };
  if (s_eCurrentTest == TESTING_DISPLAY) {
    static const COLOR s_aColours[4] = {0x001F, 0x07E0, 0xF800, 0x0000};
    G_BMP_vSet(b, s_aColours[s_nColourCount % 4]);
    return;
  }
  G_BMP_vSet(b, colour(35));
  char text[256];
  switch (s_eCurrentTest) {
    case TESTING_KEYPAD:
      if (s_eCurrentKey < TESTING_KEY_DONE) {
        dialog(s_apcKeyPrompt[s_eCurrentKey]);
        std::string keys = std::string(s_acPreviousAction) + "\n" + s_acLastAction;
        U_DIALOG_vDrawMessageBlockOutlined(b, keys.c_str(), font, 0, JUSTIFICATION_LEFT, JUSTIFICATION_BOTTOM,
                                           POINT{2, 22}, 796, colour(35), colour(32), colour(35));
      }
      return;
    case TESTING_BACK_LIGHT:
      return dialog("Testing Back Light ");
    case TESTING_BUZZER:
      return dialog("Testing Audio Press MENU if Good");
    case TESTING_SONAR: {
      const V3_BEAM_DATA& beam = s_params.aBeamData[s_nSonarBeam];
      char lines[4][96];
      snprintf(lines[0], sizeof lines[0], "Sonar Frequency   %d%s%s", beam.s16TransmitFrequency,
               aBeamOrder[s_nSonarBeam].pcFrequency, aBeamOrder[s_nSonarBeam].pcSwitch);
      snprintf(lines[1], sizeof lines[1], "Depth   %u   %s", (unsigned)s_sonarDisplay.u16Depth,
               s_sonarDisplay.bDepthPass ? "PASS" : "FAIL");
      snprintf(lines[2], sizeof lines[2], "Signal   %u   %s", (unsigned)s_sonarDisplay.u16Signal,
               s_sonarDisplay.bSignalPass ? "PASS" : "FAIL");
      snprintf(lines[3], sizeof lines[3], "Noise   %u   %s", (unsigned)s_sonarDisplay.u16Noise,
               s_sonarDisplay.bNoisePass ? "PASS" : "FAIL");
      const int rows[4] = {1, 5, 6, 7};
      for (int i = 0; i < 4; ++i) {
        const S32 eighth = b->pixels_high / 8;
        const POINT at = {2, (PIXEL)(b->pixels_high - (rows[i] - 1) * eighth - 2)};
        U_DIALOG_vDrawMessageBlockOutlined(b, lines[i], font, 0, JUSTIFICATION_LEFT, JUSTIFICATION_TOP, at,
                                           (U16)(b->pixels_wide - 2), colour(35), colour(32), colour(32));
      }
      return;
    }
    case TESTING_SPEED:
    case TESTING_BATTERY_VOLTAGE:
    case TESTING_TRANSDUCER_WATER_TEMPERATURE:
    case TESTING_SPEED_WATER_TEMPERATURE: {
      const char* name = s_eCurrentTest == TESTING_SPEED             ? "Speed = "
                         : s_eCurrentTest == TESTING_BATTERY_VOLTAGE ? "Battery Voltage = "
                         : s_eCurrentTest == TESTING_TRANSDUCER_WATER_TEMPERATURE
                             ? "Water Temp. from Transducer = "
                             : "Water Temp. from Speed Port = ";
      if (s_eTestResult == PENDING) {
        snprintf(text, sizeof text, "%s%s", name, s_eCurrentTest == TESTING_SPEED ? "Missing" : "");
      } else {
        snprintf(text, sizeof text, "%s%u--%s", name, (unsigned)s_u32DisplayValue, pcResultWord(s_eTestResult));
      }
      return dialog(text);
    }
    case TESTING_ACCESSORY_PORT:
      snprintf(text, sizeof text, "Accessory Port = %s", pcResultWord(s_eTestResult));
      return dialog(text);
    case TESTING_EXTERNAL_NMEA:
      snprintf(text, sizeof text, "External NMEA Test %s", pcResultWord(s_eTestResult));
      return dialog(text);
    case TESTING_MMC:
    case TESTING_IF_MMC_CARD_PRESENT:
      snprintf(text, sizeof text, "%sMMC Test %s", s_whichSlot[s_nSlot],
               s_eTestResult == PASS  ? "-- PASS!"
               : s_eTestResult == FAIL ? "-- FAIL!"
               : s_eCurrentTest == TESTING_MMC ? "-- Card Not Found!"
                                               : "-- Card in Unit!");
      U_DIALOG_vDrawMessageBlockOutlined(b, text, font, 0, JUSTIFICATION_CENTER, JUSTIFICATION_BOTTOM,
                                         POINT{5, 300}, 400, colour(35), colour(32), colour(32));
      return;
    case TESTING_FINISHED_PASS:
      return dialog("Testing Passed");
    case TESTING_FINISHED_FAIL:
      return dialog("Testing Failed");
    default:
      return dialog(pcStatus);
  }
}
