// Service location for the unit's tasks: registering this unit's services
// under the naming authority "strelmon", searching for other units'
// services and turning what is found back into message addresses.
//
// A service "gpsStream" with instance "base" on socket 192.168.1.20:50560
// is registered as
//   service:gpsStream.strelmon://192.168.1.20:50560/base
// with the attributes
//   (service=gpsStream),(instance=base),(address=192.168.1.20),(port=50560),
// (a queue address is registered at the unit's own address with port 0 and
// the pair (queue=<name>) instead of the port). Names and instances holding
// characters that would change the meaning of a URL, attribute list or
// filter are refused; URLs and attribute lists found on the network that
// do not read back are refused with a trace line.
#pragma once

#include <string>

#include "common/g_msg.h"
#include "slp/slp.h"

inline constexpr const char* SERVICE_NAMING_AUTHORITY = "strelmon";
inline constexpr const char* SERVICE_NO_INSTANCE = "NULL";

struct SERVICE_ENTRY {
  char* pcURL;
  char* pcService;
  char* pcInstance;  // none when registered without one
  GMSG_ADDRESS MsgAddress;
};

struct SERVICE_SEARCH_INFO {
  S32 nCount;
  SERVICE_ENTRY* ServiceInfoArray;
};

struct SERVICE_TYPE_INFO {
  S32 nCount;
  char** pcServiceTypes;
};

enum SERVICE_SEARCH_SCOPE : S32 {
  SERVICE_SEARCH_LOCAL = 0,    // services of this unit
  SERVICE_SEARCH_ADDRESS = 1,  // services of the unit at the given address
  SERVICE_SEARCH_GLOBAL = 2,   // every unit's
};

struct SERVICE_CALLBACK_INFO {
  SERVICE_SEARCH_INFO* pSearchInfo;
  SLPError err;
  S32 nAllocated;
};

struct SERVICE_TYPE_CALLBACK_INFO {
  char* pcServiceTypes;
  SLPError err;
};

// ---------------------------------------------------------------- handles
SLPHandle SERVICE_hOpenServiceHandle(void);
// A handle whose agent listens on one local address (octets in network
// order), which is then this unit's own address: units sharing a machine.
SLPHandle SERVICE_hOpenServiceHandleAt(U32 u32LocalAddress);
void SERVICE_vCloseServiceHandle(SLPHandle hHandle);

// ---------------------------------------------------------------- calls
BOOLEAN SERVICE_bRegister(SLPHandle hHandle, const char* pcService, const char* pcInstance,
                          const GMSG_ADDRESS* pAddress, const char* pcAttributes);
BOOLEAN SERVICE_bUnregister(SLPHandle hHandle, const char* pcService, const char* pcInstance,
                            const GMSG_ADDRESS* pAddress);
// u32Address (octets in network order) is used with SERVICE_SEARCH_ADDRESS.
BOOLEAN SERVICE_bSearch(SLPHandle hHandle, SERVICE_SEARCH_INFO* pSearchInfo, const char* pcService,
                        const char* pcInstance, U32 u32Address, const char* pcAttributeFilter,
                        SERVICE_SEARCH_SCOPE eScope);
BOOLEAN SERVICE_bGetServiceTypeInfo(SLPHandle hHandle, SERVICE_TYPE_INFO* pTypeInfo);
BOOLEAN SERVICE_bGetAttributes(SLPHandle hHandle, const SERVICE_ENTRY* pEntry, const char* pcAttributeNames,
                               char** ppcAttributes);
BOOLEAN SERVICE_bParseAttribute(const char* pcAttributes, const char* pcName, char** ppcValue);
BOOLEAN SERVICE_bFreeSearchInfo(SERVICE_SEARCH_INFO* pSearchInfo);
BOOLEAN SERVICE_bFreeServiceTypeInfo(SERVICE_TYPE_INFO* pTypeInfo);
BOOLEAN SERVICE_bFreeAttribute(char* pcValue);

// ---------------------------------------------------------------- callbacks
void SERVICE_vRegCallback(SLPHandle hHandle, SLPError err, void* pvCookie);
SLPBoolean SERVICE_bSearchCallback(SLPHandle hHandle, const char* pcURL, unsigned short usLifetime, SLPError err,
                                   void* pvCookie);
SLPBoolean SERVICE_bTypeCallback(SLPHandle hHandle, const char* pcTypes, SLPError err, void* pvCookie);
SLPBoolean SERVICE_bAttributeCallback(SLPHandle hHandle, const char* pcAttributes, SLPError err, void* pvCookie);

// ---------------------------------------------------------------- texts
// TRUE when the text may stand as a service name (bService) or instance.
BOOLEAN SERVICE_bSafeName(const char* pcText, BOOLEAN bService);
std::string SERVICE_sDotted(U32 u32Address);
// "service:%s.%s://%s:%d/%s"; FALSE for an unsafe name or instance.
BOOLEAN SERVICE_bBuildURL(const char* pcService, const char* pcInstance, U32 u32Address, U32 u32Port,
                          std::string* pOut);
// "(service=%s),(instance=%s),(address=%s),(%s=%s),%s".
BOOLEAN SERVICE_bBuildAttributes(const char* pcService, const char* pcInstance, U32 u32Address,
                                 const char* pcPairName, const char* pcPairValue, const char* pcExtra,
                                 std::string* pOut);
// "(&(instance=..)(address=..)<filter>)", each part only when given; empty
// with none. pu32Address none for no address.
std::string SERVICE_sBuildFilter(const char* pcInstance, const U32* pu32Address, const char* pcAttributeFilter);
// A found service type cut at its last '.'; FALSE when it has none.
BOOLEAN SERVICE_bSplitServiceType(const char* pcType, std::string* pOut);
// Reads a found URL into the entry's service, instance and socket address
// (*pbQueue TRUE for port 0, whose address comes from the "queue"
// attribute). FALSE, with a trace line, for a URL that does not read back.
BOOLEAN SERVICE_bParseFoundURL(const char* pcURL, SERVICE_ENTRY* pEntry, BOOLEAN* pbQueue);
