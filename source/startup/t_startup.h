// The start-up task: takes the unit from the start of the program to a
// running system state. It starts the display, view, view-key, NVRAM,
// keyboard and menu tasks in that order, restores the unit's identity keys,
// shows the splash screen, lets a person (or the 8 s time-out) choose the
// system state on the start-up options, shows the chart disclaimer, writes
// the state to CCST and sends CMD_ID_RUN_SYSTEM to every task in a fixed
// order, the display task first. Afterwards it runs the database time-out
// sweep every 2 s and counts the operating time (SAGE).
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "lsvc/lsvc.h"

enum DISCLAIMER : S32 {
  DISCLAIMER_INACTIVE = 0,
  DISCLAIMER_ACTIVE = 1,
  DISCLAIMER_FINISHED = 2,
};

// The mailboxes that receive CMD_ID_RUN_SYSTEM, in sending order.
constexpr U32 T_STARTUP_RUN_MAILBOXES = 43;
extern const MBOX g_STARTUP_mboxTaskMailboxes[T_STARTUP_RUN_MAILBOXES];

// The task entry of task 17.
void T_STARTUP_vTask(void);
// The detection result (FALSE until the initialisation has detected).
BOOLEAN T_STARTUP_bIsSonarTransducerDetected(void);

// Records the result of the transducer test (the start-up task; tests).
void T_STARTUP_vSetSonarTransducerDetected(BOOLEAN bDetected);

// The start-up screens (draw callbacks of layers 1, 2, 3 and 303).
void T_STARTUP_vDisplaySplashScreen(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);
void T_STARTUP_vDisplayStartupMenu(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);
void T_STARTUP_vDisplayDisclaimer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);
void T_STARTUP_vDrawTransducerNotDetected(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);
// The system status page (layer 151, shown while SVST is on).
void T_STARTUP_vDrawSelfTestView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);

// What the screens show, for the screens' tests.
struct STARTUP_SCREEN_STATE {
  SYSTEM_STATE eState;
  S32 s32MenuLine;
  BOOLEAN bTransducerConnected;
  BOOLEAN bSystemStarted;
  DISCLAIMER eDisclaimer;
  char acPersonal[253];
};
void T_STARTUP_vSetScreenState(const STARTUP_SCREEN_STATE& state);

// The "Screen Snapshot" selector (SCSC: "Off" 0, "On" 2) on the
// "Accessories" tab, for the view task's screenshots.
void T_STARTUP_vRegisterSnapshotMenu(void);
