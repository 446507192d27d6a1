// Sonar sharing in the ping task: server and client sides.
#include "source/sonar/t_ping_share.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>

#include "common/cmd_id.h"
#include "common/db_types.h"
#include "common/u_netdest.h"
#include "common/u_srvmonitor.h"
#include "source/core/h_database.h"
#include "source/core/model.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/sonar/t_ping_int.h"
#include "source/startup/t_alarm.h"
#include "source/startup/t_startup.h"

namespace {

constexpr U32 SEND_TIMEOUT_MS = 500;
constexpr U32 NO_UNIT = 0xFFFFFFFFu;
constexpr U32 UNIT_MASK = 0xFFFFFF;
// A client whose sends failed more than this many times in a row is
// disconnected (the eleventh failure in a row).
constexpr U32 SEND_ERROR_LIMIT = 10;
constexpr U32 MAX_DESTINATIONS = NETWORKDEST_SLOTS;

const FOURCHARID s_aSourceKey[4] = {FCID("SN2D"), FCID("SNDI"), FCID("SNSI"), FCID("S360")};
const FOURCHARID s_aTransducerKey[4] = {FCID("YST1"), FCID("YST2"), FCID("YST3"), FCID("YST4")};
const U32 s_aLostValue[4] = {DIA_SONAR_2D_SOURCE_LOST, DIA_SONAR_DI_SOURCE_LOST, DIA_SONAR_SI_SOURCE_LOST,
                             DIA_SONAR_360_SOURCE_LOST};

struct perClientDataType {
  U32 u32MaximumSampleCount;
  U32 u32SendConsecutiveErrorCount;
};

// ------------------------------------------------------------ state (mutex 100)
sonarRegisteredClientNode* sonarSourcesArray[4] = {};
NetworkDestinationsType* s_pDestinations = nullptr;
perClientDataType s_aClientData[MAX_DESTINATIONS];
bool s_abClientDataUsed[MAX_DESTINATIONS];
GMSG_ADDRESS s_aServerAddress[4];
std::atomic<U32> s_au32MonitorHandle[4] = {SERVER_MONITOR_NONE, SERVER_MONITOR_NONE, SERVER_MONITOR_NONE,
                                           SERVER_MONITOR_NONE};
U32 s_au32SonarSourceMAC[4] = {NO_UNIT & UNIT_MASK, NO_UNIT & UNIT_MASK, NO_UNIT & UNIT_MASK, NO_UNIT & UNIT_MASK};
std::atomic<BOOLEAN> s_LostClient{FALSE};
std::atomic<BOOLEAN> s_bForLocalSITransducer{FALSE};
F32 s_fNetworkActualDepthToListen = 0.0f, s_fNetworkActualDepthToPing = 0.0f;
bool s_bClientDepths = false;
BOOLEAN bRegistered = FALSE;
U32 s_u32Sonar2DMulticastIpAddress = 0, s_u32SonarDIMulticastIpAddress = 0;
U32 s_u32MessagePingCounter = 11;  // depth feedback of pings received as messages

struct SHARE_LOCK {
  SHARE_LOCK() { L_MUTEX_LockWait(RES_SONAR_SHARE); }
  ~SHARE_LOCK() { L_MUTEX_Unlock(RES_SONAR_SHARE); }
};

U32 u32Fetch(FOURCHARID key, U32 def) {
  U32 v = def;
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(key, &v, &valid) && valid ? v : def;
}
bool bFetchValid(FOURCHARID key, U32* v) {
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(key, v, &valid) && valid;
}

// The ping masks live in their keys.
U32 u32Mask(FOURCHARID key) { return u32Fetch(key, 0); }

U32 u32Ip(const GMSG_ADDRESS& a) { return a.uAddr.Socket.u32Address; }
GMSG_ADDRESS Address(U32 ip, U32 port) {
  GMSG_ADDRESS a;
  GMSG_vMakeSocketAddress(&a, ip, port);
  return a;
}
U32 u32SenderIp(const GMSG_INFO* info) {
  return info->Header.SrcAddress.MsgAddressType == GMSG_ADDRESS_SOCKET ? u32Ip(info->Header.SrcAddress) : 0;
}

bool bInList(U32 source, U32 ip) {
  for (const sonarRegisteredClientNode* n = sonarSourcesArray[source]; n != nullptr; n = n->next)
    if (n->u32ClientAddress == ip) return true;
  return false;
}

BOOLEAN bTransducerDetected(void) {
  const U32 itxd = u32Fetch(FCID("ITXD"), 0);
  return itxd != 0 && itxd != 0xFFFFFFFFu ? TRUE : FALSE;
}

// ------------------------------------------------------------ destinations
// The per-client record of the first destination with the address.
perClientDataType* pClientData(U32 ip) {
  if (s_pDestinations == nullptr) return nullptr;
  U32 index = 0, user = 0;
  while (const GMSG_ADDRESS* a = U_NETWORKDEST_gapNext(s_pDestinations, &index, &user)) {
    if (u32Ip(*a) == ip && user < MAX_DESTINATIONS) return &s_aClientData[user];
  }
  return nullptr;
}

// Removes the first destination with the address; TRUE when there was one.
bool bRemoveDestination(U32 ip) {
  if (s_pDestinations == nullptr) return false;
  U32 index = 0, user = 0;
  while (const GMSG_ADDRESS* a = U_NETWORKDEST_gapNext(s_pDestinations, &index, &user)) {
    if (u32Ip(*a) != ip) continue;
    const GMSG_ADDRESS copy = *a;
    U_NETWORKDEST_bRegisterNetworkDestination(s_pDestinations, &copy, FALSE, user);
    if (user < MAX_DESTINATIONS) s_abClientDataUsed[user] = false;
    return true;
  }
  return false;
}

// Counts a send to a client; after too many failures in a row the client
// is disconnected and its destination removed.
void vCountSend(U32 ip, BOOLEAN ok, const char* who) {
  perClientDataType* d = pClientData(ip);
  if (d == nullptr) return;
  if (ok) {
    d->u32SendConsecutiveErrorCount = 0;
    return;
  }
  if (++d->u32SendConsecutiveErrorCount > SEND_ERROR_LIMIT) {
    log_me("%s: calling U_GMSG_bDisconnect.", who);
    const GMSG_ADDRESS a = Address(ip, SONAR_SHARE_PORT);
    U_GMSG_bDisconnect(M_PING, &a);
    T_N_PING_bRegisterNetworkDestination(0, &a, FALSE, 0);
  }
}

BOOLEAN bSendControl(U32 ip, FOURCHARID key, U32 value, U32 advise) {
  const controlChangeType body{key, value, advise};
  const GMSG_ADDRESS a = Address(ip, SONAR_SHARE_PORT);
  return U_GMSG_bSendMsgNoWaitAsync(M_PING, &a, GMSG_ID_SONAR_CONTROL_CHANGE, &DT_CONTROL_CHANGE, &body, 0,
                                    SEND_TIMEOUT_MS);
}

// ------------------------------------------------------------ notices to service discovery
template <typename T>
T* pNotice(CMD_ID cmd) {
  auto* m = (T*)H_MEMORY_pvMalloc(sizeof(T));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = cmd;
  return m;
}
void vPost(void* m) {
  if (L_MBOX_Send(M_SLPCLIENT, m, 3, 0) != lsSUCCESS) H_MEMORY_vFree(m);
}
void vSendLost(U32 source, const GMSG_ADDRESS& server, U32 reason) {
  auto* m = pNotice<NETWORK_SERVER_CONNECTION_LOST_MESSAGE>(CMD_ID_NETWORK_SERVER_CONNECTION_LOST_MESSAGE);
  m->u32SourceEnum = s_aLostValue[source];
  m->sServerAddress = server;
  m->eConnectionLostReason = reason;
  vPost(m);
}

// Leaves or joins the stream of a source of the server at ip.
void vStreamRegistration(U32 source, U32 ip, BOOLEAN reg) {
  auto* m = (MSG_SUDP_IN_REGISTER*)H_MEMORY_pvMalloc(sizeof(MSG_SUDP_IN_REGISTER));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_SUDP_IN_REGISTER;
  m->doRegister = reg ? 1 : 0;
  m->port = source == SONAR_SOURCE_2D ? SONAR_STREAM_PORT_2D : source == SONAR_SOURCE_360 ? SONAR_STREAM_PORT_360
                                                                                        : SONAR_STREAM_PORT_IMAGING;
  m->mailBox = M_NETPING;
  m->isRaw = 1;
  m->isMultiPacket = 1;
  const U8* b = (const U8*)&ip;
  const unsigned second = source == SONAR_SOURCE_2D ? 0 : source == SONAR_SOURCE_360 ? 4 : 2;
  snprintf(m->mcastAddress, sizeof m->mcastAddress, "%d.%d.%d.%d", 239, second, b[2], b[3]);
  if (L_MBOX_Send(M_SUDPIN, m, 3, 0) != lsSUCCESS) H_MEMORY_vFree(m);
}

// The depth request of a client to its server(s).
void vSendDepth(U32 ip) {
  F32 listen = 0.0f;
  const F32 ping = fLocalFindDepthToPing(&listen);
  const sonarPingDepthType body{listen, ping};
  const GMSG_ADDRESS a = Address(ip, SONAR_SHARE_PORT);
  U_GMSG_bSendMsgNoWait(M_PING, &a, GMSG_ID_SONAR_PING_DEPTH_DATA, &DT_SONAR_PING_DEPTH, &body, 0, SEND_TIMEOUT_MS);
}

void vWriteTransducerKey(U32 source, U32 value) {
  H_DATABASE_bUpdateEverythingU32(s_aTransducerKey[source], value, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
}

const GMSG_MAP_INFO s_PING_MsgMapInfo[] = {
    {GMSG_ID_SONAR_REQUEST_DATA, &T_N_PING_bHandleNewDataRequest, &DT_SONAR_REQUEST_DATA, nullptr, nullptr},
    {GMSG_ID_SONAR_RECEIVE_DATA, &T_N_PING_bHandleDataRecieve, &DT_PING_DESCRIPTOR, nullptr, nullptr},
    {GMSG_ID_SONAR_CONTROL_CHANGE, &T_N_PING_bHandleControlChangeRecieve, &DT_CONTROL_CHANGE, nullptr, nullptr},
    {GMSG_ID_SONAR_PING_DEPTH_DATA, &T_N_PING_bHandleReceivePingDepth, &DT_SONAR_PING_DEPTH, nullptr, nullptr},
    {GMSG_ID_SONAR_TRANSDUCER_CHANGE, &T_N_PING_bHandleTransducerChange, &DT_SONAR_TRANSDUCER_CHANGE, nullptr,
     nullptr},
    {GMSG_ID_STATUS, &T_N_PING_bHandleNiceMessageAboutSomethingInThePast, &DT_GMSG_STATUS, nullptr, nullptr},
    {0, nullptr, nullptr, nullptr, nullptr},
};

// The server-monitor time-out: 60 s, shorter on the host when asked.
U32 u32MonitorTimeout(void) {
  const char* t = getenv("TESSIX_SONAR_MONITOR_MS");
  const long v = t != nullptr ? strtol(t, nullptr, 10) : 0;
  return v > 0 ? (U32)v : SERVER_MONITOR_DEFAULT_TIMEOUT_MS;
}

struct PEER_MESSAGE {  // CMD_ID_GMSG_DISCONNECT and CMD_ID_CLIENT_MONITOR_TIMEOUT
  GENERIC_MESSAGE Header;
  MBOX Mailbox;
  GMSG_ADDRESS Address;
};

}  // namespace

// ------------------------------------------------------------ U_PING_ lists and server state
void U_PING_vAddClientNode(sonarRegisteredClientNode** head, U32 ip) {
  sonarRegisteredClientNode** at = head;
  while (*at != nullptr) {
    if ((*at)->u32ClientAddress == ip) {
      log_me("client at %08X already registered", ip);
      return;
    }
    at = &(*at)->next;
  }
  auto* n = (sonarRegisteredClientNode*)H_MEMORY_pvMalloc(sizeof(sonarRegisteredClientNode));
  if (n == nullptr) FATAL_ERROR("Cannot allocate memory");
  n->u32ClientAddress = ip;
  n->next = nullptr;
  *at = n;
}

void U_PING_vDeleteClientNode(sonarRegisteredClientNode** head, U32 ip) {
  if (*head == nullptr) {
    log_me("empty list for sonar source, cannot delete address %08X", ip);
    return;
  }
  for (sonarRegisteredClientNode** at = head; *at != nullptr; at = &(*at)->next) {
    if ((*at)->u32ClientAddress == ip) {
      sonarRegisteredClientNode* gone = *at;
      *at = gone->next;
      H_MEMORY_vFree(gone);
      return;
    }
  }
}

void U_PING_vAllDeleteClientNodes(sonarRegisteredClientNode** head) {
  while (*head != nullptr) {
    sonarRegisteredClientNode* gone = *head;
    *head = gone->next;
    H_MEMORY_vFree(gone);
  }
}

U32 U_PING_u32GetServerMonitorHandle(U32 i) { return i < 4 ? s_au32MonitorHandle[i].load() : SERVER_MONITOR_NONE; }
void U_PING_vSetServerMonitorHandle(U32 h, U32 i) {
  if (i < 4) s_au32MonitorHandle[i].store(h);
}
void U_PING_vSetServerAddress(GMSG_ADDRESS a, U32 i) {
  SHARE_LOCK lock;
  if (i < 4) s_aServerAddress[i] = a;
}
void U_PING_vGetServerAddress(GMSG_ADDRESS* a, U32 i) {
  SHARE_LOCK lock;
  if (i < 4) *a = s_aServerAddress[i];
}
void U_PING_vInitServerAddress(void) {
  SHARE_LOCK lock;
  memset(s_aServerAddress, 0, sizeof s_aServerAddress);
}

// ------------------------------------------------------------ ping task hooks
void T_N_PING_SetupNetworkInterface(void) {
  if (bRegistered) return;
  if (!U_GMSG_bRegisterMailbox(M_PING, RES_PING, SEMA_GMSG_PING, s_PING_MsgMapInfo, SONAR_SHARE_PORT)) {
    log_me("ping: class 0x18 not registered, tried again later");
    return;
  }
  {
    SHARE_LOCK lock;
    if (s_pDestinations == nullptr) s_pDestinations = U_NETWORKDEST_pvNew();
  }
  const U32 timeout = u32MonitorTimeout();
  for (U32 s = 0; s < 2; ++s) {
    const U32 h = U_SERVER_MONITOR_u32Allocate();
    if (h != SERVER_MONITOR_INVALID) {
      U_SERVER_MONITOR_vSetUserName(h, "T_N_PING");
      U_SERVER_MONITOR_vSetMailbox(h, M_PING);
      U_SERVER_MONITOR_vSetTimeoutInterval(h, timeout);
    }
    U_PING_vSetServerMonitorHandle(h == SERVER_MONITOR_INVALID ? SERVER_MONITOR_NONE : h, s);
  }
  T_ETHERNET_vGetMulticastIpAddress(SONAR_SOURCE_2D, &s_u32Sonar2DMulticastIpAddress);
  T_ETHERNET_vGetMulticastIpAddress(SONAR_SOURCE_DI, &s_u32SonarDIMulticastIpAddress);
  bRegistered = TRUE;
  log_me("ping: sonar sharing on port %u, groups %08X %08X", SONAR_SHARE_PORT, s_u32Sonar2DMulticastIpAddress,
         s_u32SonarDIMulticastIpAddress);
}

BOOLEAN T_N_PING_bNetworkRegistered(void) { return bRegistered; }

void T_N_PING_vRegisterFcidsOfInterest(void) {
  const FCID_TRANSLATE_TYPE* t = S_SHARE_pTranslateTable();
  for (U32 i = 0; i < SONAR_SHARED_CONTROLS; ++i) {
    H_DATABASE_bRegisterForDataWithConditions(t[i].fcidUIControl, M_PING, TRUE, FALSE, FALSE);
    H_DATABASE_bRegisterForDataWithConditions(t[i].fcidSavedSetting, M_PING, TRUE, FALSE, FALSE);
  }
}

BOOLEAN T_N_PING_bAnyDestination(void) {
  SHARE_LOCK lock;
  if (s_pDestinations == nullptr) return FALSE;
  U32 index = 0, user = 0;
  return U_NETWORKDEST_gapNext(s_pDestinations, &index, &user) != nullptr ? TRUE : FALSE;
}

BOOLEAN T_N_PING_bHandleShareMail(void* p) {
  const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
  switch (g->Cmd) {
    case CMD_ID_GMSG_RECEIVE:
      U_GMSG_bHandleReceive((MSG_GMSG_RECEIVE*)p);
      return TRUE;
    case CMD_ID_GMSG_DISCONNECT:
    case CMD_ID_CLIENT_MONITOR_TIMEOUT:
      s_LostClient = TRUE;
      log_me("s_LostClient = %d", 1);
      T_N_PING_bHandlePeerDisconnect(p, FALSE);
      return TRUE;
    case CMD_ID_SERVER_MONITOR_TIMEOUT:
      T_N_PING_bHandlePeerDisconnect(p, TRUE);
      return TRUE;
    case CMD_ID_NETWORK_REGISTER_4DATA:
      T_NET_PING_RECEIVE_bHandleServerConnection((const NETWORK_REGISTER_4DATA_MESSAGE*)p);
      return TRUE;
    default:
      return FALSE;
  }
}

void T_N_PING_vShareShutdown(void) {
  SHARE_LOCK lock;
  for (U32 s = 0; s < 4; ++s) {
    const GMSG_ADDRESS a = s_aServerAddress[s];
    if (u32Ip(a) != 0) T_N_PING_vUnregisterForNetworkData(u32Ip(a), a.uAddr.Socket.u32Port, s);
  }
  for (auto& head : sonarSourcesArray) U_PING_vAllDeleteClientNodes(&head);
}

BOOLEAN T_N_PING_bGetClientDepths(F32* listen, F32* ping) {
  SHARE_LOCK lock;
  if (!s_bClientDepths) return FALSE;
  *listen = s_fNetworkActualDepthToListen;
  *ping = s_fNetworkActualDepthToPing;
  return TRUE;
}

// ------------------------------------------------------------ router copy
void T_N_PING_vSendToNetworkDestinations(NET_SOURCE_TYPE source, NETWORK_SONAR_PROCESS_TYPE process,
                                         PING_DESCRIPTOR* d) {
  if (d == nullptr || source > SONAR_SOURCE_360) return;
  SHARE_LOCK lock;
  if (s_pDestinations == nullptr || sonarSourcesArray[source] == nullptr) return;
  BOOLEAN enabled = TRUE;
  if (H_DATABASE_bFetchBoolean(FCID("SSEN"), &enabled) && !enabled) return;
  if (process != NETWORK_SONAR_PROCESS) {
    log_me("T_N_PING_bSendToNetworkDestinations: process type %u not sent", (unsigned)process);
    return;
  }
  U32 index = 0, user = 0;
  const GMSG_ADDRESS* first = U_NETWORKDEST_gapNext(s_pDestinations, &index, &user);
  if (first == nullptr) return;
  perClientDataType* data = user < MAX_DESTINATIONS ? &s_aClientData[user] : nullptr;
  U32 count = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  if (data != nullptr && data->u32MaximumSampleCount < count) {
    count = data->u32MaximumSampleCount;
    d->u32NumberOfSamples = count;
  }
  const U32 bytes = SONAR_STREAM_RECORD_BYTES + count;
  U8* buffer = (U8*)H_MEMORY_pvMallocNoWait(bytes);
  if (buffer == nullptr) {
    log_me("T_N_PING_myPDSerializer malloc failed!! %d bytes", (int)bytes);
    return;
  }
  S_SHARE_u32EncodeStream(d, count, buffer, bytes);
  const U32 group = source == SONAR_SOURCE_2D ? s_u32Sonar2DMulticastIpAddress
                    : source == SONAR_SOURCE_DI ? s_u32SonarDIMulticastIpAddress
                                                : 0;
  const U16 port = source == SONAR_SOURCE_2D ? SONAR_STREAM_PORT_2D
                   : source == SONAR_SOURCE_360 ? SONAR_STREAM_PORT_360
                                                : SONAR_STREAM_PORT_IMAGING;
  const GMSG_ADDRESS dst = Address(group, port);
  const GMSG_ALT_TRANSPORT alt{TRUE, bytes, 1};
  if (U_GMSG_bSendMsgNoReplyAlt(M_PING, &dst, GMSG_ID_SONAR_RECEIVE_DATA, &DT_PING_DESCRIPTOR, buffer, 0, &alt)) {
    if (data != nullptr) data->u32SendConsecutiveErrorCount = 0;
  } else {
    log_me("T_N_PING_bSendToNetworkDestinations: U_GMSG_bSendMsgNoReplyAlt failed!!!");
    H_MEMORY_vFree(buffer);
  }
}

// ------------------------------------------------------------ server
BOOLEAN T_N_PING_bRegisterNetworkDestination(U32, const GMSG_ADDRESS* a, BOOLEAN reg, U32 userData) {
  SHARE_LOCK lock;
  if (s_pDestinations == nullptr || a == nullptr) return FALSE;
  if (reg) {
    U32 slot = MAX_DESTINATIONS;
    for (U32 i = 0; i < MAX_DESTINATIONS; ++i) {
      if (!s_abClientDataUsed[i]) {
        slot = i;
        break;
      }
    }
    if (slot == MAX_DESTINATIONS) {
      log_me("H_MEMORY_pvMalloc failed!");
      return FALSE;
    }
    s_aClientData[slot] = {userData, 0};
    if (!U_NETWORKDEST_bRegisterNetworkDestination(s_pDestinations, a, TRUE, slot)) return FALSE;
    s_abClientDataUsed[slot] = true;
    return TRUE;
  }
  bool found = bRemoveDestination(u32Ip(*a));
  if (found && s_LostClient) {
    while (bRemoveDestination(u32Ip(*a))) {
    }
  }
  s_LostClient = FALSE;
  return found ? TRUE : FALSE;
}

BOOLEAN T_N_PING_bSynchronizeNewClientControls(const GMSG_ADDRESS* a, U32 source) {
  const FCID_TRANSLATE_TYPE* t = S_SHARE_pTranslateTable();
  for (U32 i = 0; i < SONAR_SHARED_CONTROLS; ++i) {
    U32 v = 0;
    if ((t[i].u32SonarSources & (1u << source)) == 0 || !bFetchValid(t[i].fcidSavedSetting, &v)) continue;
    const BOOLEAN ok = bSendControl(u32Ip(*a), t[i].fcidSavedSetting, v, TRUE);
    vCountSend(u32Ip(*a), ok, "T_N_PING_bSynchronizeNewClientControls");
  }
  return TRUE;
}

BOOLEAN T_N_PING_bHandleNewDataRequest(MBOX, GMSG_INFO* info, void*, void*) {
  const auto* body = (const sonarRequestDataType*)info->pStructMsg;
  const U32 ip = u32SenderIp(info);
  if (body == nullptr || ip == 0 || body->u32SonarSource > SONAR_SOURCE_360) {
    log_me("sonar share: data request refused");
    return TRUE;
  }
  const GMSG_ADDRESS client = Address(ip, SONAR_SHARE_PORT);
  const U32 source = body->u32SonarSource;
  SHARE_LOCK lock;
  log_me("sonar share: %s of %08X for source %u", body->registerFlag ? "registration" : "unregistration", ip, source);
  if (body->registerFlag != 0) {
    T_N_PING_bRegisterNetworkDestination(source, &client, TRUE, std::min(body->pingArrayLimit, PING_MAX_SAMPLES));
    U_ALARM_bAddPeer(&client);
    if (source == SONAR_SOURCE_2D) {
      T_N_PING_bSynchronizeNewClientControls(&client, 0);
      U_PING_vAddClientNode(&sonarSourcesArray[0], ip);
      if (sonarSourcesArray[0] != nullptr) vWritePingMaskBit(FCID("ECPM"), 0, true);
    } else if (source == SONAR_SOURCE_DI || source == SONAR_SOURCE_SI) {
      T_N_PING_bSynchronizeNewClientControls(&client, source);
      U_PING_vAddClientNode(&sonarSourcesArray[2], ip);
      U_PING_vAddClientNode(&sonarSourcesArray[1], ip);
      if (sonarSourcesArray[1] != nullptr) vWritePingMaskBit(FCID("ECPM"), source, true);
    }
    return TRUE;
  }
  if (T_N_PING_bRegisterNetworkDestination(source, &client, FALSE, 0)) U_ALARM_bRemovePeer(&client);
  if (source == SONAR_SOURCE_2D) {
    if (sonarSourcesArray[0] == nullptr) return TRUE;
    U_PING_vDeleteClientNode(&sonarSourcesArray[0], ip);
    if (sonarSourcesArray[0] == nullptr) vWritePingMaskBit(FCID("ECPM"), 0, false);
  } else if (source == SONAR_SOURCE_DI || source == SONAR_SOURCE_SI) {
    if (sonarSourcesArray[2] != nullptr) U_PING_vDeleteClientNode(&sonarSourcesArray[2], ip);
    T_N_PING_vHandleClients(2);
    if (sonarSourcesArray[1] != nullptr) U_PING_vDeleteClientNode(&sonarSourcesArray[1], ip);
    T_N_PING_vHandleClients(1);
  }
  return TRUE;
}

void T_N_PING_vHandleClients(U32 source) {
  SHARE_LOCK lock;
  if (source > 3) return;
  if (sonarSourcesArray[source] == nullptr) {
    vWritePingMaskBit(FCID("ECPM"), source, false);
    return;
  }
  for (const sonarRegisteredClientNode* n = sonarSourcesArray[source]; n != nullptr; n = n->next)
    log_me("source %u client %08X", source, n->u32ClientAddress);
}

BOOLEAN T_N_PING_bCheckActiveClientList(U32 source) {
  SHARE_LOCK lock;
  return source < 4 && sonarSourcesArray[source] != nullptr ? TRUE : FALSE;
}

BOOLEAN T_N_PING_bActiveClients(void) {
  SHARE_LOCK lock;
  for (auto* head : sonarSourcesArray)
    if (head != nullptr) return TRUE;
  return FALSE;
}

U32 T_N_PING_u32ClientCount(U32 source) {
  SHARE_LOCK lock;
  U32 n = 0;
  if (source < 4)
    for (const sonarRegisteredClientNode* c = sonarSourcesArray[source]; c != nullptr; c = c->next) ++n;
  return n;
}

void T_N_PING_vReset2DAdvClients(void) {
  SHARE_LOCK lock;
  U_PING_vAllDeleteClientNodes(&sonarSourcesArray[1]);
  U_PING_vAllDeleteClientNodes(&sonarSourcesArray[2]);
}

void T_N_PING_vSetClientLost(BOOLEAN b) { s_LostClient = b; }
BOOLEAN T_N_PING_bSyncLocalSideScanRange(void) { return s_bForLocalSITransducer.load(); }
void T_N_PING_vResetLocalSideScanRangeCondVar(void) { s_bForLocalSITransducer = FALSE; }

BOOLEAN T_N_PING_bControlChangeSend(FOURCHARID fcid, U32 value, U32 advise, const GMSG_ADDRESS* origin) {
  const S32 row = S_SHARE_s32FindControl(fcid);
  if (row < 0) return TRUE;
  const FCID_TRANSLATE_TYPE& r = S_SHARE_pTranslateTable()[row];
  const bool shown = r.fcidUIControl == fcid;
  SHARE_LOCK lock;
  const U32 elpm = u32Mask(FCID("ELPM")), ecpm = u32Mask(FCID("ECPM")), enpm = u32Mask(FCID("ENPM"));
  bool partnerUpdated = false;
  for (U32 s = 0; s < 4; ++s) {
    if ((r.u32SonarSources & (1u << s)) == 0) continue;
    if ((elpm & (1u << s)) && !partnerUpdated) {
      const FOURCHARID partner = shown ? r.fcidSavedSetting : r.fcidUIControl;
      H_DATABASE_bUpdateValueU32Except(partner, value, P_NORMAL, M_PING);
      T_N_PING_vApplyNewData(partner, value);
      partnerUpdated = true;
    }
    if (advise != 0) return TRUE;
    // Clients take the saved key. A shown key whose saved partner this
    // unit did not update has nothing to tell them.
    if ((ecpm & (1u << s)) && (!shown || partnerUpdated)) {
      for (const sonarRegisteredClientNode* n = sonarSourcesArray[s]; n != nullptr; n = n->next) {
        if (origin != nullptr && n->u32ClientAddress == u32Ip(*origin)) continue;
        const BOOLEAN ok = bSendControl(n->u32ClientAddress, r.fcidSavedSetting, value, TRUE);
        vCountSend(n->u32ClientAddress, ok, "T_N_PING_bControlChangeSend");
      }
    }
    if (shown && (enpm & (1u << s)) && U_PING_eGetNetworkClientState(s) == NETWORK_CLIENT_STATE_CONNECTED) {
      const U32 server = u32Ip(s_aServerAddress[s]);
      if (server != 0) {
        log_me("send data for index %d to 0x%X", (int)row, server);
        bSendControl(server, fcid, value, FALSE);
      }
    }
  }
  return TRUE;
}

BOOLEAN T_N_PING_bHandleControlChangeRecieve(MBOX, GMSG_INFO* info, void*, void*) {
  const auto* body = (const controlChangeType*)info->pStructMsg;
  const U32 sender = u32SenderIp(info);
  if (body == nullptr || sender == 0) return TRUE;
  const S32 row = S_SHARE_s32FindControl(body->fcid);
  if (row < 0) return TRUE;  // a key in no row
  const FCID_TRANSLATE_TYPE& r = S_SHARE_pTranslateTable()[row];
  SHARE_LOCK lock;
  bool fromServer = false;
  for (int s = 3; s >= 0; --s) {
    if ((r.u32SonarSources & (1u << s)) == 0 || u32Ip(s_aServerAddress[s]) != sender) continue;
    if (U_PING_eGetNetworkClientState((U32)s) == NETWORK_CLIENT_STATE_REGISTER) T_N_PING_vSetConnected((U32)s);
    if (U_PING_eGetNetworkClientState((U32)s) == NETWORK_CLIENT_STATE_CONNECTED) fromServer = true;
  }
  bool fromClient = false;
  if (!fromServer) {
    const U32 ecpm = u32Mask(FCID("ECPM"));
    for (U32 s = 0; s < 4; ++s) {
      if ((ecpm & (1u << s)) && (r.u32SonarSources & (1u << s)) && bInList(s, sender)) fromClient = true;
    }
    if (!fromClient) return TRUE;
    if (body->fcid == FCID("YSSR") || body->fcid == FCID("SSSR")) {
      s_bForLocalSITransducer = TRUE;
      log_me("sidescan range update for local transudcer, do not sync to RSX");
    }
  }
  const FOURCHARID target = S_SHARE_fcidPartner(body->fcid);
  U32 value = body->value;
  log_me("sonar share: %.4s %08X from %08X, advise %u", (const char*)&body->fcid, value, sender, body->advise);
  if (MODEL_bDomesticModel() && (target == FCID("SUDP") || target == FCID("YUDP")) && value == U_METRES)
    value = U_FEET;
  if (!S_SHARE_bControlValueInRange(target, value)) {
    log_me("sonar share: value %08X of %.4s from %08X refused", value, (const char*)&target, sender);
    return TRUE;
  }
  H_DATABASE_bUpdateValueU32Except(target, value, P_NORMAL, M_PING);
  T_N_PING_vApplyNewData(target, value);
  const GMSG_ADDRESS from = Address(sender, SONAR_SHARE_PORT);
  T_N_PING_bControlChangeSend(target, value, body->advise, &from);
  return TRUE;
}

BOOLEAN T_N_PING_bHandleReceivePingDepth(MBOX, GMSG_INFO* info, void*, void*) {
  const auto* body = (const sonarPingDepthType*)info->pStructMsg;
  const U32 sender = u32SenderIp(info);
  if (body == nullptr) return TRUE;
  SHARE_LOCK lock;
  const U32 ecpm = u32Mask(FCID("ECPM"));
  if (ecpm == 0) return TRUE;
  for (U32 s = 0; s < 4; ++s) {
    if ((ecpm & (1u << s)) == 0 || !bInList(s, sender)) continue;
    // NaN and negative requests take the floor as well.
    s_fNetworkActualDepthToListen = body->fActualDepthToListen > 10.0f ? body->fActualDepthToListen : 10.0f;
    s_fNetworkActualDepthToPing = body->fActualDepthToPing > 10.0f ? body->fActualDepthToPing : 10.0f;
    s_fNetworkActualDepthToListen = std::min(s_fNetworkActualDepthToListen, 10000.0f);
    s_fNetworkActualDepthToPing = std::min(s_fNetworkActualDepthToPing, 10000.0f);
    s_bClientDepths = true;
    log_me("sonar share: client %08X asks %.1f m to ping, %.1f m to listen", sender,
           (double)s_fNetworkActualDepthToPing, (double)s_fNetworkActualDepthToListen);
    return TRUE;
  }
  return TRUE;
}

BOOLEAN T_N_PING_bHandleNiceMessageAboutSomethingInThePast(MBOX, GMSG_INFO* info, void*, void*) {
  const auto* s = (const GMSG_STATUS*)info->pStructMsg;
  if (s != nullptr) {
    log_me("T_N_PING_bHandleNiceMessageAboutSomethingInThePast: MsgStatus->u32MsgId = %u MsgStatus->u32MsgStatus = %u "
           "MsgStatus->u64Token = %lu",
           s->u32MsgId, s->u32MsgStatus, (unsigned long)s->u64Token);
  }
  return TRUE;
}

void T_N_PING_vSendTransducerChange(U32 transducer) {
  const sonarTransducerChangeType body{S_TRANSDUCER_u32GetBeamsForTransducer((U8)transducer), transducer};
  SHARE_LOCK lock;
  for (U32 s = 0; s < 4; ++s) {
    for (const sonarRegisteredClientNode* n = sonarSourcesArray[s]; n != nullptr;) {
      const U32 ip = n->u32ClientAddress;
      n = n->next;  // a disconnect may change the lists below
      const GMSG_ADDRESS a = Address(ip, SONAR_SHARE_PORT);
      const BOOLEAN ok = U_GMSG_bSendMsgNoWaitAsync(M_PING, &a, GMSG_ID_SONAR_TRANSDUCER_CHANGE,
                                                    &DT_SONAR_TRANSDUCER_CHANGE, &body, 0, SEND_TIMEOUT_MS);
      vCountSend(ip, ok, "T_N_PING_vSendTransducerChange");
    }
  }
}

// ------------------------------------------------------------ peer lost
BOOLEAN T_N_PING_bHandlePeerDisconnect(const void* p, BOOLEAN monitorTimeout) {
  const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
  GMSG_ADDRESS lost;
  if (g->Cmd == CMD_ID_SERVER_MONITOR_TIMEOUT) {
    lost = ((const MSG_SERVER_MONITOR_TIMEOUT*)p)->ServerAddress;
  } else {
    lost = ((const PEER_MESSAGE*)p)->Address;
  }
  const U32 ip = u32Ip(lost);
  SHARE_LOCK lock;
  log_me("T_N_PING_bHandlePeerDisconnect: %08X, states %u %u %u %u", ip, U_PING_eGetNetworkClientState(0),
         U_PING_eGetNetworkClientState(1), U_PING_eGetNetworkClientState(2), U_PING_eGetNetworkClientState(3));
  bool serverFound = false;
  if (u32Mask(FCID("ENPM")) != 0) {
    for (U32 s = 0; s < 4; ++s) {
      if ((u32Mask(FCID("ENPM")) & (1u << s)) == 0 || ip == 0 || u32Ip(s_aServerAddress[s]) != ip) continue;
      const NETWORK_CLIENT_STATE st = U_PING_eGetNetworkClientState(s);
      if (st != NETWORK_CLIENT_STATE_CONNECTED && st != NETWORK_CLIENT_STATE_REGISTER) continue;
      serverFound = true;
      log_me("send lost message to SLP for source %d", (int)s);
      vSendLost(s, s_aServerAddress[s], monitorTimeout ? CONNECTION_LOST_TIMEOUT : CONNECTION_LOST_DISCONNECT);
      T_N_PING_vUnregisterForNetworkData(ip, SONAR_SHARE_PORT, s);
      // The source's own stream: the imaging group for DI and SI.
      if (s <= SONAR_SOURCE_SI) vStreamRegistration(s, ip, FALSE);
      T_N_PING_vUpdateSonarSource(0xFFFFFFFFu, (U16)s);
      vWritePingMaskBit(FCID("ENPM"), s, false);
      vWriteTransducerKey(s, 0);
      static const char* const names[4] = {"2D", "DI", "SI", "360"};
      log_me("remote %s source gone and no local %s xducer or alternate remote", names[s], names[s]);
      if (s == SONAR_SOURCE_360) break;
    }
  }
  if (serverFound && monitorTimeout) {
    U_GMSG_bDisconnect(M_PING, &lost);
    return TRUE;
  }
  if (monitorTimeout) return TRUE;
  const U32 ecpm = u32Mask(FCID("ECPM"));
  for (U32 s = 0; s < 4; ++s) {
    if ((ecpm & (1u << s)) == 0 || !bInList(s, ip)) continue;
    log_me("T_N_PING_bHandlePeerDisconnect: Client %x connection lost! ", ip);
    for (U32 l : {2u, 1u, 0u}) {
      if (sonarSourcesArray[l] != nullptr) U_PING_vDeleteClientNode(&sonarSourcesArray[l], ip);
      T_N_PING_vHandleClients(l);
    }
    const GMSG_ADDRESS a = Address(ip, SONAR_SHARE_PORT);
    T_N_PING_bRegisterNetworkDestination(s, &a, FALSE, 0);
    U_ALARM_bRemovePeer(&a);
    break;
  }
  return TRUE;
}

// ------------------------------------------------------------ client
void T_N_PING_vSwitchToNetworkSonar(U16 s, U32 transducer, U32 mac) {
  if (s > 3) return;
  SHARE_LOCK lock;
  vWritePingMaskBit(FCID("ELPM"), s, false);
  U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_DISCONNECTED, s);
  T_N_PING_vUpdateSonarSource(mac & UNIT_MASK, s);
  T_NET_PING_RECEIVE_vUpdateSonarSource(mac & UNIT_MASK, s);
  vWriteTransducerKey(s, transducer);
}

