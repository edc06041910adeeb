// Parsing of lookup modes and the escaped literal of the refusal message.
#include <cstdio>

#include "util/unicode.h"
#include "util/utf.h"
#include "runtime/compiled_trie.h"
#include "util/error_texts.h"

namespace velmora {
namespace {

// Printable as Python's str.isprintable() sees it: not a control, format,
// surrogate, private-use or unassigned code point, and no separator but the space.
bool is_printable(char32_t c) {
  if (c == ' ') return true;
  switch (general_category(c)) {
    case GeneralCategory::kCc:
    case GeneralCategory::kCf:
    case GeneralCategory::kCs:
    case GeneralCategory::kCo:
    case GeneralCategory::kCn:
    case GeneralCategory::kZs:
    case GeneralCategory::kZl:
    case GeneralCategory::kZp:
      return false;
    default:
      return true;
  }
}

std::string quoted_literal(std::string_view text) {
  std::string out = "\"";
  std::u16string units;  // each ill-formed sequence is one U+FFFD here
  append_utf16_lossy(text, units);
  for (size_t i = 0; i < units.size();) {
    const char32_t c = next_code_point(units, i);
    switch (c) {
      case '"': out += "\\\""; continue;
      case '\\': out += "\\\\"; continue;
      case '\t': out += "\\t"; continue;
      case '\r': out += "\\r"; continue;
      case '\n': out += "\\n"; continue;
      default: break;
    }
    if (is_printable(c)) {
      append_code_point_utf8(uint32_t(c), out);
    } else {
      char buf[16];
      std::snprintf(buf, sizeof buf, "\\u{%x}", unsigned(c));
      out += buf;
    }
  }
  out += '"';
  return out;
}

}  // namespace

Expected<LookupMode> parse_lookup_mode(std::string_view text) {
  if (text == "first") return LookupMode::kFirst;
  if (text == "last") return LookupMode::kLast;
  if (text == "all") return LookupMode::kAll;
  return invalid_data(texts::kInvalidLookupMode + quoted_literal(text) +
                      texts::kExpectedLookupModes);
}

}  // namespace velmora
