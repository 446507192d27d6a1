// The service agent of this library (internal): registrations of this
// process and the thread that answers requests for them.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>

#include "slp/slp.h"
#include "slp/slp_wire.h"

namespace slp {

// Largest datagram sent (the SLP default MTU); longer replies are cut at a
// URL entry and carry the overflow flag.
constexpr size_t kMaxDatagram = 1400;

struct Config {
  uint16_t port = 427;
  in_addr group{};
  unsigned roundWaitMs = 500;
};

// The settings for handles and agents opened now.
Config CurrentConfig();
void SetConfig(const Config& c);

// Starts (once) the agent on local address `local` (INADDR_ANY: every
// address) and the configured port.
SLPError EnsureAgent(in_addr local, const Config& c);
void ShutdownAgents();

// Service type of a URL: "service:x.y" of "service:x.y://host:port/path",
// the scheme of another URL.
std::string UrlServiceType(const std::string& url);

// Dotted text of an address.
std::string Dotted(in_addr a);

}  // namespace slp
