#include "runtime/normalize.h"

#include <algorithm>

#include "util/unicode.h"
#include "util/utf.h"

namespace velmora {
namespace {

void lowercase_per_character(std::string_view word, std::u16string& out) {
  const auto* s = reinterpret_cast<const uint8_t*>(word.data());
  const size_t n = word.size();  // words of 2 GiB and more are stemmed too
  out.reserve(out.size() + n);    // a UTF-8 byte per key unit, for nearly every text
  size_t i = 0;
  while (i < n) {
    if (s[i] < 0x80) {  // a run of ASCII at once
      size_t end = i + 1;
      while (end < n && s[end] < 0x80) ++end;
      const size_t at = out.size();
      out.resize(at + (end - i));
      for (char16_t* d = out.data() + at; i < end; ++i) *d++ = char16_t(ascii_lower(s[i]));
      continue;
    }
    const char32_t c = next_code_point_utf8(s, i);
    if (is_lowercase(c)) {
      append_code_point_utf16(uint32_t(c), out);
    } else {
      append_lowercase_code_point(c, out);
    }
  }
}

bool has_uppercase(std::u16string_view text) {
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const char32_t c = next_code_point(text, i);
    if (c < 0x80) {
      if (is_ascii_upper(uint32_t(c))) return true;
    } else if (is_uppercase(c)) {
      return true;
    }
  }
  return false;
}

// A piece of at most `max_units` units ends before a code point where NFD may
// restart (the decompositions of the pieces join into that of the whole) and
// that is neither cased nor case-ignorable (so the Final_Sigma context of the
// root lowercase mapping stops there on either side). Returns the piece's end;
// a text with no such point near the limit is cut at the last NFD boundary instead.
size_t piece_end(std::u16string_view text, size_t begin, size_t max_units) {
  if (text.size() - begin <= max_units) return text.size();
  const size_t limit = begin + max_units;
  size_t fallback = 0;
  for (size_t i = limit; i > begin; --i) {
    if (is_low_surrogate(text[i]) && is_high_surrogate(text[i - 1])) continue;  // inside a pair
    size_t j = i;
    const char32_t c = next_code_point(text, j);
    if (!starts_with_starter(c)) continue;
    if (!is_cased(c) && !is_case_ignorable(c)) return i;
    if (!fallback) fallback = i;
    if (limit - i > (size_t(1) << 16) && fallback) return fallback;
  }
  return fallback ? fallback : limit - (is_low_surrogate(text[limit]) ? 1 : 0);
}

// The root lowercase mapping (when `lowercase`), NFD and the removal of non-spacing marks for one piece.
void remove_diacritics_piece(bool lowercase, std::u16string_view piece, std::u16string& lowered,
                             std::u32string& decomposed, std::u16string& out) {
  if (lowercase) {
    lowered.clear();
    append_lowercase(piece, lowered);
    piece = lowered;
  }
  decomposed.clear();
  append_nfd(piece, decomposed);
  for (const char32_t c : decomposed) {
    if (general_category(c) != GeneralCategory::kMn) append_code_point_utf16(uint32_t(c), out);
  }
}

}  // namespace

void remove_diacritics(CaseMode case_mode, std::string_view word, size_t max_piece_units,
                       std::u16string& out) {
  const std::u16string text = to_utf16(word);
  // Lowercasing and NFD each make a text a few times longer at most: pieces
  // bound the temporaries of a long text.
  std::u16string lowered;
  std::u32string decomposed;
  max_piece_units = std::clamp<size_t>(max_piece_units, 2, kMaxNormalizationPiece);
  // Only a text with an uppercase letter is lowercased (titlecase letters alone
  // stay), decided once for the whole text.
  const bool lowercase = case_mode == CaseMode::kLowercaseWithLocaleRoot && has_uppercase(text);
  for (size_t begin = 0; begin < text.size();) {
    const size_t end = piece_end(text, begin, max_piece_units);
    remove_diacritics_piece(lowercase, std::u16string_view(text).substr(begin, end - begin), lowered,
                            decomposed, out);
    begin = end;
  }
}

void normalize_word(CaseMode case_mode, DiacriticMode diacritic_mode, std::string_view word,
                    std::u16string& out) {
  out.clear();
  if (diacritic_mode == DiacriticMode::kRemove) {
    remove_diacritics(case_mode, word, kMaxNormalizationPiece, out);
  } else if (case_mode == CaseMode::kAsIs) {
    append_utf16(word, out);
  } else {
    lowercase_per_character(word, out);
  }
}

}  // namespace velmora
