#include "slp/slp_agent.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "slp/slp_attr.h"
#include "source/platform/platform.h"

namespace slp {
namespace {

using Clock = std::chrono::steady_clock;

std::mutex s_configMutex;
bool s_configRead = false;
Config s_config;

struct Registration {
  std::string url, type, lang, attrs;
  Clock::time_point expiry;
};

bool HasDefaultScope(const std::string& scopes) {
  for (const std::string& s : SplitList(scopes))
    if (s == "default") return true;
  return false;
}

// "service:printer" asks for "service:printer" and "service:printer:lpr".
bool TypeMatches(const std::string& wanted, const std::string& registered) {
  std::string w = Fold(wanted), r = Fold(registered);
  if (w.rfind("service:", 0) != 0 && r.rfind("service:", 0) == 0) w = "service:" + w;
  return r == w || (r.size() > w.size() && r.compare(0, w.size(), w) == 0 && r[w.size()] == ':');
}

// Naming authority of a service type: what follows the last '.' of the
// abstract type name; "" for the IANA types.
std::string NamingAuthority(const std::string& type) {
  std::string t = type;
  if (Fold(t).rfind("service:", 0) == 0) t = t.substr(8);
  t = t.substr(0, t.find(':'));
  size_t dot = t.rfind('.');
  return dot == std::string::npos ? std::string() : t.substr(dot + 1);
}

class Agent {
 public:
  Agent(in_addr local, const Config& c) : local_(local), config_(c) {}
  ~Agent() { Stop(); }

  SLPError Start();
  void Stop();

 private:
  void Run();
  void Receive(int fd);
  void Handle(const Message& req, const sockaddr_in& from, in_addr self);
  void Reply(Message& reply, const sockaddr_in& to);
  void Prune();
  uint16_t DoReg(const Message& m);
  uint16_t DoDeReg(const Message& m);
  std::string Name() const { return Dotted(local_) + ":" + std::to_string(config_.port); }

