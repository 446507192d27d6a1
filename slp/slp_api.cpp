// The calls of the programming interface: handles, registration through the
// agent, and the requests of the user agent (multicast convergence or
// unicast to an associated agent).
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>

#include "slp/slp.h"
#include "slp/slp_agent.h"
#include "slp/slp_attr.h"
#include "slp/slp_wire.h"
#include "source/platform/platform.h"

struct SLPHandleImpl {
  std::string lang;
  in_addr local{};
  slp::Config config;
  bool associated = false;
  in_addr peer{};
  uint16_t xid = 0;
  std::atomic<bool> busy{false};
};

namespace slp {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxRounds = 5;
constexpr int kUnicastTries = 3;

// Marks a handle busy for the length of one call.
class Busy {
 public:
  explicit Busy(SLPHandle h) : h_(h) { ok_ = h && !h->busy.exchange(true); }
  ~Busy() {
    if (ok_) h_->busy.store(false);
  }
  bool ok() const { return ok_; }

 private:
  SLPHandle h_;
  bool ok_;
};

class Socket {
 public:
  Socket() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

sockaddr_in Address(in_addr a, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr = a;
  sa.sin_port = htons(port);
  return sa;
}

// The reply handler returns false to end the exchange.
using OnReply = std::function<bool(in_addr from, const Message& reply)>;

// Waits until the deadline for replies to `xid` of the expected function;
// each one from an address not yet in `heard` goes to the handler. Returns
// false when the handler asked to stop.
bool Collect(int fd, uint16_t xid, uint8_t function, Clock::time_point deadline, std::set<uint32_t>& heard,
             const OnReply& onReply, bool* gotNew) {
  uint8_t buf[65536];
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return true;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, (int)left) <= 0) continue;
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t got = recvfrom(fd, buf, sizeof buf, MSG_DONTWAIT | MSG_TRUNC, (sockaddr*)&from, &len);
    if (got < 0) continue;
    Message reply;
    std::string why;
    if (got > (ssize_t)sizeof buf || !Decode(buf, (size_t)got, reply, &why)) {
      PLATFORM_vTrace("SLP: dropped %zd bytes from %s:%u: %s", got, Dotted(from.sin_addr).c_str(),
                      ntohs(from.sin_port), got > (ssize_t)sizeof buf ? "too long" : why.c_str());
      continue;
    }
    if (reply.xid != xid || reply.function != function) continue;
    if (!heard.insert(from.sin_addr.s_addr).second) continue;
    if (gotNew) *gotNew = true;
    if (!onReply(from.sin_addr, reply)) return false;
  }
}

