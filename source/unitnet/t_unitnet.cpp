// The unit network as the sonar sees it on this machine: the unit's address
// and stream groups, and a service-discovery stand-in that announces this
// unit's sonar, takes the sources chosen in TESSIX_SONAR_SOURCES from the
// units named there, and traces the connection notices.
#include "source/unitnet/t_unitnet.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <mutex>
#include <vector>
#include <string>

#include "common/cmd_id.h"
#include "common/net_types.h"
#include "common/u_srvmonitor.h"
#include "source/core/h_database.h"
#include "source/core/t_gmsg.h"
#include "source/core/u_service.h"
#include "source/sonar/s_share.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/t_ping_share.h"

namespace {

constexpr const char* SONAR_SERVICE = "sonar";
const char* const s_apcInstance[4] = {"2D", "DI", "SI", "360"};
const FOURCHARID s_aSourceKey[4] = {FCID("SN2D"), FCID("SNDI"), FCID("SNSI"), FCID("S360")};

std::mutex s_slpLock;  // one thread at a time on the handle
SLPHandle s_hSlp = nullptr;

SLPHandle hService(void) {
  if (s_hSlp == nullptr) {
    U32 local = 0;
    if (GMSG_bUnitAddress(&local)) s_hSlp = SERVICE_hOpenServiceHandleAt(local);
  }
  return s_hSlp;
}

U32 u32Fetch(FOURCHARID key, U32 def) {
  U32 v = def;
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(key, &v, &valid) && valid ? v : def;
}

// The unit's sonar sources as services: address, port and transducer.
void vAnnounceSonar(void) {
  U32 local = 0;
  if (u32Fetch(FCID("ITXD"), 0) != 1 || !GMSG_bUnitAddress(&local)) return;
  const U32 transducer = u32Fetch(FCID("SSTS"), 0);
  const U32 sources = S_TRANSDUCER_u32GetSonarSources((U8)transducer);
  GMSG_ADDRESS a;
  GMSG_vMakeSocketAddress(&a, local, SONAR_SHARE_PORT);
  const std::string attrs = "(transducer=" + std::to_string(transducer) + ")";
  std::lock_guard<std::mutex> lock(s_slpLock);
  for (U32 s = 0; s < 4; ++s) {
    if ((sources & (1u << s)) == 0) continue;
    const BOOLEAN ok = hService() != nullptr && SERVICE_bRegister(hService(), SONAR_SERVICE, s_apcInstance[s], &a,
                                                                   attrs.c_str());
    log_me("slp client: sonar %s of transducer %u announced: %d", s_apcInstance[s], transducer, ok);
  }
}

// One chosen source from the setting: "2d=127.0.0.2".
struct CHOICE {
  U32 source;
  U32 address;
};

std::vector<CHOICE> Choices(void) {
  std::vector<CHOICE> out;
  const char* text = getenv("TESSIX_SONAR_SOURCES");
  if (text == nullptr) return out;
  std::string s(text);
  size_t at = 0;
  while (at < s.size()) {
    size_t end = s.find(',', at);
    if (end == std::string::npos) end = s.size();
    const std::string item = s.substr(at, end - at);
    at = end + 1;
    const size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = item.substr(0, eq);
    const U32 source = name == "2d" ? 0 : name == "di" ? 1 : name == "si" ? 2 : name == "360" ? 3 : 4;
    unsigned o[4];
    char tail = 0;
    if (source > 3 || sscanf(item.c_str() + eq + 1, "%u.%u.%u.%u%c", &o[0], &o[1], &o[2], &o[3], &tail) != 4 ||
        o[0] > 255 || o[1] > 255 || o[2] > 255 || o[3] > 255) {
      log_me("slp client: source choice \"%s\" not understood", item.c_str());
      continue;
    }
    out.push_back({source, GSOCKET_u32Address((U8)o[0], (U8)o[1], (U8)o[2], (U8)o[3])});
  }
  return out;
}

void vChooseServer(const CHOICE& c) {
  const U32 unitId = UNITNET_u32UnitId(c.address);
  const U32 transducer = UNITNET_u32GetTransducerFromServerIP(c.address, SONAR_SHARE_PORT, c.source);
  H_DATABASE_bUpdateValueU32(s_aSourceKey[c.source], unitId, P_NORMAL);
  T_N_PING_vSwitchToNetworkSonar((U16)c.source, transducer, unitId);
  // The stream of the source: 2D on its group, DI and SI on the imaging
  // group, 360 on its own.
  if (c.source != SONAR_SOURCE_SI) {
    auto* r = (MSG_SUDP_IN_REGISTER*)H_MEMORY_pvMalloc(sizeof(MSG_SUDP_IN_REGISTER));
    memset(r, 0, sizeof *r);
    r->Header.Cmd = CMD_ID_SUDP_IN_REGISTER;
    r->doRegister = 1;
    r->port = c.source == 0 ? SONAR_STREAM_PORT_2D : c.source == 3 ? SONAR_STREAM_PORT_360 : SONAR_STREAM_PORT_IMAGING;
    r->mailBox = M_NETPING;
    r->isRaw = 1;
    r->isMultiPacket = 1;
    const U8* b = (const U8*)&c.address;
    snprintf(r->mcastAddress, sizeof r->mcastAddress, "239.%u.%u.%u", c.source == 0 ? 0u : c.source == 3 ? 4u : 2u,
             b[2], b[3]);
    L_MBOX_Send(M_SUDPIN, r, 3, 0);
  }
  auto* m = (NETWORK_REGISTER_4DATA_MESSAGE*)H_MEMORY_pvMalloc(sizeof(NETWORK_REGISTER_4DATA_MESSAGE));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_NETWORK_REGISTER_4DATA;
  m->bRegister = TRUE;
  m->ip = c.address;
  m->port = SONAR_SHARE_PORT;
  m->userData = s_aSourceKey[c.source];
  L_MBOX_Send(M_PING, m, 3, 0);
  log_me("slp client: sonar %s from unit %06X, transducer %u", s_apcInstance[c.source], unitId, transducer);
}

void vTraceNotice(const void* p) {
  const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
  switch (g->Cmd) {
    case CMD_ID_NETWORK_SERVER_CONNECT_MESSAGE: {
      const auto* m = (const NETWORK_SERVER_CONNECT_MESSAGE*)p;
      log_me("slp client: connected to %08X for service %u", m->sServerAddress.uAddr.Socket.u32Address, m->eService);
      break;
    }
    case CMD_ID_NETWORK_SERVER_CONNECTION_SUCCESS_MESSAGE: {
      const auto* m = (const NETWORK_SERVER_CONNECTION_SUCCESS_MESSAGE*)p;
      log_me("slp client: registered with %08X for service %u, reason %u", m->sServerAddress.uAddr.Socket.u32Address,
             m->eServiceSel, m->eConnectionReason);
      break;
    }
    case CMD_ID_NETWORK_SERVER_CONNECTION_LOST_MESSAGE: {
      const auto* m = (const NETWORK_SERVER_CONNECTION_LOST_MESSAGE*)p;
      log_me("slp client: lost %08X, source %u, reason %u", m->sServerAddress.uAddr.Socket.u32Address,
             m->u32SourceEnum, m->eConnectionLostReason);
      break;
    }
    default:
      break;
  }
}

}  // namespace