  in_addr local_;
  Config config_;
  int unicast_ = -1;
  int group_ = -1;
  int stop_ = -1;
  std::thread thread_;
  std::vector<Registration> regs_;  // only touched by the agent thread
};

int UdpSocket() { return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); }

bool Bind(int fd, in_addr addr, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr = addr;
  sa.sin_port = htons(port);
  return bind(fd, (sockaddr*)&sa, sizeof sa) == 0;
}

SLPError Agent::Start() {
  const int one = 1, zero = 0;
  const bool any = local_.s_addr == htonl(INADDR_ANY);
  const bool multicast = IN_MULTICAST(ntohl(config_.group.s_addr));
  unicast_ = UdpSocket();
  stop_ = eventfd(0, EFD_CLOEXEC);
  if (unicast_ < 0 || stop_ < 0) return SLP_NETWORK_INIT_FAILED;
  setsockopt(unicast_, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
  if (!Bind(unicast_, local_, config_.port)) {
    PLATFORM_vTrace("SLP agent %s: cannot bind the port", Name().c_str());
    return SLP_NETWORK_INIT_FAILED;
  }
  if (any) {
    // One socket hears unicast, broadcast and the group.
    if (multicast) {
      ip_mreq mreq{config_.group, {htonl(INADDR_ANY)}};
      if (setsockopt(unicast_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof mreq) != 0)
        PLATFORM_vTrace("SLP agent %s: cannot join the group %s", Name().c_str(), Dotted(config_.group).c_str());
    }
  } else {
    // A socket bound to the group address hears only the group's datagrams.
    group_ = UdpSocket();
    if (group_ < 0) return SLP_NETWORK_INIT_FAILED;
    setsockopt(group_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(group_, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
    if (!Bind(group_, config_.group, config_.port)) {
      PLATFORM_vTrace("SLP agent %s: cannot bind the group address", Name().c_str());
      return SLP_NETWORK_INIT_FAILED;
    }
    if (multicast) {
      setsockopt(group_, IPPROTO_IP, IP_MULTICAST_ALL, &zero, sizeof zero);
      ip_mreq mreq{config_.group, local_};
      if (setsockopt(group_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof mreq) != 0) {
        PLATFORM_vTrace("SLP agent %s: cannot join the group %s", Name().c_str(), Dotted(config_.group).c_str());
        return SLP_NETWORK_INIT_FAILED;
      }
    }
  }
  thread_ = std::thread([this] { Run(); });
  return SLP_OK;
}

void Agent::Stop() {
  if (thread_.joinable()) {
    uint64_t v = 1;
    if (write(stop_, &v, sizeof v) != sizeof v) PLATFORM_vTrace("SLP agent %s: cannot stop", Name().c_str());
    thread_.join();
  }
  for (int* fd : {&unicast_, &group_, &stop_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

void Agent::Run() {
  while (true) {
    pollfd fds[3] = {{stop_, POLLIN, 0}, {unicast_, POLLIN, 0}, {group_, POLLIN, 0}};
    const nfds_t n = group_ >= 0 ? 3 : 2;
    if (poll(fds, n, -1) < 0) continue;
    if (fds[0].revents) return;
    for (nfds_t i = 1; i < n; ++i)
      if (fds[i].revents & POLLIN) Receive(fds[i].fd);
  }
}

void Agent::Receive(int fd) {
  uint8_t buf[65536];
  char control[256];
  sockaddr_in from{};
  iovec iov{buf, sizeof buf};
  msghdr mh{};
  mh.msg_name = &from;
  mh.msg_namelen = sizeof from;
  mh.msg_iov = &iov;
  mh.msg_iovlen = 1;
  mh.msg_control = control;
  mh.msg_controllen = sizeof control;
  ssize_t got = recvmsg(fd, &mh, MSG_DONTWAIT);
  if (got < 0) return;
  in_addr self = local_;
  for (cmsghdr* c = CMSG_FIRSTHDR(&mh); c; c = CMSG_NXTHDR(&mh, c))
    if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO && local_.s_addr == htonl(INADDR_ANY))
      self = ((in_pktinfo*)CMSG_DATA(c))->ipi_spec_dst;
  Message req;
  std::string why;
  if ((mh.msg_flags & MSG_TRUNC) || !Decode(buf, (size_t)got, req, &why)) {
    PLATFORM_vTrace("SLP agent %s: dropped %zd bytes from %s:%u: %s", Name().c_str(), got,
                    Dotted(from.sin_addr).c_str(), ntohs(from.sin_port),
                    (mh.msg_flags & MSG_TRUNC) ? "too long" : why.c_str());
    return;
  }
  Handle(req, from, self);
}

void Agent::Prune() {
  const Clock::time_point now = Clock::now();
  std::erase_if(regs_, [&](const Registration& r) { return r.expiry <= now; });
}

uint16_t Agent::DoReg(const Message& m) {
  if (m.entry.url.empty() || m.entry.lifetime == 0 || m.entry.url.find("://") == std::string::npos)
    return kInvalidRegistration;
  if (!HasDefaultScope(m.scopes)) return kScopeNotSupported;
  std::optional<std::vector<Attribute>> attrs = ParseAttributes(m.attrs);
  if (!attrs) return kInvalidRegistration;
  Registration* found = nullptr;
  for (Registration& r : regs_)
    if (r.url == m.entry.url) found = &r;
  const Clock::time_point expiry = Clock::now() + std::chrono::seconds(m.entry.lifetime);
  if (m.flags & kFlagFresh) {
    if (!found) found = &regs_.emplace_back();
    found->url = m.entry.url;
    found->type = m.serviceType.empty() ? UrlServiceType(m.entry.url) : m.serviceType;
    found->lang = m.lang;
    found->attrs = m.attrs;
  } else {
    if (!found) return kInvalidUpdate;
    // An update adds its attributes, replacing those with the same tags.
    std::vector<Attribute> old = ParseAttributes(found->attrs).value_or(std::vector<Attribute>{});
    std::string merged;
    for (const Attribute& o : old) {
      bool replaced = false;
      for (const Attribute& a : *attrs) replaced = replaced || a.tag == o.tag;
      if (!replaced) merged += (merged.empty() ? "" : ",") + o.text;
    }
    for (const Attribute& a : *attrs) merged += (merged.empty() ? "" : ",") + a.text;
    found->attrs = merged;
  }
  found->expiry = expiry;
  return kOk;
}

uint16_t Agent::DoDeReg(const Message& m) {
  if (!HasDefaultScope(m.scopes)) return kScopeNotSupported;
  for (auto it = regs_.begin(); it != regs_.end(); ++it) {
    if (it->url != m.entry.url) continue;
    if (m.tags.empty()) {
      regs_.erase(it);
    } else {
      std::string kept;
      std::vector<std::string> tags = SplitList(m.tags);
      const std::vector<Attribute> attrs = ParseAttributes(it->attrs).value_or(std::vector<Attribute>{});
      for (const Attribute& a : attrs) {
        bool drop = false;
        for (const std::string& t : tags) drop = drop || WildcardMatch(t, a.tag);
        if (!drop) kept += (kept.empty() ? "" : ",") + a.text;
      }
      it->attrs = kept;
    }
    return kOk;
  }
  return kInvalidRegistration;
}

void Agent::Handle(const Message& req, const sockaddr_in& from, in_addr self) {
  Prune();
  Message reply;
  reply.xid = req.xid;
  reply.lang = req.lang;
  const bool mcast = (req.flags & kFlagMcast) != 0;

  if (req.function == kSrvReg || req.function == kSrvDeReg) {
    // Only this machine registers with its agent.
    const uint32_t src = ntohl(from.sin_addr.s_addr);
    if ((src >> 24) != 127 && from.sin_addr.s_addr != local_.s_addr) {
      PLATFORM_vTrace("SLP agent %s: refused a registration from %s", Name().c_str(), Dotted(from.sin_addr).c_str());
      return;
    }
    reply.function = kSrvAck;
    reply.error = req.function == kSrvReg ? DoReg(req) : DoDeReg(req);
    Reply(reply, from);
    return;
  }
  if (req.function != kSrvRqst && req.function != kAttrRqst && req.function != kSrvTypeRqst) return;

  // Responders already heard by the requester stay quiet.
  const std::string me = Dotted(self);
  for (const std::string& p : SplitList(req.prList))
    if (p == me) return;

  uint16_t error = kOk;
  if (!HasDefaultScope(req.scopes)) error = kScopeNotSupported;
  if (req.function == kSrvRqst) {
    reply.function = kSrvRply;
    if (!error && !req.spi.empty()) error = kAuthenticationUnknown;
    for (const Registration& r : regs_) {
      if (error) break;
      if (Fold(r.lang) != Fold(req.lang) || !TypeMatches(req.serviceType, r.type)) continue;
      std::optional<bool> match = MatchFilter(req.predicate, ParseAttributes(r.attrs).value_or(std::vector<Attribute>{}));
      if (!match) error = kParseError;
      if (match.value_or(false)) {
        auto left = std::chrono::duration_cast<std::chrono::seconds>(r.expiry - Clock::now()).count();
        reply.urls.push_back({(uint16_t)std::clamp<long long>(left, 1, 0xFFFF), r.url});
      }
    }
    if (error) reply.urls.clear();
    if (mcast && reply.urls.empty()) return;
  } else if (req.function == kAttrRqst) {
    reply.function = kAttrRply;
    if (!error && !req.spi.empty()) error = kAuthenticationUnknown;
    const bool byUrl = req.url.find("://") != std::string::npos;
    bool any = false;
    std::vector<Attribute> all;
    for (const Registration& r : regs_) {
      if (error || Fold(r.lang) != Fold(req.lang)) continue;
      if (byUrl ? r.url != req.url : !TypeMatches(req.url, r.type)) continue;
      any = true;
      std::vector<Attribute> attrs = ParseAttributes(r.attrs).value_or(std::vector<Attribute>{});
      for (Attribute& a : attrs) {
        bool seen = false;
        for (const Attribute& b : all) seen = seen || b.text == a.text;
        if (!seen) all.push_back(std::move(a));
      }
    }
    if (mcast && (!any || error)) return;
    if (!error) reply.attrs = SelectAttributes(all, req.tags);
  } else {
    reply.function = kSrvTypeRply;
    std::vector<std::string> types;
    for (const Registration& r : regs_) {
      if (error) break;
      if (!req.allAuthorities && Fold(NamingAuthority(r.type)) != Fold(req.namingAuthority)) continue;
      bool seen = false;
      for (const std::string& t : types) seen = seen || Fold(t) == Fold(r.type);
      if (!seen) types.push_back(r.type);
    }
    if (mcast && (types.empty() || error)) return;
    for (const std::string& t : types) reply.typeList += (reply.typeList.empty() ? "" : ",") + t;
  }
  if (error && mcast) return;
  reply.error = error;
  Reply(reply, from);
}

void Agent::Reply(Message& reply, const sockaddr_in& to) {
  std::vector<uint8_t> bytes = Encode(reply);
  while (bytes.size() > kMaxDatagram && !reply.urls.empty()) {
    reply.urls.pop_back();
    reply.flags |= kFlagOverflow;
    bytes = Encode(reply);
  }
  if (bytes.empty() || bytes.size() > kMaxDatagram) {
    reply.attrs.clear();
    reply.typeList.clear();
    reply.flags |= kFlagOverflow;
    bytes = Encode(reply);
  }
  sendto(unicast_, bytes.data(), bytes.size(), 0, (const sockaddr*)&to, sizeof to);
}

std::mutex s_agentsMutex;
std::map<std::pair<uint32_t, uint16_t>, std::unique_ptr<Agent>> s_agents;

}  // namespace

std::string Dotted(in_addr a) {
  char text[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

std::string UrlServiceType(const std::string& url) {
  size_t sep = url.find("://");
  if (sep == std::string::npos) return url;
  return url.substr(0, sep);
}

Config CurrentConfig() {
  std::lock_guard<std::mutex> lock(s_configMutex);
  if (!s_configRead) {
    s_configRead = true;
    inet_pton(AF_INET, "239.255.255.253", &s_config.group);
    if (const char* p = getenv("TESSIX_SLP_PORT")) {
      long v = strtol(p, nullptr, 10);
      if (v > 0 && v < 65536) s_config.port = (uint16_t)v;
    }
    if (const char* g = getenv("TESSIX_SLP_GROUP")) {
      in_addr a;
      if (inet_pton(AF_INET, g, &a) == 1) s_config.group = a;
    }
  }
  return s_config;
}

void SetConfig(const Config& c) {
  CurrentConfig();
  std::lock_guard<std::mutex> lock(s_configMutex);
  s_config = c;
}

SLPError EnsureAgent(in_addr local, const Config& c) {
  std::lock_guard<std::mutex> lock(s_agentsMutex);
  auto key = std::make_pair(local.s_addr, c.port);
  if (s_agents.count(key)) return SLP_OK;
  auto agent = std::make_unique<Agent>(local, c);
  SLPError err = agent->Start();
  if (err != SLP_OK) return err;
  s_agents[key] = std::move(agent);
  return SLP_OK;
}

void ShutdownAgents() {
  std::lock_guard<std::mutex> lock(s_agentsMutex);
  s_agents.clear();
}

}  // namespace slp
