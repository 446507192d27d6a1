#include "slp/slp_wire.h"

namespace slp {
namespace {

class Reader {
 public:
  Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool u8(uint8_t& v) {
    if (n_ - pos_ < 1) return false;
    v = p_[pos_++];
    return true;
  }
  bool u16(uint16_t& v) {
    if (n_ - pos_ < 2) return false;
    v = (uint16_t)(p_[pos_] << 8 | p_[pos_ + 1]);
    pos_ += 2;
    return true;
  }
  bool u24(uint32_t& v) {
    if (n_ - pos_ < 3) return false;
    v = (uint32_t)p_[pos_] << 16 | (uint32_t)p_[pos_ + 1] << 8 | p_[pos_ + 2];
    pos_ += 3;
    return true;
  }
  bool bytes(size_t len, std::string& s) {
    if (n_ - pos_ < len) return false;
    s.assign((const char*)p_ + pos_, len);
    pos_ += len;
    return true;
  }
  bool skip(size_t len) {
    if (n_ - pos_ < len) return false;
    pos_ += len;
    return true;
  }
  // A string preceded by its 16-bit length.
  bool str(std::string& s) {
    uint16_t len;
    return u16(len) && bytes(len, s);
  }
  size_t pos() const { return pos_; }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

class Writer {
 public:
  void u8(uint8_t v) { b_.push_back(v); }
  void u16(uint16_t v) {
    b_.push_back((uint8_t)(v >> 8));
    b_.push_back((uint8_t)v);
  }
  void u24(uint32_t v) {
    b_.push_back((uint8_t)(v >> 16));
    b_.push_back((uint8_t)(v >> 8));
    b_.push_back((uint8_t)v);
  }
  void str(const std::string& s) {
    if (s.size() > 0xFFFF) ok_ = false;
    u16((uint16_t)s.size());
    b_.insert(b_.end(), s.begin(), s.end());
  }
  void entry(const UrlEntry& e) {
    u8(0);  // reserved
    u16(e.lifetime);
    str(e.url);
    u8(0);  // no URL authentication blocks
  }
  std::vector<uint8_t>& bytes() { return b_; }
  bool ok() const { return ok_; }
  void fail() { ok_ = false; }

