// Stand-in for the unit-link gateway task (mailbox 42) until the unit-link
// accessory is built: it takes the depth-alarm cancels this unit passes to
// the other control head, traces them and frees their data with the
// message. Nothing arrives from another head; tests call the two remote
// cancels of the depth alarms directly.
#include "common/cmd_id.h"
#include "lsvc/lsvc.h"
#include "lsvc/lsvc_upcalls.h"
#include "source/startup/t_gateway.h"
#include "source/startup/startup_install.h"

namespace {

void vHandle(void* message) {
  auto* g = (GENERIC_MESSAGE*)message;
  if (g->Cmd == CMD_ID_GATEWAY_DATA) {
    auto* m = (GATEWAY_DATA_MESSAGE*)message;
    if (m->gwdata != nullptr) {
      if (m->datatype == GW_DP_Cancel_Depth_Alarm || m->datatype == GW_DP_Cancel_Remote_Depth_Alarm) {
        log_me("gateway: cancel of the %s depth alarm for the other head (kind %d, data %d)",
               m->datatype == GW_DP_Cancel_Depth_Alarm ? "local" : "remote", (int)m->datatype, (int)*m->gwdata);
      }
      H_MEMORY_vFree(m->gwdata);
      m->gwdata = nullptr;
    }
  }
  H_MEMORY_vDumpMail(message);
}

}  // namespace

void T_GATEWAY_vStandIn(void) {
  for (;;) {
    L_SEMA_Wait(SEMA_MBOX_GATEWAY);
    while (void* message = L_MBOX_Receive(M_GATEWAY)) vHandle(message);
  }
}