void T_N_PING_vUnregisterForNetworkData(U32 ip, U32 port, U32 s) {
  if (s > 3) return;
  SHARE_LOCK lock;
  if (ip != 0) {
    const sonarRequestDataType body{0, 0, s};
    const GMSG_ADDRESS a = Address(ip, port);
    U_GMSG_bSendMsgNoWaitAsync(M_PING, &a, GMSG_ID_SONAR_REQUEST_DATA, &DT_SONAR_REQUEST_DATA, &body, 0,
                               SEND_TIMEOUT_MS);
  }
  if (ip != 0 && u32Ip(s_aServerAddress[s]) == ip) {
    U_ALARM_bRemovePeer(&s_aServerAddress[s]);
    const U32 h = U_PING_u32GetServerMonitorHandle(s);
    if (h != SERVER_MONITOR_NONE) U_SERVER_MONITOR_vSetActive(h, FALSE);
    memset(&s_aServerAddress[s], 0, sizeof s_aServerAddress[s]);
    U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_DISCONNECTED, s);
  }
}

BOOLEAN T_NET_PING_RECEIVE_vUnregisterForNetworkData(U32 ip, U32 port, U32 key) {
  U32 s = 4;
  for (U32 i = 0; i < 4; ++i)
    if (s_aSourceKey[i] == key) s = i;
  if (s > 3 || ip == 0) return FALSE;
  SHARE_LOCK lock;
  const sonarRequestDataType body{0, 0, s};
  const GMSG_ADDRESS a = Address(ip, port);
  if (!U_GMSG_bSendMsgNoWaitAsync(M_PING, &a, GMSG_ID_SONAR_REQUEST_DATA, &DT_SONAR_REQUEST_DATA, &body, 0,
                                  SEND_TIMEOUT_MS))
    return FALSE;
  if (u32Ip(s_aServerAddress[s]) == ip) {
    U_ALARM_bRemovePeer(&s_aServerAddress[s]);
    const U32 h = U_PING_u32GetServerMonitorHandle(s);
    if (h != SERVER_MONITOR_NONE) U_SERVER_MONITOR_vSetActive(h, FALSE);
    memset(&s_aServerAddress[s], 0, sizeof s_aServerAddress[s]);
    U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_DISCONNECTED, s);
  }
  return TRUE;
}

