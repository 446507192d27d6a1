#include "source/core/u_database_client.h"

#include <cstring>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"

namespace {


BOOLEAN Request(const DATABASE_CLIENT* pClient, U32 id, const G_DATA_TYPE* pType, const void* pBody, U64 token) {
  if (pClient == nullptr) return FALSE;
  return U_GMSG_bRequest(pClient->Mailbox, &pClient->DatabaseAddress, id, pType, pBody, token);
}

// A data name as the message bodies carry it: a copy on a 4-byte boundary,
// where the serialiser expects text.
constexpr size_t NAME_ROOM = 64;
struct Name {
  alignas(8) char ac[NAME_ROOM];
  bool ok;
  explicit Name(const char* name) : ac{}, ok(name != nullptr && strlen(name) < NAME_ROOM) {
    if (ok) memcpy(ac, name, strlen(name) + 1);
  }
};

bool KeyOf(const char* name, FOURCHARID* key) {
  if (name == nullptr || strlen(name) != 4) return false;
  *key = MAKE_FOURCHARID(name[0], name[1], name[2], name[3]);
  return true;
}

// Answers with the key's value as a notice; status 2 when it has none.
BOOLEAN AnswerWithValue(MBOX mbox, GMSG_INFO* pInfo, const char* name) {
  FOURCHARID key = 0;
  U32 value = 0;
  BOOLEAN valid = FALSE;
  if (!KeyOf(name, &key) || !H_DATABASE_bFetchU32(key, &value, &valid)) {
    if (!U_GMSG_bReplyWithStatus(mbox, pInfo, GMSG_STATUS_NOT_HANDLED)) log_me("remote database: reply not sent");
    return TRUE;  // answered here: the message layer must not answer again
  }
  alignas(4) U8 bytes[4] = {(U8)value, (U8)(value >> 8), (U8)(value >> 16), (U8)(value >> 24)};
  Name copy(name);
  GMSG_DATABASE_NEW_DATA answer{copy.ac, valid ? 1u : 0u, C_BUFFER{4, bytes}};
  if (!U_GMSG_bReply(mbox, pInfo, GMSG_ID_DATABASE_NEW_DATA, &D_GMSG_DATABASE_NEW_DATA, &answer)) {
    log_me("remote database: reply not sent");
  }
  return TRUE;
}

}  // namespace

BOOLEAN DATABASE_bClientInitDatabase(DATABASE_CLIENT* pClient, const GMSG_ADDRESS* pServer, MBOX mbox) {
  if (pClient == nullptr || pServer == nullptr) return FALSE;
  pClient->DatabaseAddress = *pServer;
  pClient->Mailbox = mbox;
  return TRUE;
}

BOOLEAN DATABASE_bClientFetchData(const DATABASE_CLIENT* pClient, const char* pcDataId, U64 u64Token) {
  Name name(pcDataId);
  if (!name.ok) return FALSE;
  GMSG_DATABASE_FETCH body{name.ac};
  return Request(pClient, GMSG_ID_DATABASE_FETCH, &D_GMSG_DATABASE_FETCH, &body, u64Token);
}

BOOLEAN DATABASE_bClientRegisterData(const DATABASE_CLIENT* pClient, const char* pcDataId, BOOLEAN bChanged,
                                     BOOLEAN bInvalid, BOOLEAN bUpdated, U64 u64Token) {
  const U32 flags = (bChanged ? 1u : 0u) | (bInvalid ? 2u : 0u) | (bUpdated ? 4u : 0u);
  Name name(pcDataId);
  if (!name.ok) return FALSE;
  GMSG_DATABASE_REGISTER body{name.ac, flags};
  return Request(pClient, GMSG_ID_DATABASE_REGISTER, &D_GMSG_DATABASE_REGISTER, &body, u64Token);
}

