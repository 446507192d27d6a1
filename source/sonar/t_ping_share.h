// Sonar sharing in the ping task: the server side (clients register per
// source, receive the ping streams and share the controls both ways) and
// the client side (a source taken from another unit: registration, the
// server's answers, depth requests, a lost server), and the network ping
// receive task that turns the server's stream into descriptors.
//
// Mutex 100 (RES_SONAR_SHARE) guards the client lists, the destinations,
// the server addresses and the client states; every entry point that
// touches them takes it (it nests).
#pragma once

#include "common/g_msg.h"
#include "common/net_types.h"
#include "common/types.h"
#include "source/core/t_gmsg.h"
#include "source/sonar/s_share.h"
#include "source/sonar/t_ping.h"
#include "source/sonar/u_ping.h"

// ------------------------------------------------------------ shared state (U_PING_)
struct sonarRegisteredClientNode {
  U32 u32ClientAddress;
  sonarRegisteredClientNode* next;
};
void U_PING_vAddClientNode(sonarRegisteredClientNode** ppHead, U32 u32Address);
void U_PING_vDeleteClientNode(sonarRegisteredClientNode** ppHead, U32 u32Address);
void U_PING_vAllDeleteClientNodes(sonarRegisteredClientNode** ppHead);

constexpr U32 SERVER_MONITOR_NONE = 0xFFFFFFFFu;  // SI and 360 have no monitor
U32 U_PING_u32GetServerMonitorHandle(U32 u32Index);
void U_PING_vSetServerMonitorHandle(U32 u32Handle, U32 u32Index);
void U_PING_vSetServerAddress(GMSG_ADDRESS Address, U32 u32Index);
void U_PING_vGetServerAddress(GMSG_ADDRESS* pAddress, U32 u32Index);
void U_PING_vInitServerAddress(void);

// ------------------------------------------------------------ ping task hooks
// Once, on the first loop pass with the unit's address ready: class 0x18,
// destinations, server monitors, the unit's stream groups.
void T_N_PING_SetupNetworkInterface(void);
BOOLEAN T_N_PING_bNetworkRegistered(void);
// Registers mailbox 8 for both keys of every shared control.
void T_N_PING_vRegisterFcidsOfInterest(void);
// The sharing commands of mailbox 8; TRUE when the message was one of them
// (the caller disposes of it).
BOOLEAN T_N_PING_bHandleShareMail(void* pMessage);
// Shutdown: leave every server and forget every client.
void T_N_PING_vShareShutdown(void);
// Some client takes this unit's pings.
BOOLEAN T_N_PING_bAnyDestination(void);
// The router's copy to the clients of a source (live pings only). May lower
// the descriptor's sample count to what the clients take.
void T_N_PING_vSendToNetworkDestinations(NET_SOURCE_TYPE eSource, NETWORK_SONAR_PROCESS_TYPE eProcess,
                                         PING_DESCRIPTOR* pPing);
// The depths the 2D clients ask for (metres, at least 10); FALSE before any.
BOOLEAN T_N_PING_bGetClientDepths(F32* pfListen, F32* pfPing);

// ------------------------------------------------------------ server
BOOLEAN T_N_PING_bHandleNewDataRequest(MBOX mbox, GMSG_INFO* pInfo, void*, void*);
BOOLEAN T_N_PING_bRegisterNetworkDestination(U32 u32List, const GMSG_ADDRESS* pAddress, BOOLEAN bRegister,
                                             U32 u32UserData);
BOOLEAN T_N_PING_bSynchronizeNewClientControls(const GMSG_ADDRESS* pAddress, U32 u32Source);
BOOLEAN T_N_PING_bControlChangeSend(FOURCHARID fcid, U32 u32Value, U32 u32Advise, const GMSG_ADDRESS* pOrigin);
BOOLEAN T_N_PING_bHandleControlChangeRecieve(MBOX mbox, GMSG_INFO* pInfo, void*, void*);
BOOLEAN T_N_PING_bHandleReceivePingDepth(MBOX mbox, GMSG_INFO* pInfo, void*, void*);
BOOLEAN T_N_PING_bHandleNiceMessageAboutSomethingInThePast(MBOX mbox, GMSG_INFO* pInfo, void*, void*);
BOOLEAN T_N_PING_bHandlePeerDisconnect(const void* pMessage, BOOLEAN bCauseServerMonitorTimeout);
void T_N_PING_vHandleClients(U32 u32Source);
BOOLEAN T_N_PING_bCheckActiveClientList(U32 u32Source);
BOOLEAN T_N_PING_bActiveClients(void);
void T_N_PING_vReset2DAdvClients(void);
void T_N_PING_vSetClientLost(BOOLEAN bFlag);
BOOLEAN T_N_PING_bSyncLocalSideScanRange(void);
void T_N_PING_vResetLocalSideScanRangeCondVar(void);
// Tells every client the transducer now selected.
void T_N_PING_vSendTransducerChange(U32 u32Transducer);
// Clients of a list (tests and traces).
U32 T_N_PING_u32ClientCount(U32 u32Source);

// ------------------------------------------------------------ client
// The chosen unit of a source is applied by T_N_PING_vUpdateSonarSource
// (t_ping.h; -1 for none).
void T_N_PING_vSwitchToNetworkSonar(U16 u16LocalIndex, U32 u32Transducer, U32 u32Mac);
BOOLEAN T_NET_PING_RECEIVE_bHandleServerConnection(const NETWORK_REGISTER_4DATA_MESSAGE* pMessage);
void T_N_PING_vUnregisterForNetworkData(U32 u32Ip, U32 u32Port, U32 u32Source);
BOOLEAN T_NET_PING_RECEIVE_vUnregisterForNetworkData(U32 u32Ip, U32 u32Port, U32 u32SourceKey);
void T_N_PING_vSetConnected(U32 u32Source);
BOOLEAN T_N_PING_bHandleDataRecieve(MBOX mbox, GMSG_INFO* pInfo, void*, void*);
BOOLEAN T_N_PING_bHandleTransducerChange(MBOX mbox, GMSG_INFO* pInfo, void*, void*);

// The network ping receive task (mailbox 69).
void T_NET_PING_RECEIVE_vTask(void);
U32 T_NET_PING_RECEIVE_u32LastUpdateTick(U8 u8Source);
// One stream buffer of the segmented UDP receiver (the task's work on one
// MSG_SUDP_IN_RECEIVE; the body is freed).
void T_NET_PING_RECEIVE_vHandleStream(U8* pu8Body, U32 u32Length, const char* pcGroup);

// Back to the start (tests).
void T_N_PING_vResetShare(void);