BOOLEAN T_NET_PING_RECEIVE_bHandleServerConnection(const NETWORK_REGISTER_4DATA_MESSAGE* m) {
  U32 s = 4;
  for (U32 i = 0; i < 4; ++i)
    if (s_aSourceKey[i] == m->userData) s = i;
  if (s > 3) return FALSE;
  BOOLEAN result = TRUE;
  {
    SHARE_LOCK lock;
    if (m->bRegister) {
      const U32 stored = u32Ip(s_aServerAddress[s]);
      if (stored != 0)
        T_NET_PING_RECEIVE_vUnregisterForNetworkData(stored, s_aServerAddress[s].uAddr.Socket.u32Port, m->userData);
      const sonarRequestDataType body{1, SONAR_PING_ARRAY_LIMIT, s};
      const GMSG_ADDRESS server = Address(m->ip, m->port);
      if (!U_GMSG_bSendMsgNoWaitAsync(M_PING, &server, GMSG_ID_SONAR_REQUEST_DATA, &DT_SONAR_REQUEST_DATA, &body, 0,
                                      SEND_TIMEOUT_MS)) {
        vSendLost(s, server, CONNECTION_LOST_REG_FAILED);
        log_me("T_NET_PING_RECEIVE_bRegisterForNetworkData: U_GMSG_bSendMsgNoReply failed! from %08X", m->ip);
        return FALSE;
      }
      s_aServerAddress[s] = server;
      U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_REGISTER, s);
      auto* ok = pNotice<NETWORK_SERVER_CONNECTION_SUCCESS_MESSAGE>(CMD_ID_NETWORK_SERVER_CONNECTION_SUCCESS_MESSAGE);
      ok->eServiceSel = s;
      ok->sServerAddress = server;
      ok->eConnectionReason = CONNECTION_SUCCESS_REG_SUCCESS;
      vPost(ok);
    } else if (!T_NET_PING_RECEIVE_vUnregisterForNetworkData(m->ip, m->port, m->userData)) {
      result = FALSE;
    }
    BOOLEAN networked = FALSE;
    const bool haveSfef = H_DATABASE_bFetchBoolean(FCID("SFEF"), &networked) && networked;
    BOOLEAN enabled = TRUE;
    H_DATABASE_bFetchBoolean(FCID("SSEN"), &enabled);
    const bool anyLocal = U_PING_eGetNetworkClientState(0) == NETWORK_CLIENT_STATE_LOCAL ||
                          U_PING_eGetNetworkClientState(1) == NETWORK_CLIENT_STATE_LOCAL;
    const BOOLEAN isen = U_PING_bGetPlayback() || !haveSfef || (bTransducerDetected() && enabled) || !anyLocal;
    H_DATABASE_bUpdateValueBoolean(FCID("ISEN"), isen, P_NORMAL);
  }
  if (s < 3) {
    U32 v = NO_UNIT;
    if (!bFetchValid(s_aSourceKey[s], &v)) v = NO_UNIT;
    T_N_PING_vUpdateSonarSource(v, (U16)s);
  }
  return result;
}