BOOLEAN UNITNET_bIsAddressReady(void) {
  U32 a = 0;
  return GMSG_bUnitAddress(&a) && a != 0 ? TRUE : FALSE;
}

BOOLEAN UNITNET_bGetIPAddress(char* pcText) {
  U32 a = 0;
  if (pcText != nullptr) pcText[0] = '\0';
  if (pcText == nullptr || !GMSG_bUnitAddress(&a) || a == 0) return FALSE;
  const U8* b = (const U8*)&a;
  snprintf(pcText, 17, "%u.%u.%u.%u", (unsigned)b[0], (unsigned)b[1], (unsigned)b[2], (unsigned)b[3]);
  return TRUE;
}

U32 UNITNET_u32UnitId(U32 u32Address) {
  const U8* b = (const U8*)&u32Address;
  return (U32)b[1] << 16 | (U32)b[2] << 8 | b[3];
}

void UNITNET_vGetMulticastIpAddress(U32 eSource, U32* pu32Address) {
  if (pu32Address == nullptr) return;
  U32 local = 0;
  *pu32Address = 0;
  if (!GMSG_bUnitAddress(&local)) return;
  const U8* b = (const U8*)&local;
  const U8 second = eSource == SONAR_SOURCE_2D ? 0 : (eSource == SONAR_SOURCE_DI || eSource == SONAR_SOURCE_SI) ? 2
                    : eSource == SONAR_SOURCE_360                                                         ? 4
                                                                                                          : 9;
  *pu32Address = GSOCKET_u32Address(239, second, b[2], b[3]);
}