// Sends the request and hands the replies to onReply: unicast to `to`
// (retried; SLP_NETWORK_TIMED_OUT without an answer) or, without `to`, to
// the group in rounds that list the previous responders until a round
// brings nobody new.
SLPError Exchange(SLPHandle h, Message req, uint8_t replyFunction, const in_addr* to, const OnReply& onReply) {
  Socket sock;
  if (sock.fd() < 0) return SLP_NETWORK_INIT_FAILED;
  sockaddr_in self = Address(h->local, 0);
  if (bind(sock.fd(), (sockaddr*)&self, sizeof self) != 0) return SLP_NETWORK_INIT_FAILED;
  req.xid = ++h->xid;
  req.lang = h->lang;
  std::set<uint32_t> heard;
  const unsigned wait = h->config.roundWaitMs;

  if (to) {
    const sockaddr_in dest = Address(*to, h->config.port);
    std::vector<uint8_t> bytes = Encode(req);
    if (bytes.empty() || bytes.size() > kMaxDatagram) return SLP_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < kUnicastTries; ++attempt) {
      if (sendto(sock.fd(), bytes.data(), bytes.size(), 0, (const sockaddr*)&dest, sizeof dest) < 0)
        return SLP_NETWORK_ERROR;
      bool answered = false;
      Collect(sock.fd(), req.xid, replyFunction, Clock::now() + std::chrono::milliseconds(wait), heard,
              [&](in_addr from, const Message& m) {
                if (from.s_addr != to->s_addr) return true;  // only the agent asked
                answered = true;
                onReply(from, m);
                return false;
              },
              nullptr);
      if (answered) return SLP_OK;
      heard.clear();
    }
    return SLP_NETWORK_TIMED_OUT;
  }

  const int one = 1, ttl = 255;
  const in_addr group = h->config.group;
  if (IN_MULTICAST(ntohl(group.s_addr))) {
    if (h->local.s_addr != htonl(INADDR_ANY))
      setsockopt(sock.fd(), IPPROTO_IP, IP_MULTICAST_IF, &h->local, sizeof h->local);
    setsockopt(sock.fd(), IPPROTO_IP, IP_MULTICAST_LOOP, &one, sizeof one);
    setsockopt(sock.fd(), IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
  } else {
    setsockopt(sock.fd(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  }
  const sockaddr_in dest = Address(group, h->config.port);
  req.flags |= kFlagMcast;
  for (int round = 0; round < kMaxRounds; ++round) {
    req.prList.clear();
    for (uint32_t a : heard) req.prList += (req.prList.empty() ? "" : ",") + Dotted(in_addr{a});
    std::vector<uint8_t> bytes = Encode(req);
    if (bytes.empty()) return SLP_BUFFER_OVERFLOW;
    if (bytes.size() > kMaxDatagram) break;  // the responder list no longer fits
    if (sendto(sock.fd(), bytes.data(), bytes.size(), 0, (const sockaddr*)&dest, sizeof dest) < 0)
      return SLP_NETWORK_ERROR;
    bool gotNew = false;
    if (!Collect(sock.fd(), req.xid, replyFunction, Clock::now() + std::chrono::milliseconds(wait), heard, onReply,
                 &gotNew))
      return SLP_OK;
    if (round > 0 && !gotNew) break;
  }
  return SLP_OK;
}

std::string Scopes(const char* list) { return list && *list ? list : "DEFAULT"; }

char* Duplicate(const std::string& s) {
  char* p = (char*)malloc(s.size() + 1);
  if (p) memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

SLPError Open(const char* lang, in_addr local, SLPHandle* out) {
  if (!out) return SLP_PARAMETER_BAD;
  *out = nullptr;
  Config c = CurrentConfig();
  SLPError err = EnsureAgent(local, c);
  if (err != SLP_OK) return err;
  SLPHandle h = new SLPHandleImpl;
  h->lang = lang && *lang ? lang : "en";
  h->local = local;
  h->config = c;
  h->xid = (uint16_t)std::random_device{}();
  *out = h;
  return SLP_OK;
}

// Sends a registration or deregistration to the handle's own agent.
SLPError Register(SLPHandle h, const Message& m) {
  in_addr agent = h->local;
  if (agent.s_addr == htonl(INADDR_ANY)) agent.s_addr = htonl(INADDR_LOOPBACK);
  uint16_t error = 0;
  SLPError err = Exchange(h, m, kSrvAck, &agent, [&](in_addr, const Message& ack) {
    error = ack.error;
    return false;
  });
  if (err != SLP_OK) return err;
  return (SLPError)-(int)error;
}

}  // namespace
}  // namespace slp

using namespace slp;

extern "C" {

SLPError SLPOpen(const char* pcLang, SLPBoolean isAsync, SLPHandle* phSLP) {
  if (isAsync) return SLP_NOT_IMPLEMENTED;
  return Open(pcLang, in_addr{htonl(INADDR_ANY)}, phSLP);
}

SLPError SLPXOpenAt(const char* pcLang, const char* localIp, SLPHandle* phSLP) {
  in_addr local;
  if (!localIp || inet_pton(AF_INET, localIp, &local) != 1) return SLP_PARAMETER_BAD;
  return Open(pcLang, local, phSLP);
}

void SLPClose(SLPHandle hSLP) { delete hSLP; }

SLPError SLPAssociateIP(SLPHandle hSLP, const char* unicast_ip) {
  Busy busy(hSLP);
  if (!busy.ok()) return hSLP ? SLP_HANDLE_IN_USE : SLP_PARAMETER_BAD;
  in_addr a;
  if (!unicast_ip || inet_pton(AF_INET, unicast_ip, &a) != 1) return SLP_PARAMETER_BAD;
  hSLP->associated = true;
  hSLP->peer = a;
  return SLP_OK;
}

SLPError SLPXDissociate(SLPHandle hSLP) {
  Busy busy(hSLP);
  if (!busy.ok()) return hSLP ? SLP_HANDLE_IN_USE : SLP_PARAMETER_BAD;
  hSLP->associated = false;
  return SLP_OK;
}

SLPError SLPXLocalAddress(SLPHandle hSLP, unsigned int* pu32Address) {
  if (!hSLP || !pu32Address || hSLP->local.s_addr == htonl(INADDR_ANY)) return SLP_PARAMETER_BAD;
  *pu32Address = hSLP->local.s_addr;
  return SLP_OK;
}

SLPError SLPReg(SLPHandle hSLP, const char* pcSrvURL, const unsigned short usLifetime, const char* pcSrvType,
                const char* pcAttrs, SLPBoolean fresh, SLPRegReport callback, void* pvCookie) {
  Busy busy(hSLP);
  if (!busy.ok()) return hSLP ? SLP_HANDLE_IN_USE : SLP_PARAMETER_BAD;
  if (!pcSrvURL || !*pcSrvURL || usLifetime == 0 || !callback) return SLP_PARAMETER_BAD;
  Message m;
  m.function = kSrvReg;
  m.flags = fresh ? kFlagFresh : 0;
  m.entry = {usLifetime, pcSrvURL};
  m.serviceType = pcSrvType && *pcSrvType ? pcSrvType : UrlServiceType(pcSrvURL);
  m.scopes = "DEFAULT";
  m.attrs = pcAttrs ? pcAttrs : "";
  SLPError err = Register(hSLP, m);
  callback(hSLP, err, pvCookie);
  return err;
}

SLPError SLPDereg(SLPHandle hSLP, const char* pcSrvURL, SLPRegReport callback, void* pvCookie) {
  Busy busy(hSLP);
  if (!busy.ok()) return hSLP ? SLP_HANDLE_IN_USE : SLP_PARAMETER_BAD;
  if (!pcSrvURL || !*pcSrvURL || !callback) return SLP_PARAMETER_BAD;
  Message m;
  m.function = kSrvDeReg;
  m.scopes = "DEFAULT";
  m.entry = {0, pcSrvURL};
  SLPError err = Register(hSLP, m);
  callback(hSLP, err, pvCookie);
  return err;
}

SLPError SLPFindSrvs(SLPHandle hSLP, const char* pcServiceType, const char* pcScopeList, const char* pcSearchFilter,
                     SLPSrvURLCallback callback, void* pvCookie) {
  Busy busy(hSLP);
  if (!busy.ok()) return hSLP ? SLP_HANDLE_IN_USE : SLP_PARAMETER_BAD;
  if (!pcServiceType || !*pcServiceType || !callback) return SLP_PARAMETER_BAD;
  Message req;
  req.function = kSrvRqst;
  req.serviceType = pcServiceType;
  req.scopes = Scopes(pcScopeList);
  req.predicate = pcSearchFilter ? pcSearchFilter : "";
  std::set<std::string> seen;
  bool stopped = false;
  SLPError replyError = SLP_OK;
  SLPError err = Exchange(hSLP, req, kSrvRply, hSLP->associated ? &hSLP->peer : nullptr,
                          [&](in_addr, const Message& r) {
                            if (r.error) {
                              replyError = (SLPError)-(int)r.error;
                              return true;
                            }
                            for (const UrlEntry& e : r.urls) {
                              if (!seen.insert(e.url).second) continue;
                              if (!callback(hSLP, e.url.c_str(), e.lifetime, SLP_OK, pvCookie)) {
                                stopped = true;
                                return false;
                              }
                            }
                            return true;
                          });
  if (err == SLP_OK && hSLP->associated) err = replyError;
  if (stopped) return SLP_OK;
  callback(hSLP, nullptr, 0, err == SLP_OK ? SLP_LAST_CALL : err, pvCookie);
  return err;
}

SLPError SLPFindSrvTypes(SLPHandle hSLP, const char* pcNamingAuthority, const char* pcScopeList,
                         SLPSrvTypeCallback callback, void* pvCookie) {
  Busy busy(hSLP);
  if (!busy.ok()) return hSLP ? SLP_HANDLE_IN_USE : SLP_PARAMETER_BAD;
  if (!pcNamingAuthority || !callback) return SLP_PARAMETER_BAD;
  Message req;
  req.function = kSrvTypeRqst;
  req.allAuthorities = strcmp(pcNamingAuthority, "*") == 0;
  if (!req.allAuthorities) req.namingAuthority = pcNamingAuthority;
  req.scopes = Scopes(pcScopeList);
  std::vector<std::string> types;
  SLPError replyError = SLP_OK;
  SLPError err = Exchange(hSLP, req, kSrvTypeRply, hSLP->associated ? &hSLP->peer : nullptr,
                          [&](in_addr, const Message& r) {
                            if (r.error) replyError = (SLPError)-(int)r.error;
                            // Types keep their case: split without folding.
                            size_t start = 0;
                            while (start <= r.typeList.size()) {
                              size_t comma = std::min(r.typeList.find(',', start), r.typeList.size());
                              std::string t = r.typeList.substr(start, comma - start);
                              start = comma + 1;
                              if (t.empty()) continue;
                              bool seen = false;
                              for (const std::string& k : types) seen = seen || k == t;
                              if (!seen) types.push_back(t);
                            }
                            return true;
                          });
  if (err == SLP_OK && hSLP->associated) err = replyError;
  if (err == SLP_OK && !types.empty()) {
    std::string list;
    for (const std::string& t : types) list += (list.empty() ? "" : ",") + t;
    if (!callback(hSLP, list.c_str(), SLP_OK, pvCookie)) return SLP_OK;
  }
  callback(hSLP, nullptr, err == SLP_OK ? SLP_LAST_CALL : err, pvCookie);
  return err;
}

SLPError SLPFindAttrs(SLPHandle hSLP, const char* pcURLOrServiceType, const char* pcScopeList, const char* pcAttrIds,
                      SLPAttrCallback callback, void* pvCookie) {
  Busy busy(hSLP);
  if (!busy.ok()) return hSLP ? SLP_HANDLE_IN_USE : SLP_PARAMETER_BAD;
  if (!pcURLOrServiceType || !*pcURLOrServiceType || !callback) return SLP_PARAMETER_BAD;
  Message req;
  req.function = kAttrRqst;
  req.url = pcURLOrServiceType;
  req.scopes = Scopes(pcScopeList);
  req.tags = pcAttrIds ? pcAttrIds : "";
  bool stopped = false;
  SLPError replyError = SLP_OK;
  SLPError err = Exchange(hSLP, req, kAttrRply, hSLP->associated ? &hSLP->peer : nullptr,
                          [&](in_addr, const Message& r) {
                            if (r.error) {
                              replyError = (SLPError)-(int)r.error;
                              return true;
                            }
                            if (r.attrs.empty()) return true;
                            if (!callback(hSLP, r.attrs.c_str(), SLP_OK, pvCookie)) {
                              stopped = true;
                              return false;
                            }
                            return true;
                          });
  if (err == SLP_OK && hSLP->associated) err = replyError;
  if (stopped) return SLP_OK;
  callback(hSLP, nullptr, err == SLP_OK ? SLP_LAST_CALL : err, pvCookie);
  return err;
}

SLPError SLPParseSrvURL(const char* pcSrvURL, SLPSrvURL** ppSrvURL) {
  if (!pcSrvURL || !ppSrvURL) return SLP_PARAMETER_BAD;
  *ppSrvURL = nullptr;
  std::string url = pcSrvURL;
  size_t sep = url.find("://");
  if (sep == std::string::npos || sep == 0) return SLP_PARSE_ERROR;
  std::string type = url.substr(0, sep);
  std::string rest = url.substr(sep + 3);
  size_t slash = rest.find('/');
  std::string hostport = rest.substr(0, slash);
  std::string part = slash == std::string::npos ? "" : rest.substr(slash);
  std::string host = hostport;
  int port = 0;
  size_t colon = hostport.rfind(':');
  if (colon != std::string::npos) {
    host = hostport.substr(0, colon);
    std::string digits = hostport.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
      return SLP_PARSE_ERROR;
    port = atoi(digits.c_str());
    if (port > 65535) return SLP_PARSE_ERROR;
  }
  if (host.empty()) return SLP_PARSE_ERROR;
  // One block: the structure, then its texts.
  const size_t size = sizeof(SLPSrvURL) + type.size() + host.size() + part.size() + 4;
  char* block = (char*)calloc(1, size);
  if (!block) return SLP_MEMORY_ALLOC_FAILED;
  SLPSrvURL* out = (SLPSrvURL*)block;
  char* p = block + sizeof(SLPSrvURL);
  auto put = [&p](const std::string& s) {
    char* at = p;
    memcpy(p, s.c_str(), s.size() + 1);
    p += s.size() + 1;
    return at;
  };
  out->s_pcSrvType = put(type);
  out->s_pcHost = put(host);
  out->s_iPort = port;
  out->s_pcNetFamily = put("");
  out->s_pcSrvPart = put(part);
  *ppSrvURL = out;
  return SLP_OK;
}

SLPError SLPParseAttrs(const char* pcAttrList, const char* pcAttrId, char** ppcAttrVal) {
  if (!pcAttrList || !pcAttrId || !ppcAttrVal) return SLP_PARAMETER_BAD;
  *ppcAttrVal = nullptr;
  std::optional<std::vector<Attribute>> attrs = ParseAttributes(pcAttrList);
  if (!attrs) return SLP_PARSE_ERROR;
  const std::string id = Fold(pcAttrId);
  for (const Attribute& a : *attrs) {
    if (a.tag != id) continue;
    std::string value;
    for (const std::string& v : a.values) value += (value.empty() ? "" : ",") + v;
    *ppcAttrVal = Duplicate(value);
    return *ppcAttrVal ? SLP_OK : SLP_MEMORY_ALLOC_FAILED;
  }
  return SLP_PARSE_ERROR;
}

void SLPFree(void* pvMem) { free(pvMem); }

SLPError SLPXConfigure(unsigned short port, const char* group, unsigned int roundWaitMs) {
  Config c = CurrentConfig();
  if (port) c.port = port;
  if (group && inet_pton(AF_INET, group, &c.group) != 1) return SLP_PARAMETER_BAD;
  if (roundWaitMs) c.roundWaitMs = roundWaitMs;
  SetConfig(c);
  return SLP_OK;
}

void SLPXShutdown(void) { ShutdownAgents(); }

}  // extern "C"
