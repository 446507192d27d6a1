// Messages between the unit network's tasks and the tasks that use it:
// stream registrations and deliveries of the segmented UDP receiver, data
// registrations from the service-discovery task, and the connection notices
// sent back to it. Local messages: pointers keep this machine's width.
#pragma once

#include "common/g_msg.h"
#include "lsvc/lsvc.h"

constexpr U32 SUDP_GROUP_TEXT = 16;

// To the receiver (mailbox M_SUDPIN), CMD_ID_SUDP_IN_REGISTER.
struct MSG_SUDP_IN_REGISTER {
  GENERIC_MESSAGE Header;
  U32 doRegister;
  U32 port;
  U32 mailBox;
  U32 isRaw;
  U32 isMultiPacket;
  char mcastAddress[SUDP_GROUP_TEXT];  // dotted text; "0..." for no group
};

// From the receiver to the registered mailbox, CMD_ID_SUDP_IN_RECEIVE: the
// body belongs to the receiving task (H_MEMORY_vFree).
struct MSG_SUDP_IN_RECEIVE {
  GENERIC_MESSAGE Header;
  U8* cpMessageBody;
  U32 u32MessageLength;
  U32 u32Port;
  char mcastAddress[SUDP_GROUP_TEXT];
};

// From the service-discovery task, CMD_ID_NETWORK_REGISTER_4DATA.
struct NETWORK_REGISTER_4DATA_MESSAGE {
  GENERIC_MESSAGE Header;
  BOOLEAN bRegister;
  U32 ip;  // octets in network order
  U32 port;
  U32 userData;  // the source key (SN2D, SNDI, SNSI, S360 for the sonar)
  U32 userDataLocal;
};

enum SERVICE_SEL : U32 {
  SERVICE_SEL_SONAR_2D = 0,
  SERVICE_SEL_SONAR_DI = 1,
  SERVICE_SEL_SONAR_SI = 2,
  SERVICE_SEL_SONAR_360 = 3,
};
enum CONNECTION_SUCCESS_REASON : U32 { CONNECTION_SUCCESS_REG_SUCCESS = 1 };
enum CONNECTION_LOST_REASON : U32 {
  CONNECTION_LOST_REG_FAILED = 2,
  CONNECTION_LOST_TIMEOUT = 3,
  CONNECTION_LOST_DISCONNECT = 4,
};
enum DIA_SOURCE_LOST : U32 {
  DIA_SONAR_2D_SOURCE_LOST = 10,
  DIA_SONAR_DI_SOURCE_LOST = 11,
  DIA_SONAR_SI_SOURCE_LOST = 12,
  DIA_SONAR_360_SOURCE_LOST = 13,
};

// To the service-discovery task (mailbox M_SLPCLIENT).
struct NETWORK_SERVER_CONNECT_MESSAGE {
  GENERIC_MESSAGE Header;  // CMD_ID_NETWORK_SERVER_CONNECT_MESSAGE
  GMSG_ADDRESS sServerAddress;
  U32 eService;
};
struct NETWORK_SERVER_CONNECTION_SUCCESS_MESSAGE {
  GENERIC_MESSAGE Header;  // CMD_ID_NETWORK_SERVER_CONNECTION_SUCCESS_MESSAGE
  U32 eServiceSel;
  GMSG_ADDRESS sServerAddress;
  U32 eConnectionReason;
};
struct NETWORK_SERVER_CONNECTION_LOST_MESSAGE {
  GENERIC_MESSAGE Header;  // CMD_ID_NETWORK_SERVER_CONNECTION_LOST_MESSAGE
  U32 u32SourceEnum;
  GMSG_ADDRESS sServerAddress;
  U32 eConnectionLostReason;
};
