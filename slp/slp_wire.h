// SLPv2 messages on the wire (RFC 2608, section 8 onwards): the common header
// and the bodies this library speaks (service, attribute and service-type
// requests and replies, registration, deregistration and acknowledgement).
// Pure byte work, no sockets: the decoder checks every length against the
// datagram and refuses anything that does not fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace slp {

enum Function : uint8_t {
  kSrvRqst = 1,
  kSrvRply = 2,
  kSrvReg = 3,
  kSrvDeReg = 4,
  kSrvAck = 5,
  kAttrRqst = 6,
  kAttrRply = 7,
  kDAAdvert = 8,
  kSrvTypeRqst = 9,
  kSrvTypeRply = 10,
  kSAAdvert = 11,
};

// Header flags (the 16-bit flags field; the low 13 bits are reserved).
constexpr uint16_t kFlagOverflow = 0x8000;
constexpr uint16_t kFlagFresh = 0x4000;
constexpr uint16_t kFlagMcast = 0x2000;

// Error codes carried in replies and acknowledgements.
enum WireError : uint16_t {
  kOk = 0,
  kLanguageNotSupported = 1,
  kParseError = 2,
  kInvalidRegistration = 3,
  kScopeNotSupported = 4,
  kAuthenticationUnknown = 5,
  kVerNotSupported = 9,
  kInternalError = 10,
  kInvalidUpdate = 13,
  kMsgNotSupported = 14,
};

// Fixed part of the header before the language tag.
constexpr size_t kHeaderFixed = 14;

struct UrlEntry {
  uint16_t lifetime = 0;
  std::string url;
  bool operator==(const UrlEntry&) const = default;
};

// One message. Which members are meaningful depends on `function`:
//   SrvRqst      prList, serviceType, scopes, predicate, spi
//   SrvRply      error, urls
//   SrvReg       entry, serviceType, scopes, attrs (flag Fresh)
//   SrvDeReg     scopes, entry, tags
//   SrvAck       error
//   AttrRqst     prList, url, scopes, tags, spi
//   AttrRply     error, attrs
//   SrvTypeRqst  prList, allAuthorities / namingAuthority, scopes
//   SrvTypeRply  error, typeList
// Authentication blocks are skipped on decoding and never written.
struct Message {
  uint8_t function = 0;
  uint16_t flags = 0;
  uint16_t xid = 0;
  std::string lang = "en";
  std::string prList, serviceType, scopes, predicate, spi, url, tags, attrs, typeList;
  std::string namingAuthority;
  bool allAuthorities = false;
  uint16_t error = 0;
  UrlEntry entry;
  std::vector<UrlEntry> urls;
  bool operator==(const Message&) const = default;
};

// Decodes one datagram. FALSE (with a short reason in *why) for a version
// other than 2, a length field that differs from the datagram size, any
// field that runs past the end, an unknown function or an extension offset
// outside the message.
bool Decode(const uint8_t* data, size_t size, Message& out, std::string* why);

// Encodes a message; an empty vector when a field is too long for its
// length field (texts above 65535 bytes, more than 65535 URL entries).
std::vector<uint8_t> Encode(const Message& msg);

// The function's name for trace lines ("SrvRqst", ...), "?" when unknown.
const char* FunctionName(uint8_t function);

}  // namespace slp