void T_N_PING_vSetConnected(U32 s) {
  if (s > 3) return;
  SHARE_LOCK lock;
  const GMSG_ADDRESS server = s_aServerAddress[s];
  if (u32Ip(server) == 0) return;
  vWriteTransducerKey(s, T_SLP_CLIENT_u32GetTransducerFromServerIP(u32Ip(server), server.uAddr.Socket.u32Port, s));
  const U32 h = U_PING_u32GetServerMonitorHandle(s);
  if (h != SERVER_MONITOR_NONE) {
    U_SERVER_MONITOR_vSetServerAddress(h, &server);
    U_SERVER_MONITOR_vSetActive(h, TRUE);
  }
  auto* m = pNotice<NETWORK_SERVER_CONNECT_MESSAGE>(CMD_ID_NETWORK_SERVER_CONNECT_MESSAGE);
  m->sServerAddress = server;
  m->eService = s;
  vPost(m);
  U_ALARM_bAddPeer(&server);
  U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_CONNECTED, s);
  vWritePingMaskBit(FCID("ENPM"), s, true);
  vWritePingMaskBit(FCID("ELPM"), s, false);
  log_me("sonar share: source %u connected to %08X", s, u32Ip(server));
}

BOOLEAN T_N_PING_bHandleDataRecieve(MBOX, GMSG_INFO* info, void*, void*) {
  const auto* body = (const PING_DESCRIPTOR*)info->pStructMsg;
  if (body == nullptr) return TRUE;
  const U32 s = T_N_PING_eGetNetSourceType(body->Beam, body->u8Transducer);
  SHARE_LOCK lock;
  if (U_PING_eGetNetworkClientState(s) == NETWORK_CLIENT_STATE_REGISTER) T_N_PING_vSetConnected(s);
  if (U_PING_eGetNetworkClientState(s) != NETWORK_CLIENT_STATE_CONNECTED) return TRUE;
  const U32 h = U_PING_u32GetServerMonitorHandle(s);
  if (h != SERVER_MONITOR_NONE) U_SERVER_MONITOR_vReceivedMessage(h);
  if (++s_u32MessagePingCounter >= 12) {
    s_u32MessagePingCounter = 0;
    for (const GMSG_ADDRESS& a : s_aServerAddress)
      if (u32Ip(a) != 0) vSendDepth(u32Ip(a));
  }
  if (U_PING_eGetSystemState() == STATE_PLAYBACK) return TRUE;
  if (body->Beam >= 5) {
    log_me("sonar share: ping of beam %u dropped", body->Beam);  // as on the stream: no such beam
    return TRUE;
  }
  PING_DESCRIPTOR* d = nullptr;
  if (L_QUEUE_Get(Q_PING, &d) != lsSUCCESS || d == nullptr) {
    log_me("T_N_PING_bHandleDataRecieve: Failed to get ping buffer!");
    return TRUE;
  }
  const U8* samples = body->pu8RawSonarData;
  const U32 n = std::min(body->u32NumberOfSamples, PING_MAX_SAMPLES);
  U8* raw = d->pu8RawSonarData;
  U8* tvgd = d->pu8TvgdData;
  const FISH_TARGET_LIST fish = d->SimulatedFishList;
  *d = *body;
  d->pu8RawSonarData = raw;
  d->pu8TvgdData = tvgd;
  d->SimulatedFishList = fish;
  d->u32NumberOfSamples = n;
  d->bIsLocal = FALSE;
  memcpy(raw, samples, n);
  auto* m = (PING_MESSAGE*)H_MEMORY_pvMalloc(sizeof(PING_MESSAGE));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_SONAR_PROCESS_PING;
  m->pReturnDescriptor = d;
  if (L_MBOX_Send(M_PROCESS, m, 3, 0) != lsSUCCESS) {
    H_MEMORY_vFree(m);
    U_PING_vReturnDescriptor(d);
  }
  return TRUE;
}

