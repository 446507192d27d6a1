// Factory in-line test: the hardware checks the in-line test task steps
// through (keypad, SD cards, backlight, sensors, supply voltage, accessory
// port, Ethernet, internal storage, map checksums). Each looks at a device or
// a settings key and gives a verdict; the task owns the sequence, the screen
// and the test protocol.
#pragma once

#include "common/key_types.h"
#include "common/types.h"

enum TEST_RESULT : S32 { PENDING = 1, PASS = 2, FAIL = 3 };

// Steps of the keypad test: a down and an up step per key, in table order.
enum TESTING_KEY : S32 {
  TESTING_KEY_VIEW_DOWN = 0,
  FIRST_KEY = TESTING_KEY_VIEW_DOWN,
  TESTING_KEY_VIEW_UP,
  TESTING_KEY_MENU_DOWN,
  TESTING_KEY_MENU_UP,
  TESTING_KEY_EXIT_DOWN,
  TESTING_KEY_EXIT_UP,
  TESTING_KEY_RADIO_ONE_DOWN,
  TESTING_KEY_RADIO_ONE_UP,
  TESTING_KEY_RADIO_TWO_DOWN,
  TESTING_KEY_RADIO_TWO_UP,
  TESTING_KEY_RADIO_THREE_DOWN,
  TESTING_KEY_RADIO_THREE_UP,
  TESTING_KEY_POWER_DOWN,
  TESTING_KEY_POWER_UP,
  TESTING_KEY_GOTO_DOWN,
  TESTING_KEY_GOTO_UP,
  TESTING_KEY_MARK_DOWN,
  TESTING_KEY_MARK_UP,
  TESTING_KEY_INFO_DOWN,
  TESTING_KEY_INFO_UP,
  TESTING_KEY_ZOOM_OUT_DOWN,
  TESTING_KEY_ZOOM_OUT_UP,
  TESTING_KEY_ZOOM_IN_DOWN,
  TESTING_KEY_ZOOM_IN_UP,
  TESTING_KEY_CURSOR_NORTH_DOWN,
  TESTING_KEY_CURSOR_NORTH_UP,
  TESTING_KEY_CURSOR_SOUTH_DOWN,
  TESTING_KEY_CURSOR_SOUTH_UP,
  TESTING_KEY_CURSOR_EAST_DOWN,
  TESTING_KEY_CURSOR_EAST_UP,
  TESTING_KEY_CURSOR_WEST_DOWN,
  TESTING_KEY_CURSOR_WEST_UP,
  LAST_KEY = TESTING_KEY_CURSOR_WEST_UP,
  TESTING_KEY_DONE,  // the keypad test is complete
};

// Room of the action texts the keypad test writes.
constexpr int H_INLINETEST_ACTION_TEXT = 64;

// One key message of the keypad test: the last-action text (moved to the
// previous-action text first when not empty) gets the key's name and
// "Pressed" or "Released"; the step advances, stays or goes back to the down
// step of its pair, with the good or bad click. Both texts hold
// H_INLINETEST_ACTION_TEXT bytes.
void H_INLINETEST_vHandleKeypadTest(const MSG_KEY_CHANGE* pMessage, TESTING_KEY* p_eCurrentKey, char* pcLastAction,
                                    char* pcPreviousAction);
// Back to the down step of the current pair (0 for anything out of range).
void H_INLINETEST_vResetCurrentKeyTest(TESTING_KEY* p_eCurrentKey);

// PENDING while a card is in the slot, PASS once it is empty.
TEST_RESULT H_INLINETEST_eTestMMCCardPresent(int nSlot);
// PENDING while the slot holds no usable card; PASS when "TEST.TXT" on the
// card can be opened for reading, FAIL otherwise.
TEST_RESULT H_INLINETEST_eTestMMC(int nSlot);
// Sets CBAK to the next level of 3, 6, 10 (then again) and redraws.
TEST_RESULT H_INLINETEST_eTestBackLight(void);
// ISTW, ITMT, ITMS: PENDING when missing (ITMS also when invalid), FAIL
// outside min-max, else PASS; the display value is the value + 0.5 truncated.
TEST_RESULT H_INLINETEST_eTestSpeed(U32* pu32Display, S16 s16MinValue, S16 s16MaxValue);
TEST_RESULT H_INLINETEST_eTestTransducerWaterTemperatue(U32* pu32Display, U16 u16MinValue, U16 u16MaxValue);
TEST_RESULT H_INLINETEST_eTestSpeedWaterTemperatue(U32* pu32Display, U16 u16MinValue, U16 u16MaxValue);
// IVLT rounded to whole volts against the limits (maximum first).
TEST_RESULT H_INLINETEST_eBatteryVoltage(U32* pu32Display, S32 s32MaxVal, S32 s32MinVal);
// AC01: PENDING while missing or invalid, PASS when TRUE, FAIL when FALSE.
TEST_RESULT H_INLINETEST_eAccessoryPort(U32* pu32Display);
// One ping of the address through the command runner. The address must be a
// dotted IPv4 address; anything else fails without running a command. On a
// failure the exit status is written as decimal text into pcAddress (which
// holds u32AddressRoom bytes).
TEST_RESULT H_INLINETEST_eEthernetTest(char* pcAddress, U32 u32AddressRoom);
// PASS when both files open (bRequireBoth) or either opens; FAIL otherwise.
TEST_RESULT H_INLINETEST_eCheckNand(const char* pcFile1, const char* pcFile2, BOOLEAN bRequireBoth);
// TRUE when SNMV is already TRUE, or when "md5sum -c" of the list file
// succeeds (then SNMV becomes TRUE and is saved). A file name with anything
// but letters, digits, '.', '_', '-' and '/' is refused without a command.
BOOLEAN H_INLINETEST_bVerifyMapChecksums(const char* md5Name);
