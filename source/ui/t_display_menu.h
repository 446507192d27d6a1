// The display task's power-key menu: a small pop-up of quick controls that
// a press of the power key opens (once the first-start quick configuration
// is done) and power or EXIT closes. Rows, top to bottom: the trolling
// motor's prop and prop speed (while its navigation is on and the prop not
// locked out), the motor's stow, deploy and pause actions (by its state),
// local sonar, backlight and background colour. Runs in the display task;
// the layer's draw callback runs in the view task.
#pragma once

#include "common/db_types.h"
#include "common/key_types.h"
#include "common/types.h"
#include "common/view_types.h"

enum POWER_KEY_MENU_ITEMS : S32 {
  PwrMnu_Prop_Control = 0,
  PwrMnu_Prop_Thrust = 1,
  PwrMnu_Motor_Stow = 2,
  PwrMnu_Motor_Deploy = 3,
  PwrMnu_Motor_Pause = 4,
  PwrMnu_Sonar_Control = 5,
  PwrMnu_Backlight_Adj = 6,
  PwrMnu_Contrast_Adj = 7,
  PwrMnu_Last_Item = 8,
};

// Motor states of the autopilot (key IPMS).
enum KEELAR_NG_STATE : U32 {
  NG_UNKNOWN = 0,
  NG_STOWED = 1,
  NG_DEPLOYING = 2,
  NG_DEPLOYED = 3,
  NG_STOWING = 4,
  NG_PAUSED = 5,
  NG_ERROR = 7,
};

// Installed for the display task's upcalls T_DISPLAY_vRunSystemMenus,
// T_DISPLAY_vPowerKeyMenuKey, T_DISPLAY_vPowerKeyMenuNewData and
// T_DISPLAY_vClosePowerKeyMenu (graphics_upcalls.h).
void T_DISPLAY_MENU_vRunSystem(void);
void T_DISPLAY_MENU_vKey(const MSG_KEY_CHANGE* pMsg);
void T_DISPLAY_MENU_vNewData(const MESSAGE_NEW_DATA* pMsg);
void T_DISPLAY_MENU_vClose(void);

// Draw callback of CONTRAST_LAYER (326), registered while the menu is open.
void T_DISPLAY_vDrawLayer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);

// State for tests: whether the menu is open and which row is highlighted.
BOOLEAN T_DISPLAY_bPowerKeyMenuDisplayed(void);
POWER_KEY_MENU_ITEMS T_DISPLAY_eHighlightedRow(void);
