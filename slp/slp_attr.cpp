#include "slp/slp_attr.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace slp {

std::string Fold(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && isspace((unsigned char)s[b])) ++b;
  while (e > b && isspace((unsigned char)s[e - 1])) --e;
  std::string out;
  out.reserve(e - b);
  bool space = false;
  for (size_t i = b; i < e; ++i) {
    unsigned char c = (unsigned char)s[i];
    if (isspace(c)) {
      space = true;
      continue;
    }
    if (space) out.push_back(' ');
    space = false;
    out.push_back((char)tolower(c));
  }
  return out;
}

std::vector<std::string> SplitList(std::string_view list) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string_view::npos) comma = list.size();
    std::string item = Fold(list.substr(start, comma - start));
    if (!item.empty()) out.push_back(std::move(item));
    start = comma + 1;
  }
  return out;
}

bool WildcardMatch(std::string_view pattern, std::string_view text) {
  // Iterative matcher with one back-tracking point: linear in practice.
  size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() && tolower((unsigned char)pattern[p]) == tolower((unsigned char)text[t])) {
      ++p, ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::optional<std::vector<Attribute>> ParseAttributes(std::string_view list) {
  std::vector<Attribute> out;
  size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && (list[i] == ',' || isspace((unsigned char)list[i]))) ++i;
    if (i >= list.size()) break;
    Attribute a;
    if (list[i] == '(') {
      size_t close = list.find(')', i);
      if (close == std::string_view::npos) return std::nullopt;
      std::string_view inner = list.substr(i + 1, close - i - 1);
      if (inner.find('(') != std::string_view::npos) return std::nullopt;
      size_t eq = inner.find('=');
      if (eq == std::string_view::npos) return std::nullopt;
      a.tag = Fold(inner.substr(0, eq));
      if (a.tag.empty()) return std::nullopt;
      std::string_view values = inner.substr(eq + 1);
      size_t s = 0;
      while (true) {
        size_t comma = values.find(',', s);
        a.values.emplace_back(values.substr(s, comma == std::string_view::npos ? std::string_view::npos : comma - s));
        if (comma == std::string_view::npos) break;
        s = comma + 1;
      }
      a.text.assign(list.substr(i, close - i + 1));
      i = close + 1;
    } else {
      size_t end = i;
      while (end < list.size() && list[end] != ',') {
        if (list[end] == '(' || list[end] == ')') return std::nullopt;
        ++end;
      }
      a.keyword = true;
      a.tag = Fold(list.substr(i, end - i));
      a.text = a.tag;
      i = end;
    }
    out.push_back(std::move(a));
  }
  return out;
}

std::string SelectAttributes(const std::vector<Attribute>& attrs, std::string_view tags) {
  std::vector<std::string> wanted = SplitList(tags);
  std::string out;
  for (const Attribute& a : attrs) {
    bool take = wanted.empty();
    for (const std::string& w : wanted) take = take || WildcardMatch(w, a.tag);
    if (!take) continue;
    if (!out.empty()) out.push_back(',');
    out += a.text;
  }
  return out;
}

namespace {

// Replaces the "\xx" escapes of attribute values and filter values.
std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 2 < s.size() && isxdigit((unsigned char)s[i + 1]) &&
        isxdigit((unsigned char)s[i + 2])) {
      out.push_back((char)strtol(std::string(s.substr(i + 1, 2)).c_str(), nullptr, 16));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

bool ParseInt(const std::string& s, long long& v) {
  if (s.empty()) return false;
  char* end;
  errno = 0;
  v = strtoll(s.c_str(), &end, 10);
  return *end == 0 && errno == 0;
}

class FilterParser {
 public:
  FilterParser(std::string_view f, const std::vector<Attribute>& attrs) : f_(f), attrs_(attrs) {}

  std::optional<bool> Run() {
    skipSpace();
    if (pos_ == f_.size()) return true;
    std::optional<bool> r = filter(0);
    skipSpace();
    if (!r || pos_ != f_.size()) return std::nullopt;
    return r;
  }

 private:
  void skipSpace() {
    while (pos_ < f_.size() && isspace((unsigned char)f_[pos_])) ++pos_;
  }

  std::optional<bool> filter(int depth) {
    if (depth > 32) return std::nullopt;  // nesting bound: no deep recursion on hostile input
    skipSpace();
    if (pos_ >= f_.size() || f_[pos_] != '(') return std::nullopt;
    ++pos_;
    skipSpace();
    if (pos_ >= f_.size()) return std::nullopt;
    std::optional<bool> r;
    char c = f_[pos_];
    if (c == '&' || c == '|') {
      ++pos_;
      bool all = c == '&';
      bool acc = all;
      int n = 0;
      skipSpace();
      while (pos_ < f_.size() && f_[pos_] == '(') {
        std::optional<bool> sub = filter(depth + 1);
        if (!sub) return std::nullopt;
        acc = all ? (acc && *sub) : (acc || *sub);
        ++n;
        skipSpace();
      }
      if (n == 0) return std::nullopt;
      r = acc;
    } else if (c == '!') {
      ++pos_;
      std::optional<bool> sub = filter(depth + 1);
      if (!sub) return std::nullopt;
      r = !*sub;
    } else {
      r = item();
      if (!r) return std::nullopt;
    }
    skipSpace();
    if (pos_ >= f_.size() || f_[pos_] != ')') return std::nullopt;
    ++pos_;
    return r;
  }

  std::optional<bool> item() {
    size_t close = f_.find(')', pos_);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view body = f_.substr(pos_, close - pos_);
    if (body.find('(') != std::string_view::npos) return std::nullopt;
    size_t eq = body.find('=');
    if (eq == std::string_view::npos || eq == 0) return std::nullopt;
    char op = '=';
    size_t tagEnd = eq;
    if (body[eq - 1] == '<' || body[eq - 1] == '>' || body[eq - 1] == '~') {
      op = body[eq - 1];
      tagEnd = eq - 1;
    }
    std::string tag = Fold(body.substr(0, tagEnd));
    std::string raw = Fold(body.substr(eq + 1));
    if (tag.empty()) return std::nullopt;
    pos_ = close;

    const Attribute* a = nullptr;
    for (const Attribute& x : attrs_)
      if (x.tag == tag) a = &x;
    if (!a) return false;
    if (op == '=' && raw == "*") return true;  // presence
    if (a->keyword) return false;
    std::string want = Unescape(raw);
    long long wantInt = 0;
    bool numeric = ParseInt(want, wantInt);
    for (const std::string& v : a->values) {
      std::string have = Fold(Unescape(v));
      long long haveInt;
      bool bothInt = numeric && ParseInt(have, haveInt);
      switch (op) {
        case '=':
          if (bothInt ? haveInt == wantInt : WildcardMatch(want, have)) return true;
          break;
        case '~':
          if (have == want) return true;
          break;
        case '<':
          if (bothInt ? haveInt <= wantInt : have <= want) return true;
          break;
        case '>':
          if (bothInt ? haveInt >= wantInt : have >= want) return true;
          break;
      }
    }
    return false;
  }

  std::string_view f_;
  const std::vector<Attribute>& attrs_;
  size_t pos_ = 0;
};

}  // namespace

std::optional<bool> MatchFilter(std::string_view filter, const std::vector<Attribute>& attrs) {
  return FilterParser(filter, attrs).Run();
}

}  // namespace slp
