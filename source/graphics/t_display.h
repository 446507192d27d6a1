// Display task. Until the display task's own duties (backlight, palettes,
// video out) are built, its first duty stands in for all of it: the display
// pages are set up and cleared before the view task draws on them, its
// mailbox is registered (TDSP) and emptied.
#pragma once

void T_DISPLAY_vTask(void);
