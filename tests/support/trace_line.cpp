#include "tests/support/trace_line.h"

#include <sstream>

namespace {

bool bDigit(char c) { return c >= '0' && c <= '9'; }

// A printf number field of the width: blanks then digits filling the width
// exactly, or more digits than the width without blanks.
bool bNumberField(const std::string& s, size_t* pos, size_t width) {
  size_t p = *pos;
  size_t blanks = 0;
  while (p < s.size() && s[p] == ' ') ++blanks, ++p;
  size_t digits = 0;
  while (p < s.size() && bDigit(s[p])) ++digits, ++p;
  if (digits == 0) return false;
  if (blanks + digits < width) return false;
  if (blanks > 0 && blanks + digits != width) return false;
  *pos = p;
  return true;
}

bool bChar(const std::string& s, size_t* pos, char c) {
  if (*pos >= s.size() || s[*pos] != c) return false;
  ++*pos;
  return true;
}

bool bThreeDigits(const std::string& s, size_t* pos) {
  for (int i = 0; i < 3; ++i) {
    if (*pos >= s.size() || !bDigit(s[*pos])) return false;
    ++*pos;
  }
  return true;
}

}  // namespace

bool TEST_bIsTraceLine(const std::string& s) {
  size_t p = 0;
  for (int time = 0; time < 2; ++time) {
    if (!bNumberField(s, &p, 5) || !bChar(s, &p, '.') || !bThreeDigits(s, &p) || !bChar(s, &p, ' ')) return false;
  }
  if (!bNumberField(s, &p, 2) || !bChar(s, &p, ' ')) return false;
  size_t name = 0;
  while (p < s.size() && ((s[p] >= 'A' && s[p] <= 'Z') || bDigit(s[p]) || s[p] == '_')) ++name, ++p;
  if (name == 0 || !bChar(s, &p, ' ')) return false;
  // The text: one line, closed by the "\r" of the line end.
  if (s.empty() || s.back() != '\r') return false;
  for (; p + 1 < s.size(); ++p) {
    if (s[p] == '\r' || s[p] == '\n') return false;
  }
  return p + 1 == s.size();
}

std::vector<std::string> TEST_vecLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}