 private:
  std::vector<uint8_t> b_;
  bool ok_ = true;
};

// Authentication blocks (RFC 2608 9.2): BSD (2), length (2, the whole
// block), timestamp (4), SPI string, signature. Only stepped over.
bool SkipAuthBlocks(Reader& r, uint8_t count) {
  for (uint8_t i = 0; i < count; ++i) {
    uint16_t bsd, len;
    if (!r.u16(bsd) || !r.u16(len) || len < 10 || !r.skip(len - 4u)) return false;
  }
  return true;
}

bool ReadEntry(Reader& r, UrlEntry& e) {
  uint8_t reserved, auths;
  return r.u8(reserved) && r.u16(e.lifetime) && r.str(e.url) && r.u8(auths) && SkipAuthBlocks(r, auths);
}

bool Fail(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

}  // namespace

const char* FunctionName(uint8_t function) {
  static const char* const kNames[] = {"?",        "SrvRqst",  "SrvRply",     "SrvReg",
                                       "SrvDeReg", "SrvAck",   "AttrRqst",    "AttrRply",
                                       "DAAdvert", "SrvTypeRqst", "SrvTypeRply", "SAAdvert"};
  return function < sizeof kNames / sizeof kNames[0] ? kNames[function] : "?";
}

bool Decode(const uint8_t* data, size_t size, Message& m, std::string* why) {
  m = Message{};
  Reader r(data, size);
  uint8_t version;
  uint32_t length, ext;
  uint16_t langLen;
  if (!r.u8(version) || !r.u8(m.function) || !r.u24(length) || !r.u16(m.flags) || !r.u24(ext) ||
      !r.u16(m.xid) || !r.u16(langLen))
    return Fail(why, "shorter than the header");
  if (version != 2) return Fail(why, "not version 2");
  if (length != size) return Fail(why, "length field differs from the datagram size");
  if (!r.bytes(langLen, m.lang)) return Fail(why, "language tag past the end");
  if (ext != 0 && (ext < r.pos() || ext + 5 > size)) return Fail(why, "extension offset outside the message");
  // The body ends where the first extension begins.
  Reader b(data, ext != 0 ? ext : size);
  if (!b.skip(r.pos())) return Fail(why, "extension inside the header");

  bool ok = false;
  switch (m.function) {
    case kSrvRqst:
      ok = b.str(m.prList) && b.str(m.serviceType) && b.str(m.scopes) && b.str(m.predicate) && b.str(m.spi);
      break;
    case kSrvRply: {
      uint16_t count;
      ok = b.u16(m.error) && b.u16(count);
      for (uint16_t i = 0; ok && i < count; ++i) {
        UrlEntry e;
        ok = ReadEntry(b, e);
        if (ok) m.urls.push_back(std::move(e));
      }
      break;
    }
    case kSrvReg: {
      uint8_t auths;
      ok = ReadEntry(b, m.entry) && b.str(m.serviceType) && b.str(m.scopes) && b.str(m.attrs) && b.u8(auths) &&
           SkipAuthBlocks(b, auths);
      break;
    }
    case kSrvDeReg:
      ok = b.str(m.scopes) && ReadEntry(b, m.entry) && b.str(m.tags);
      break;
    case kSrvAck:
      ok = b.u16(m.error);
      break;
    case kAttrRqst:
      ok = b.str(m.prList) && b.str(m.url) && b.str(m.scopes) && b.str(m.tags) && b.str(m.spi);
      break;
    case kAttrRply: {
      uint8_t auths;
      // A reply carrying an error may end after the error code.
      ok = b.u16(m.error) && (m.error != 0 && b.pos() == (ext ? ext : size)
                                  ? true
                                  : b.str(m.attrs) && b.u8(auths) && SkipAuthBlocks(b, auths));
      break;
    }
    case kSrvTypeRqst: {
      uint16_t naLen;
      ok = b.str(m.prList) && b.u16(naLen);
      if (ok && naLen == 0xFFFF) {
        m.allAuthorities = true;
      } else if (ok) {
        ok = b.bytes(naLen, m.namingAuthority);
      }
      ok = ok && b.str(m.scopes);
      break;
    }
    case kSrvTypeRply:
      ok = b.u16(m.error) && (m.error != 0 && b.pos() == (ext ? ext : size) ? true : b.str(m.typeList));
      break;
    default:
      return Fail(why, "function not handled");
  }
  if (!ok) return Fail(why, "field past the end");
  return true;
}

std::vector<uint8_t> Encode(const Message& m) {
  Writer w;
  w.u8(2);
  w.u8(m.function);
  w.u24(0);  // length, set below
  w.u16(m.flags);
  w.u24(0);  // no extensions
  w.u16(m.xid);
  w.str(m.lang);
  switch (m.function) {
    case kSrvRqst:
      w.str(m.prList), w.str(m.serviceType), w.str(m.scopes), w.str(m.predicate), w.str(m.spi);
      break;
    case kSrvRply:
      if (m.urls.size() > 0xFFFF) return {};
      w.u16(m.error);
      w.u16((uint16_t)m.urls.size());
      for (const UrlEntry& e : m.urls) w.entry(e);
      break;
    case kSrvReg:
      w.entry(m.entry), w.str(m.serviceType), w.str(m.scopes), w.str(m.attrs);
      w.u8(0);
      break;
    case kSrvDeReg:
      w.str(m.scopes), w.entry(m.entry), w.str(m.tags);
      break;
    case kSrvAck:
      w.u16(m.error);
      break;
    case kAttrRqst:
      w.str(m.prList), w.str(m.url), w.str(m.scopes), w.str(m.tags), w.str(m.spi);
      break;
    case kAttrRply:
      w.u16(m.error), w.str(m.attrs);
      w.u8(0);
      break;
    case kSrvTypeRqst:
      w.str(m.prList);
      if (m.allAuthorities) {
        w.u16(0xFFFF);
      } else {
        if (m.namingAuthority.size() >= 0xFFFF) return {};
        w.str(m.namingAuthority);
      }
      w.str(m.scopes);
      break;
    case kSrvTypeRply:
      w.u16(m.error), w.str(m.typeList);
      break;
    default:
      return {};
  }
  std::vector<uint8_t>& b = w.bytes();
  if (!w.ok() || b.size() > 0xFFFFFF) return {};
  b[2] = (uint8_t)(b.size() >> 16);
  b[3] = (uint8_t)(b.size() >> 8);
  b[4] = (uint8_t)b.size();
  return std::move(b);
}

}  // namespace slp