BOOLEAN T_N_PING_bHandleTransducerChange(MBOX, GMSG_INFO* info, void*, void*) {
  const auto* body = (const sonarTransducerChangeType*)info->pStructMsg;
  const U32 sender = u32SenderIp(info);
  if (body == nullptr) return TRUE;
  SHARE_LOCK lock;
  const U32 enpm = u32Mask(FCID("ENPM"));
  if (enpm == 0) return TRUE;
  const U32 transducer = body->u32TransducerId <= 18 ? body->u32TransducerId : 0;
  for (U32 s = 0; s < 3; ++s) {
    if ((enpm & (1u << s)) == 0 || u32Ip(s_aServerAddress[s]) != sender) continue;
    if (U_PING_eGetNetworkClientState(s) == NETWORK_CLIENT_STATE_REGISTER) T_N_PING_vSetConnected(s);
    vWriteTransducerKey(s, transducer);
  }
  return TRUE;
}

void T_N_PING_vResetShare(void) {
  SHARE_LOCK lock;
  for (auto& head : sonarSourcesArray) U_PING_vAllDeleteClientNodes(&head);
  if (s_pDestinations != nullptr) U_NETWORKDEST_pvFree(s_pDestinations);
  s_pDestinations = U_NETWORKDEST_pvNew();
  memset(s_abClientDataUsed, 0, sizeof s_abClientDataUsed);
  memset(s_aServerAddress, 0, sizeof s_aServerAddress);
  for (U32& m : s_au32SonarSourceMAC) m = UNIT_MASK;
  s_LostClient = FALSE;
  s_bForLocalSITransducer = FALSE;
  s_bClientDepths = false;
  s_u32MessagePingCounter = 11;
}
