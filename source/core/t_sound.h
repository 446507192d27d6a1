// Sound task. Until sounds are played it registers its mailbox (TSND), so
// that the orderly shutdown reaches it, and empties its mailbox.
#pragma once

void T_SOUND_vTask(void);
