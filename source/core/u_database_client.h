// Remote settings database: a client for the settings database of another
// unit, reached over the network message layer (message class 3), and a
// server for this unit's database that answers fetches and updates of
// 32-bit values by key name.
#pragma once

#include "common/g_datatype.h"
#include "source/core/t_gmsg.h"

constexpr U32 GMSG_ID_DATABASE_UNKNOWN = GMSG_u32Id(3, 0);
constexpr U32 GMSG_ID_DATABASE_FETCH = GMSG_u32Id(3, 1);
constexpr U32 GMSG_ID_DATABASE_REGISTER = GMSG_u32Id(3, 2);
constexpr U32 GMSG_ID_DATABASE_UNREGISTER = GMSG_u32Id(3, 3);
constexpr U32 GMSG_ID_DATABASE_UPDATE = GMSG_u32Id(3, 4);
constexpr U32 GMSG_ID_DATABASE_NEW_DATA = GMSG_u32Id(3, 5);

struct DATABASE_CLIENT {
  GMSG_ADDRESS DatabaseAddress;  // the serving unit
  MBOX Mailbox;                  // the client's message-layer registration
};

BOOLEAN DATABASE_bClientInitDatabase(DATABASE_CLIENT* pClient, const GMSG_ADDRESS* pServer, MBOX mbox);
// Requests (flag 1); each answers U_GMSG_bRequest's result. The server's
// answer, or a status 3 reply when the request expires, arrives later in the
// client's mailbox.
BOOLEAN DATABASE_bClientFetchData(const DATABASE_CLIENT* pClient, const char* pcDataId, U64 u64Token);
BOOLEAN DATABASE_bClientRegisterData(const DATABASE_CLIENT* pClient, const char* pcDataId, BOOLEAN bChanged,
                                     BOOLEAN bInvalid, BOOLEAN bUpdated, U64 u64Token);
BOOLEAN DATABASE_bClientUnregisterData(const DATABASE_CLIENT* pClient, const char* pcDataId, U64 u64Token);
// Serialises the value with its descriptor and sends it as an update.
BOOLEAN DATABASE_bClientUpdateData(const DATABASE_CLIENT* pClient, const char* pcDataId, const G_DATA_TYPE* pType,
                                   const void* pValue, U64 u64Token);

// The value of a received notice, decoded into a new structure (*ppValue);
// FALSE when the buffer is empty or does not decode.
BOOLEAN DATABASE_bGetNewData(const GMSG_DATABASE_NEW_DATA* pNewData, void** ppValue, const G_DATA_TYPE* pType);
// Releases a structure made by DATABASE_bGetNewData; FALSE when there is
// nothing to free or the release fails.
BOOLEAN DATABASE_bFreeNewData(const GMSG_DATABASE_NEW_DATA* pNewData, void* pValue, const G_DATA_TYPE* pType);

// Server handlers for a registration's table: a fetch is answered with a
// notice holding the key's value (DT_UNSIGNED32) and validity; an update
// writes the value at P_NORMAL and is answered with the key's value
// afterwards. A name that is not four characters, or a missing key, is
// answered with status 2.
BOOLEAN DATABASE_bServeFetch(MBOX mbox, GMSG_INFO* pInfo, void* pvParam1, void* pvParam2);
BOOLEAN DATABASE_bServeUpdate(MBOX mbox, GMSG_INFO* pInfo, void* pvParam1, void* pvParam2);
