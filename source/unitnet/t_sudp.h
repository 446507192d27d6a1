// The segmented UDP service of the unit network: the receiver task (mailbox
// M_SUDPIN) joins stream groups, puts segmented messages together and hands
// them to the registered mailbox; the sender task (mailbox M_SUDPOUT) sends
// what the message layer posts, segmented or as single datagrams.
#pragma once

#include "common/types.h"

void T_SUDP_IN_vTask(void);
void T_SUDP_OUT_vTask(void);
