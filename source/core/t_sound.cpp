// Sound task: registration and mailbox only.
#include "source/core/t_sound.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/core/h_database.h"

void T_SOUND_vTask(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("TSND"), (U32)M_SOUND, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  L_TASK_vServePlaceholder({M_SOUND});
}
