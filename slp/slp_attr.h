// SLP attribute lists ("(tag=value,value),(tag=value),keyword") and the
// LDAPv3 search filters that select services by them (RFC 2608 5 and 8.1,
// RFC 2254 text form).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace slp {

struct Attribute {
  std::string tag;
  std::vector<std::string> values;  // as written (escapes kept); none for a keyword
  bool keyword = false;
  std::string text;  // the item as written, "(tag=...)" or "keyword"
};

// Splits an attribute list into its items. Empty items (a trailing comma,
// ",,") are skipped. nullopt for unbalanced parentheses or an item
// "(...)" without '='.
std::optional<std::vector<Attribute>> ParseAttributes(std::string_view list);

// The items of the list whose tag matches one of the comma-separated tags
// (case-insensitive, '*' as wildcard), joined by commas; every item when the
// tag list is empty.
std::string SelectAttributes(const std::vector<Attribute>& attrs, std::string_view tags);

// Evaluates an LDAPv3 filter against the attributes. An empty filter
// matches. nullopt when the filter does not parse.
std::optional<bool> MatchFilter(std::string_view filter, const std::vector<Attribute>& attrs);

// Case-insensitive comparison with '*' matching any run of characters.
bool WildcardMatch(std::string_view pattern, std::string_view text);

// Trims white space and folds case, for comparisons of tags and values.
std::string Fold(std::string_view s);

// Splits a comma-separated list (scopes, tags, responders), trimming items
// and skipping empty ones.
std::vector<std::string> SplitList(std::string_view list);

}  // namespace slp
