// Parsing of lookup modes and the escaped literal of the refusal message.
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdio>

#include "util/utf.h"
#include "runtime/compiled_trie.h"

namespace velmora {
namespace {

// Printable as Python's str.isprintable() sees it: not a control, format,
// surrogate, private-use or unassigned code point, and no separator but the space.
bool is_printable(UChar32 c) {
  if (c == ' ') return true;
  switch (u_charType(c)) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_SURROGATE:
    case U_PRIVATE_USE_CHAR:
    case U_UNASSIGNED:
    case U_SPACE_SEPARATOR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
      return false;
    default:
      return true;
  }
}

std::string quoted_literal(std::string_view text) {
  std::string out = "\"";
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    UChar32 c;
    U8_NEXT(s, i, n, c);
    if (c < 0) c = kReplacementCharacter;
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
  return invalid_data("invalid lookup mode " + quoted_literal(text) +
                      "; expected 'first', 'last', or 'all'");
}

}  // namespace velmora
