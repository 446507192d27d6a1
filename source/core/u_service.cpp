// Service location for the unit's tasks.
#include "source/core/u_service.h"

#include <arpa/inet.h>
#include <stdlib.h>
#include <string.h>

#include "slp/slp_attr.h"
#include "source/core/t_gmsg.h"

namespace {

constexpr S32 SERVICE_ARRAY_GROWTH = 4;
// Far above any network's services; bounds what a flood of replies can take.
constexpr S32 SERVICE_MAX_FOUND = 1024;
constexpr size_t SERVICE_MAX_NAME = 255;
constexpr size_t SERVICE_TRACE_TEXT = 200;


// The unit's own address: the handle's when it was opened at one, else the
// unit's network address.
BOOLEAN s_bOwnAddress(SLPHandle h, U32* pu32Address) {
  unsigned int local = 0;
  if (SLPXLocalAddress(h, &local) == SLP_OK) {
    *pu32Address = local;
    return TRUE;
  }
  return GMSG_bUnitAddress(pu32Address);
}

const char* s_pcInstance(const char* pcInstance) {
  return (pcInstance && *pcInstance) ? pcInstance : SERVICE_NO_INSTANCE;
}

// The URL and the pair naming the address (port or queue) of a registration.
BOOLEAN s_bUrlAndPair(SLPHandle h, const char* pcService, const char* pcInstance, const GMSG_ADDRESS* pAddress,
                      std::string* pUrl, U32* pu32Address, std::string* pPairName, std::string* pPairValue) {
  if (!pAddress) return FALSE;
  U32 port = 0;
  if (pAddress->MsgAddressType == GMSG_ADDRESS_SOCKET) {
    *pu32Address = pAddress->uAddr.Socket.u32Address;
    port = pAddress->uAddr.Socket.u32Port & 0xFFFFu;
    *pPairName = "port";
    *pPairValue = std::to_string(port);
  } else if (pAddress->MsgAddressType == GMSG_ADDRESS_QUEUE) {
    const char* name = pAddress->uAddr.Queue.acName;
    if (strnlen(name, sizeof pAddress->uAddr.Queue.acName) == sizeof pAddress->uAddr.Queue.acName) return FALSE;
    if (!SERVICE_bSafeName(name, FALSE) || !s_bOwnAddress(h, pu32Address)) return FALSE;
    *pPairName = "queue";
    *pPairValue = name;
  } else {
    return FALSE;
  }
  return SERVICE_bBuildURL(pcService, pcInstance, *pu32Address, port, pUrl);
}

void s_vFreeEntry(SERVICE_ENTRY* e) {
  free(e->pcURL);
  free(e->pcService);
  free(e->pcInstance);
  memset(e, 0, sizeof *e);
}

void s_vRefused(const char* what, const char* text, const char* why) {
  log_me("SERVICE: refused %s \"%.*s\": %s", what, (int)SERVICE_TRACE_TEXT, text ? text : "", why);
}

}  // namespace

// ---------------------------------------------------------------- texts
BOOLEAN SERVICE_bSafeName(const char* pcText, BOOLEAN bService) {
  if (!pcText || !*pcText || strlen(pcText) > SERVICE_MAX_NAME) return FALSE;
  // Reserved in attribute lists and filters (RFC 2608 5), and the URL's
  // own separators; a service name also cannot hold the authority's dot.
  const char* reserved = bService ? "(),\\!<=>~*;/:.?#@&[]" : "(),\\!<=>~*;/:?#@&[]";
  for (const char* p = pcText; *p; p++) {
    const unsigned char c = (unsigned char)*p;
    if (c <= 0x20 || c >= 0x7F || strchr(reserved, c)) return FALSE;
  }
  return TRUE;
}

