// Service location for the unit: the C calls of the SLP programming
// interface (RFC 2614) over SLPv2 (RFC 2608), without a directory agent.
//
// Every process that opens a handle gets a service agent: a thread of this
// library with a UDP socket on the SLP port (427) and membership of the SLP
// multicast group (239.255.255.253). It keeps the services registered
// through the handles of this process and answers other units' requests for
// them. Searches go out to the group and converge over several rounds (the
// previous responders listed so they stay quiet), or go unicast to one
// agent after SLPAssociateIP. Registrations travel as SrvReg to the agent
// of the handle and are acknowledged; they outlive the handle and end with
// SLPDereg or when their lifetime runs out. The only scope is "DEFAULT".
//
// Port and group come from the environment (TESSIX_SLP_PORT,
// TESSIX_SLP_GROUP) or from SLPXConfigure; a group address that is not a
// multicast address is used as a broadcast address (the loopback broadcast
// 127.255.255.255 lets tests run without leaving the machine).
//
// Calls are synchronous only. One handle is used by one thread at a time; a
// call made on a handle that is already busy (from inside a callback) fails
// with SLP_HANDLE_IN_USE.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  SLP_LIFETIME_DEFAULT = 10800,
  SLP_LIFETIME_MAXIMUM = 65535,
} SLPURLLifetime;

typedef enum {
  SLP_LAST_CALL = 1,
  SLP_OK = 0,
  SLP_LANGUAGE_NOT_SUPPORTED = -1,
  SLP_PARSE_ERROR = -2,
  SLP_INVALID_REGISTRATION = -3,
  SLP_SCOPE_NOT_SUPPORTED = -4,
  SLP_AUTHENTICATION_ABSENT = -6,
  SLP_AUTHENTICATION_FAILED = -7,
  SLP_INVALID_UPDATE = -13,
  SLP_REFRESH_REJECTED = -15,
  SLP_NOT_IMPLEMENTED = -17,
  SLP_BUFFER_OVERFLOW = -18,
  SLP_NETWORK_TIMED_OUT = -19,
  SLP_NETWORK_INIT_FAILED = -20,
  SLP_MEMORY_ALLOC_FAILED = -21,
  SLP_PARAMETER_BAD = -22,
  SLP_NETWORK_ERROR = -23,
  SLP_INTERNAL_SYSTEM_ERROR = -24,
  SLP_HANDLE_IN_USE = -25,
  SLP_TYPE_ERROR = -26,
} SLPError;

typedef enum { SLP_FALSE = 0, SLP_TRUE = 1 } SLPBoolean;

// A parsed service URL, one allocation freed with SLPFree.
typedef struct srvurl {
  char* s_pcSrvType;    // "service:gpsStream.strelmon"
  char* s_pcHost;       // "192.168.1.20"
  int s_iPort;          // 50560, 0 when the URL gives none
  char* s_pcNetFamily;  // "" for IP
  char* s_pcSrvPart;    // "/base", "" when none
} SLPSrvURL;

typedef struct SLPHandleImpl* SLPHandle;

typedef void SLPRegReport(SLPHandle hSLP, SLPError errCode, void* pvCookie);
typedef SLPBoolean SLPSrvTypeCallback(SLPHandle hSLP, const char* pcSrvTypes, SLPError errCode, void* pvCookie);
typedef SLPBoolean SLPSrvURLCallback(SLPHandle hSLP, const char* pcSrvURL, unsigned short sLifetime, SLPError errCode,
                                     void* pvCookie);
typedef SLPBoolean SLPAttrCallback(SLPHandle hSLP, const char* pcAttrList, SLPError errCode, void* pvCookie);

// Opens a handle for the language tag (NULL or "" gives "en"); starts this
// process's agent on first use. Asynchronous handles: SLP_NOT_IMPLEMENTED.
SLPError SLPOpen(const char* pcLang, SLPBoolean isAsync, SLPHandle* phSLP);
void SLPClose(SLPHandle hSLP);