U32 UNITNET_u32GetTransducerFromServerIP(U32 u32Ip, U32, U32 u32Source) {
  if (u32Source > 3) return 0;
  std::lock_guard<std::mutex> lock(s_slpLock);
  // Found answers are kept; a unit without the service is asked again only
  // after a while (the stream task asks per buffer while it registers).
  struct ANSWER {
    U32 transducer;
    U64 when;
  };
  static std::map<std::pair<U32, U32>, ANSWER> s_known;
  const U64 now = L_CLOCK_qwGetTimeInMillis();
  const auto known = s_known.find({u32Ip, u32Source});
  if (known != s_known.end() && (known->second.transducer != 0 || now - known->second.when < 5000))
    return known->second.transducer;
  SLPHandle h = hService();
  if (h == nullptr) return 0;
  SERVICE_SEARCH_INFO info;
  U32 transducer = 0;
  if (SERVICE_bSearch(h, &info, SONAR_SERVICE, s_apcInstance[u32Source], u32Ip, nullptr, SERVICE_SEARCH_ADDRESS) &&
      info.nCount > 0) {
    char* attrs = nullptr;
    char* value = nullptr;
    if (SERVICE_bGetAttributes(h, &info.ServiceInfoArray[0], "transducer", &attrs) &&
        SERVICE_bParseAttribute(attrs, "transducer", &value)) {
      transducer = (U32)strtoul(value, nullptr, 10);
      if (transducer > 18) transducer = 0;
      SERVICE_bFreeAttribute(value);
    }
    if (attrs != nullptr) SERVICE_bFreeAttribute(attrs);
  }
  SERVICE_bFreeSearchInfo(&info);
  s_known[{u32Ip, u32Source}] = {transducer, now};
  if (transducer == 0) log_me("slp client: no sonar %s service at %08X", s_apcInstance[u32Source], u32Ip);
  return transducer;
}

void T_SLP_CLIENT_vStandin(void) {
  while (!UNITNET_bIsAddressReady()) L_CLOCK_Sleep(100);
  U32 local = 0;
  GMSG_bUnitAddress(&local);
  H_DATABASE_bUpdateValueU32(FCID("SMAC"), UNITNET_u32UnitId(local), P_NORMAL);
  // The ping task takes registrations once its network side is up, and the
  // transducer is known once the start-up test is over.
  U32 v = 0;
  while (!H_DATABASE_bFetchU32(FCID("TPNG"), &v) || !H_DATABASE_bFetchU32(FCID("CCST"), &v) ||
         v == STATE_STARTUP || !H_DATABASE_bFetchU32(FCID("ITXD"), &v) || v == 0xFFFFFFFFu)
    L_CLOCK_Sleep(50);
  // The selected transducer is written by the history task a little later.
  for (int i = 0; i < 200 && u32Fetch(FCID("ITXD"), 0) == 1 && u32Fetch(FCID("SSTS"), 0) == 0; ++i) L_CLOCK_Sleep(50);
  vAnnounceSonar();
  for (const CHOICE& c : Choices()) vChooseServer(c);
  for (;;) {
    void* p = L_MBOX_ReceiveWaitTicks(M_SLPCLIENT, 250);
    U_SERVER_MONITOR_vCheckForTimeouts();
    if (p == nullptr) continue;
    vTraceNotice(p);
    H_MEMORY_vDumpMail(p);
  }
}