BOOLEAN DATABASE_bClientUnregisterData(const DATABASE_CLIENT* pClient, const char* pcDataId, U64 u64Token) {
  Name name(pcDataId);
  if (!name.ok) return FALSE;
  GMSG_DATABASE_UNREGISTER body{name.ac};
  return Request(pClient, GMSG_ID_DATABASE_UNREGISTER, &D_GMSG_DATABASE_UNREGISTER, &body, u64Token);
}

BOOLEAN DATABASE_bClientUpdateData(const DATABASE_CLIENT* pClient, const char* pcDataId, const G_DATA_TYPE* pType,
                                   const void* pValue, U64 u64Token) {
  const char* name = pcDataId ? pcDataId : "";
  Name copy(pcDataId);
  if (!copy.ok) {
    log_me("DATABASE_bClientUpdateData: Error Processing Request for %s", name);
    return FALSE;
  }
  U8* buffer = nullptr;
  S32 room = 0, count = 0;
  const S32 n = (pType && pType->pfSerialize) ? pType->pfSerialize(pValue, &buffer, &room, &count, pType) : -4;
  if (n < 0) {
    log_me("DATABASE_bClientUpdateData: Error Serializing Data for %s", name);
    return FALSE;
  }
  GMSG_DATABASE_UPDATE body{copy.ac, C_BUFFER{n, buffer}};
  const BOOLEAN sent = Request(pClient, GMSG_ID_DATABASE_UPDATE, &D_GMSG_DATABASE_UPDATE, &body, u64Token);
  H_MEMORY_vFree(buffer);
  if (!sent) log_me("DATABASE_bClientUpdateData: Error Processing Request for %s", name);
  return sent;
}

BOOLEAN DATABASE_bGetNewData(const GMSG_DATABASE_NEW_DATA* pNewData, void** ppValue, const G_DATA_TYPE* pType) {
  if (pNewData == nullptr || ppValue == nullptr || pType == nullptr) return FALSE;
  if (pNewData->Buffer.nSize <= 0 || pNewData->Buffer.pData == nullptr) return FALSE;
  *ppValue = nullptr;
  S32 room = pNewData->Buffer.nSize, count = 0;
  if (pType->pfDeserialize(ppValue, pNewData->Buffer.pData, &room, &count, pType) < 0) {
    log_me("DATABASE_bGetNewData: Deserialization failed");
    *ppValue = nullptr;
    return FALSE;
  }
  return TRUE;
}

BOOLEAN DATABASE_bFreeNewData(const GMSG_DATABASE_NEW_DATA*, void* pValue, const G_DATA_TYPE* pType) {
  if (pValue == nullptr || pType == nullptr) return FALSE;
  if (pType->pfDeallocate(pValue, TRUE, pType) < 0) {
    log_me("DATABASE_bFreeNewData: Deallocation failed");
    return FALSE;
  }
  return TRUE;
}

BOOLEAN DATABASE_bServeFetch(MBOX mbox, GMSG_INFO* pInfo, void*, void*) {
  const auto* body = static_cast<const GMSG_DATABASE_FETCH*>(pInfo->pStructMsg);
  return AnswerWithValue(mbox, pInfo, body ? body->pDataId : nullptr);
}

BOOLEAN DATABASE_bServeUpdate(MBOX mbox, GMSG_INFO* pInfo, void*, void*) {
  const auto* body = static_cast<const GMSG_DATABASE_UPDATE*>(pInfo->pStructMsg);
  FOURCHARID key = 0;
  if (body == nullptr || !KeyOf(body->pDataId, &key) || body->Buffer.nSize != 4 || body->Buffer.pData == nullptr) {
    if (!U_GMSG_bReplyWithStatus(mbox, pInfo, GMSG_STATUS_NOT_HANDLED)) log_me("remote database: reply not sent");
    return TRUE;
  }
  const U8* b = body->Buffer.pData;
  H_DATABASE_bUpdateValueU32(key, (U32)b[0] | ((U32)b[1] << 8) | ((U32)b[2] << 16) | ((U32)b[3] << 24), P_NORMAL);
  return AnswerWithValue(mbox, pInfo, body->pDataId);
}