std::string SERVICE_sDotted(U32 u32Address) {
  char text[INET_ADDRSTRLEN];
  in_addr a;
  a.s_addr = u32Address;
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

BOOLEAN SERVICE_bBuildURL(const char* pcService, const char* pcInstance, U32 u32Address, U32 u32Port,
                          std::string* pOut) {
  const char* instance = s_pcInstance(pcInstance);
  if (!pOut || !SERVICE_bSafeName(pcService, TRUE) || !SERVICE_bSafeName(instance, FALSE)) return FALSE;
  *pOut = std::string("service:") + pcService + "." + SERVICE_NAMING_AUTHORITY + "://" + SERVICE_sDotted(u32Address) +
          ":" + std::to_string((int)(u32Port & 0xFFFFu)) + "/" + instance;
  return TRUE;
}

BOOLEAN SERVICE_bBuildAttributes(const char* pcService, const char* pcInstance, U32 u32Address,
                                 const char* pcPairName, const char* pcPairValue, const char* pcExtra,
                                 std::string* pOut) {
  const char* instance = s_pcInstance(pcInstance);
  if (!pOut || !pcPairName || !pcPairValue || !SERVICE_bSafeName(pcService, TRUE) ||
      !SERVICE_bSafeName(instance, FALSE))
    return FALSE;
  *pOut = std::string("(service=") + pcService + "),(instance=" + instance + "),(address=" +
          SERVICE_sDotted(u32Address) + "),(" + pcPairName + "=" + pcPairValue + ")," + (pcExtra ? pcExtra : "");
  return TRUE;
}

std::string SERVICE_sBuildFilter(const char* pcInstance, const U32* pu32Address, const char* pcAttributeFilter) {
  const bool instance = pcInstance && *pcInstance;
  const bool filter = pcAttributeFilter && *pcAttributeFilter;
  if (!instance && !pu32Address && !filter) return "";
  std::string out = "(&";
  if (instance) out += std::string("(instance=") + pcInstance + ")";
  if (pu32Address) out += "(address=" + SERVICE_sDotted(*pu32Address) + ")";
  if (filter) out += pcAttributeFilter;
  return out + ")";
}

BOOLEAN SERVICE_bSplitServiceType(const char* pcType, std::string* pOut) {
  if (!pcType || !pOut) return FALSE;
  const char* dot = strrchr(pcType, '.');
  if (!dot) return FALSE;
  pOut->assign(pcType, dot - pcType);
  return TRUE;
}

BOOLEAN SERVICE_bParseFoundURL(const char* pcURL, SERVICE_ENTRY* pEntry, BOOLEAN* pbQueue) {
  if (!pcURL || !pEntry || !pbQueue) return FALSE;
  SLPSrvURL* parsed = nullptr;
  if (SLPParseSrvURL(pcURL, &parsed) != SLP_OK || !parsed) {
    s_vRefused("URL", pcURL, "does not parse");
    return FALSE;
  }
  BOOLEAN ok = FALSE;
  do {
    // service:<name>.<authority>
    const char* type = parsed->s_pcSrvType;
    const char* colon = type ? strchr(type, ':') : nullptr;
    const char* dot = colon ? strchr(colon + 1, '.') : nullptr;
    if (!dot) {
      s_vRefused("URL", pcURL, "service type without name and authority");
      break;
    }
    std::string service(colon + 1, dot - colon - 1);
    if (!SERVICE_bSafeName(service.c_str(), TRUE)) {
      s_vRefused("URL", pcURL, "bad service name");
      break;
    }
    in_addr host;
    if (!parsed->s_pcHost || inet_pton(AF_INET, parsed->s_pcHost, &host) != 1) {
      s_vRefused("URL", pcURL, "host is not a dotted IPv4 address");
      break;
    }
    if (parsed->s_iPort < 0 || parsed->s_iPort > 0xFFFF) {
      s_vRefused("URL", pcURL, "port out of range");
      break;
    }
    const char* path = parsed->s_pcSrvPart ? parsed->s_pcSrvPart : "";
    if (*path == '/') path++;
    const bool none = *path == '\0' || strcasecmp(path, SERVICE_NO_INSTANCE) == 0;
    if (!none && !SERVICE_bSafeName(path, FALSE)) {
      s_vRefused("URL", pcURL, "bad instance");
      break;
    }
    free(pEntry->pcService);
    free(pEntry->pcInstance);
    pEntry->pcService = strdup(service.c_str());
    pEntry->pcInstance = none ? nullptr : strdup(path);
    GMSG_vMakeSocketAddress(&pEntry->MsgAddress, host.s_addr, (U32)parsed->s_iPort);
    *pbQueue = parsed->s_iPort == 0 ? TRUE : FALSE;
    ok = TRUE;
  } while (false);
  SLPFree(parsed);
  return ok;
}

// ---------------------------------------------------------------- handles
SLPHandle SERVICE_hOpenServiceHandle(void) {
  SLPHandle h = nullptr;
  return SLPOpen("en", SLP_FALSE, &h) == SLP_OK ? h : nullptr;
}

SLPHandle SERVICE_hOpenServiceHandleAt(U32 u32LocalAddress) {
  SLPHandle h = nullptr;
  return SLPXOpenAt("en", SERVICE_sDotted(u32LocalAddress).c_str(), &h) == SLP_OK ? h : nullptr;
}

void SERVICE_vCloseServiceHandle(SLPHandle hHandle) {
  if (hHandle) SLPClose(hHandle);
}

// ---------------------------------------------------------------- callbacks
void SERVICE_vRegCallback(SLPHandle, SLPError err, void* pvCookie) { *static_cast<SLPError*>(pvCookie) = err; }

SLPBoolean SERVICE_bSearchCallback(SLPHandle, const char* pcURL, unsigned short, SLPError err, void* pvCookie) {
  auto* info = static_cast<SERVICE_CALLBACK_INFO*>(pvCookie);
  if (err == SLP_LAST_CALL) return SLP_FALSE;
  if (err != SLP_OK) {
    info->err = err;
    return SLP_FALSE;
  }
  if (!pcURL) return SLP_TRUE;
  SERVICE_SEARCH_INFO* s = info->pSearchInfo;
  if (s->nCount == info->nAllocated) {
    if (info->nAllocated >= SERVICE_MAX_FOUND) {
      info->err = SLP_BUFFER_OVERFLOW;
      return SLP_FALSE;
    }
    const S32 grown = info->nAllocated + SERVICE_ARRAY_GROWTH;
    auto* array = static_cast<SERVICE_ENTRY*>(realloc(s->ServiceInfoArray, grown * sizeof(SERVICE_ENTRY)));
    if (!array) {
      info->err = SLP_MEMORY_ALLOC_FAILED;
      return SLP_FALSE;
    }
    s->ServiceInfoArray = array;
    info->nAllocated = grown;
  }
  SERVICE_ENTRY* e = &s->ServiceInfoArray[s->nCount];
  memset(e, 0, sizeof *e);
  e->pcURL = strdup(pcURL);
  if (!e->pcURL) {
    info->err = SLP_MEMORY_ALLOC_FAILED;
    return SLP_FALSE;
  }
  s->nCount++;
  return SLP_TRUE;
}

SLPBoolean SERVICE_bTypeCallback(SLPHandle, const char* pcTypes, SLPError err, void* pvCookie) {
  auto* info = static_cast<SERVICE_TYPE_CALLBACK_INFO*>(pvCookie);
  if (err == SLP_LAST_CALL) return SLP_FALSE;
  if (err != SLP_OK) {
    info->err = err;
    return SLP_FALSE;
  }
  if (pcTypes && !info->pcServiceTypes) info->pcServiceTypes = strdup(pcTypes);
  return SLP_TRUE;
}

// The cookie is a SERVICE_TYPE_CALLBACK_INFO holding the first list.
SLPBoolean SERVICE_bAttributeCallback(SLPHandle h, const char* pcAttributes, SLPError err, void* pvCookie) {
  return SERVICE_bTypeCallback(h, pcAttributes, err, pvCookie);
}

// ---------------------------------------------------------------- calls
BOOLEAN SERVICE_bRegister(SLPHandle hHandle, const char* pcService, const char* pcInstance,
                          const GMSG_ADDRESS* pAddress, const char* pcAttributes) {
  if (!hHandle) return FALSE;
  std::string url, pairName, pairValue, attributes;
  U32 address = 0;
  if (!s_bUrlAndPair(hHandle, pcService, pcInstance, pAddress, &url, &address, &pairName, &pairValue)) return FALSE;
  if (!SERVICE_bBuildAttributes(pcService, pcInstance, address, pairName.c_str(), pairValue.c_str(), pcAttributes,
                                &attributes))
    return FALSE;
  SLPError reported = SLP_INTERNAL_SYSTEM_ERROR;
  const SLPError err = SLPReg(hHandle, url.c_str(), SLP_LIFETIME_MAXIMUM, nullptr, attributes.c_str(), SLP_TRUE,
                              SERVICE_vRegCallback, &reported);
  return (err == SLP_OK && reported == SLP_OK) ? TRUE : FALSE;
}

BOOLEAN SERVICE_bUnregister(SLPHandle hHandle, const char* pcService, const char* pcInstance,
                            const GMSG_ADDRESS* pAddress) {
  if (!hHandle) return FALSE;
  std::string url, pairName, pairValue;
  U32 address = 0;
  if (!s_bUrlAndPair(hHandle, pcService, pcInstance, pAddress, &url, &address, &pairName, &pairValue)) return FALSE;
  SLPError reported = SLP_INTERNAL_SYSTEM_ERROR;
  const SLPError err = SLPDereg(hHandle, url.c_str(), SERVICE_vRegCallback, &reported);
  return (err == SLP_OK && reported == SLP_OK) ? TRUE : FALSE;
}

BOOLEAN SERVICE_bSearch(SLPHandle hHandle, SERVICE_SEARCH_INFO* pSearchInfo, const char* pcService,
                        const char* pcInstance, U32 u32Address, const char* pcAttributeFilter,
                        SERVICE_SEARCH_SCOPE eScope) {
  if (!hHandle || !pSearchInfo) return FALSE;
  memset(pSearchInfo, 0, sizeof *pSearchInfo);
  if (!SERVICE_bSafeName(pcService, TRUE)) return FALSE;
  if (pcInstance && *pcInstance && !SERVICE_bSafeName(pcInstance, FALSE)) return FALSE;
  const std::string type = std::string(pcService) + "." + SERVICE_NAMING_AUTHORITY;

  U32 address = 0;
  const U32* pAddress = nullptr;
  switch (eScope) {
    case SERVICE_SEARCH_LOCAL:
      if (!s_bOwnAddress(hHandle, &address)) return FALSE;
      pAddress = &address;
      break;
    case SERVICE_SEARCH_ADDRESS:
      address = u32Address;
      pAddress = &address;
      break;
    case SERVICE_SEARCH_GLOBAL:
      // A handle bound to one unit by an earlier search asks every unit again.
      if (SLPXDissociate(hHandle) != SLP_OK) return FALSE;
      break;
    default:
      return FALSE;
  }
  if (pAddress && SLPAssociateIP(hHandle, SERVICE_sDotted(address).c_str()) != SLP_OK) return FALSE;

  const std::string filter = SERVICE_sBuildFilter(pcInstance, pAddress, pcAttributeFilter);
  SERVICE_CALLBACK_INFO info = {pSearchInfo, SLP_OK, 0};
  const SLPError err = SLPFindSrvs(hHandle, type.c_str(), "", filter.c_str(), SERVICE_bSearchCallback, &info);
  if (err != SLP_OK || info.err != SLP_OK) {
    SERVICE_bFreeSearchInfo(pSearchInfo);
    return FALSE;
  }
  // An entry that does not read back is dropped (with its trace line): one
  // faulty unit on the network must not hide every other unit's service.
  S32 kept = 0;
  for (S32 i = 0; i < pSearchInfo->nCount; i++) {
    SERVICE_ENTRY* e = &pSearchInfo->ServiceInfoArray[i];
    BOOLEAN queue = FALSE;
    bool good = SERVICE_bParseFoundURL(e->pcURL, e, &queue);
    if (good && queue) {
      char* attributes = nullptr;
      char* name = nullptr;
      const BOOLEAN found = SERVICE_bGetAttributes(hHandle, e, "queue", &attributes) &&
                            SERVICE_bParseAttribute(attributes, "queue", &name);
      free(attributes);
      good = found && strlen(name) < sizeof e->MsgAddress.uAddr.Queue.acName && SERVICE_bSafeName(name, FALSE);
      if (!good) s_vRefused("queue service", e->pcURL, found ? "not a queue name" : "no queue attribute");
      if (good) {
        memset(&e->MsgAddress, 0, sizeof e->MsgAddress);
        e->MsgAddress.MsgAddressType = GMSG_ADDRESS_QUEUE;
        strcpy(e->MsgAddress.uAddr.Queue.acName, name);
      }
      free(name);
    }
    if (good) pSearchInfo->ServiceInfoArray[kept++] = *e;
    else s_vFreeEntry(e);
  }
  pSearchInfo->nCount = kept;
  return TRUE;
}

BOOLEAN SERVICE_bGetServiceTypeInfo(SLPHandle hHandle, SERVICE_TYPE_INFO* pTypeInfo) {
  if (!hHandle || !pTypeInfo) return FALSE;
  memset(pTypeInfo, 0, sizeof *pTypeInfo);
  SERVICE_TYPE_CALLBACK_INFO info = {nullptr, SLP_OK};
  const SLPError err = SLPFindSrvTypes(hHandle, SERVICE_NAMING_AUTHORITY, "", SERVICE_bTypeCallback, &info);
  if (err != SLP_OK || info.err != SLP_OK) {
    free(info.pcServiceTypes);
    return FALSE;
  }
  if (!info.pcServiceTypes) return TRUE;
  S32 allocated = 0;
  BOOLEAN ok = TRUE;
  char* save = nullptr;
  for (char* item = strtok_r(info.pcServiceTypes, ",", &save); item && ok; item = strtok_r(nullptr, ",", &save)) {
    std::string cut;
    if (!SERVICE_bSplitServiceType(item, &cut)) continue;
    if (pTypeInfo->nCount == allocated) {
      allocated += SERVICE_ARRAY_GROWTH;
      auto* array = static_cast<char**>(realloc(pTypeInfo->pcServiceTypes, allocated * sizeof(char*)));
      if (!array) {
        ok = FALSE;
        break;
      }
      pTypeInfo->pcServiceTypes = array;
    }
    pTypeInfo->pcServiceTypes[pTypeInfo->nCount] = strdup(cut.c_str());
    if (!pTypeInfo->pcServiceTypes[pTypeInfo->nCount]) ok = FALSE;
    else pTypeInfo->nCount++;
  }
  free(info.pcServiceTypes);
  if (!ok) SERVICE_bFreeServiceTypeInfo(pTypeInfo);
  return ok;
}

BOOLEAN SERVICE_bGetAttributes(SLPHandle hHandle, const SERVICE_ENTRY* pEntry, const char* pcAttributeNames,
                               char** ppcAttributes) {
  if (!hHandle || !pEntry || !pEntry->pcURL || !ppcAttributes) return FALSE;
  *ppcAttributes = nullptr;
  SERVICE_TYPE_CALLBACK_INFO info = {nullptr, SLP_OK};
  const SLPError err =
      SLPFindAttrs(hHandle, pEntry->pcURL, "", pcAttributeNames ? pcAttributeNames : "", SERVICE_bAttributeCallback,
                   &info);
  if (err != SLP_OK || info.err != SLP_OK || !info.pcServiceTypes) {
    free(info.pcServiceTypes);
    return FALSE;
  }
  if (!slp::ParseAttributes(info.pcServiceTypes)) {
    s_vRefused("attribute list", info.pcServiceTypes, "does not parse");
    free(info.pcServiceTypes);
    return FALSE;
  }
  *ppcAttributes = info.pcServiceTypes;
  return TRUE;
}

BOOLEAN SERVICE_bParseAttribute(const char* pcAttributes, const char* pcName, char** ppcValue) {
  if (!pcAttributes || !pcName || !ppcValue) return FALSE;
  *ppcValue = nullptr;
  char* value = nullptr;
  if (SLPParseAttrs(pcAttributes, pcName, &value) != SLP_OK || !value) return FALSE;
  *ppcValue = strdup(value);
  SLPFree(value);
  return *ppcValue ? TRUE : FALSE;
}

BOOLEAN SERVICE_bFreeSearchInfo(SERVICE_SEARCH_INFO* pSearchInfo) {
  if (!pSearchInfo) return FALSE;
  for (S32 i = 0; i < pSearchInfo->nCount; i++) s_vFreeEntry(&pSearchInfo->ServiceInfoArray[i]);
  free(pSearchInfo->ServiceInfoArray);
  pSearchInfo->ServiceInfoArray = nullptr;
  pSearchInfo->nCount = 0;
  return TRUE;
}

BOOLEAN SERVICE_bFreeServiceTypeInfo(SERVICE_TYPE_INFO* pTypeInfo) {
  if (!pTypeInfo) return FALSE;
  for (S32 i = 0; i < pTypeInfo->nCount; i++) free(pTypeInfo->pcServiceTypes[i]);
  free(pTypeInfo->pcServiceTypes);
  pTypeInfo->pcServiceTypes = nullptr;
  pTypeInfo->nCount = 0;
  return TRUE;
}

BOOLEAN SERVICE_bFreeAttribute(char* pcValue) {
  free(pcValue);
  return TRUE;
}
