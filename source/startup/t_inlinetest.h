// The factory in-line test task: a PC on serial port 0 takes the unit over
// with "?" and then drives it with command frames ("#", a letter, the
// argument text, CR or LF), each answered by the text its handler leaves in
// the frame buffer. The hardware tests behind "t" are in
// t_inlinetest_hw.cpp.
#pragma once

#include <stddef.h>

#include "common/types.h"
#include "common/view_types.h"
#include "lsvc/lsvc.h"

#include "common/g_types.h"
struct MSG_KEY_CHANGE;

enum RX_STATE : S32 { RX_WAIT_PREFIX = 1, RX_WAIT_COMMAND = 2, RX_WAIT_DATA = 3, RX_WAIT_CR = 4 };

constexpr U32 INLINETEST_FRAME_BYTES = 512;
constexpr int INLINETEST_COMMANDS = 15;
constexpr int INLINETEST_NO_COMMAND = 15;
constexpr U32 INLINETEST_STATUS_TEXT = 200;

typedef BOOLEAN (*INLINETEST_HANDLER)(char* pcFrame);
struct INLINETEST_COMMAND {
  INLINETEST_HANDLER pfnHandler;
  char cLetter;
  U8 bArguments;
};

// The receive state machine: one per link.
struct INLINETEST_RX {
  RX_STATE eState = RX_WAIT_PREFIX;
  int nCommand = INLINETEST_NO_COMMAND;
  char* pcFrame = nullptr;  // INLINETEST_FRAME_BYTES from H_MEMORY_pvMalloc while a frame is open
  U32 u32Used = 0;
};

// Feeds one received byte. When it completes a frame the row's handler runs
// on the buffer and pfnReply gets the buffer's text; then the buffer is
// released. A table may be given for tests (null: the task's own).
void T_INLINETEST_vFeed(INLINETEST_RX* pRx, U8 u8Byte, void (*pfnReply)(const char* pcText),
                        const INLINETEST_COMMAND* pTable = nullptr);
// Releases an open frame.
void T_INLINETEST_vResetRx(INLINETEST_RX* pRx);
// The command table of the task (INLINETEST_COMMANDS rows).
const INLINETEST_COMMAND* T_INLINETEST_pCommands(void);

// Puts the text into Q_TRANSMIT_UART0, waiting while the queue is full.
void T_INLINETEST_vSendString(const char* pcText);

// The handlers of the table.
BOOLEAN T_INLINETEST_bWriteDatabaseItem(char* pcFrame);
BOOLEAN T_INLINETEST_bReadDatabaseItem(char* pcFrame);
BOOLEAN T_INLINETEST_bClearUserInfo(char* pcFrame);
BOOLEAN T_INLINETEST_bReturnSoftwareVersion(char* pcFrame);
BOOLEAN T_INLINETEST_bResetGps(char* pcFrame);
BOOLEAN T_INLINETEST_bHandleScratchNVR(char* pcFrame);
BOOLEAN T_INLINETEST_bStopPing(char* pcFrame);
BOOLEAN T_INLINETEST_bExitTest(char* pcFrame);
BOOLEAN T_INLINETEST_bDisplayMsg(char* pcFrame);
BOOLEAN T_INLINETEST_bRunTest(char* pcFrame);
BOOLEAN T_INLINETEST_bChecksumMaps(char* pcFrame);
BOOLEAN T_INLINETEST_bLinuxCommand(char* pcFrame);
BOOLEAN T_INLINETEST_bLinuxGPUCheck(char* pcFrame);
BOOLEAN T_INLINETEST_bCustomScreen(char* pcFrame);
BOOLEAN T_INLINETEST_bReadEfuse(char* pcFrame);

// Splits "a,b,c" into at most 16 fields: a field beginning with "F" is 1,
// any other a decimal integer (0 when it is none). Ends the text after the
// first field. Returns the number of fields found; pns32Values gets them all
// (the first is the test number).
int T_INLINETEST_nScanInts(char* pcText, S32* pns32Values, int nMax);

// The task entry (task 26).
void T_INLINETEST_vTask(void);
// The test view's draw callback (IN_LINE_TEST_LAYER).
void T_INLINETEST_vDrawTestLayer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);

// ---- shared with the hardware tests (t_inlinetest_hw.cpp)
// Sets the status text shown on the test view (under RES_INLINETEST).
void T_INLINETEST_vSetStatus(const char* pcText);
// The pass bit of test n (1 to 32) in STTP, in PC-driven mode; the current
// test returns to 0 unless bKeepTest.
void T_INLINETEST_vRecordPass(S32 s32Test, bool bKeepTest = false);
// Hardware tests: "t" with its parameter text (the reply goes into it), the
// timer tick, the key messages and the test view.
void INLINETEST_HW_vInit(void);
void INLINETEST_HW_vRunTest(char* pcFrame);
void INLINETEST_HW_vTick(void);
void INLINETEST_HW_vKey(const MSG_KEY_CHANGE* pKey);
void INLINETEST_HW_vStopTimer(void);
void INLINETEST_HW_vDraw(BITMAP* pBitmap, const char* pcStatus);