// Registers pcSrvURL with the attribute list for usLifetime seconds (not 0).
// pcSrvType may be NULL or "" (taken from the URL). fresh = SLP_FALSE adds
// to the attributes of an existing registration (SLP_INVALID_UPDATE when
// there is none). The callback gets the same code the call returns.
SLPError SLPReg(SLPHandle hSLP, const char* pcSrvURL, const unsigned short usLifetime, const char* pcSrvType,
                const char* pcAttrs, SLPBoolean fresh, SLPRegReport callback, void* pvCookie);
SLPError SLPDereg(SLPHandle hSLP, const char* pcSrvURL, SLPRegReport callback, void* pvCookie);

// Finds the services of a type whose attributes match the LDAPv3 filter
// (NULL or "": all). The callback receives each URL once with SLP_OK, then
// NULL with SLP_LAST_CALL; returning SLP_FALSE stops the calls. pcScopeList
// NULL or "" means "DEFAULT".
SLPError SLPFindSrvs(SLPHandle hSLP, const char* pcServiceType, const char* pcScopeList, const char* pcSearchFilter,
                     SLPSrvURLCallback callback, void* pvCookie);

// The service types registered under a naming authority ("*": all, "":
// the IANA types), delivered as one comma-separated list, then SLP_LAST_CALL.
SLPError SLPFindSrvTypes(SLPHandle hSLP, const char* pcNamingAuthority, const char* pcScopeList,
                         SLPSrvTypeCallback callback, void* pvCookie);

// The attributes (pcAttrIds: comma-separated tags, NULL or "" for all) of a
// service URL or of every service of a type; one list per responding agent,
// then SLP_LAST_CALL.
SLPError SLPFindAttrs(SLPHandle hSLP, const char* pcURLOrServiceType, const char* pcScopeList, const char* pcAttrIds,
                      SLPAttrCallback callback, void* pvCookie);

SLPError SLPParseSrvURL(const char* pcSrvURL, SLPSrvURL** ppSrvURL);

// The value of one attribute of a list, as written, in *ppcAttrVal
// (SLPFree). SLP_PARSE_ERROR when the list does not hold it.
SLPError SLPParseAttrs(const char* pcAttrList, const char* pcAttrId, char** ppcAttrVal);

// Sends this handle's later requests unicast to the agent at the dotted
// IPv4 address instead of to the group.
SLPError SLPAssociateIP(SLPHandle hSLP, const char* unicast_ip);

void SLPFree(void* pvMem);

// ---- settings of this library (not part of RFC 2614)

// Port, group (dotted IPv4, NULL keeps the current one) and the wait of one
// multicast round in milliseconds (0 keeps the current one) of the handles
// and agents opened from now on. Defaults: TESSIX_SLP_PORT or 427,
// TESSIX_SLP_GROUP or 239.255.255.253, 500 ms.
SLPError SLPXConfigure(unsigned short port, const char* group, unsigned int roundWaitMs);

// SLPOpen for the agent bound to one local IPv4 address (its unicast
// address; the agent of SLPOpen listens on every address). Several agents
// of one process on different addresses of the same port act as separate
// units (tests use 127.0.0.x).
SLPError SLPXOpenAt(const char* pcLang, const char* localIp, SLPHandle* phSLP);

// Sends this handle's later requests to the group again (undoes
// SLPAssociateIP).
SLPError SLPXDissociate(SLPHandle hSLP);

// The local IPv4 address the handle was opened at (SLPXOpenAt), as an
// address word with the octets in network order; SLP_PARAMETER_BAD for a
// handle of SLPOpen, which has none of its own.
SLPError SLPXLocalAddress(SLPHandle hSLP, unsigned int* pu32Address);

// Stops every agent of the process and forgets their registrations (tests).
void SLPXShutdown(void);

#ifdef __cplusplus
}
#endif
