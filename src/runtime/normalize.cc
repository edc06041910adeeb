#include "runtime/normalize.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>

#include "util/utf.h"

namespace velmora {
namespace {

// Full lowercase mapping of one code point, without context (root locale).
void append_full_lower(UChar32 c, std::u16string& out) {
  UChar src[2];
  int32_t src_len = 0;
  U16_APPEND_UNSAFE(src, src_len, c);
  UChar dest[8];
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = u_strToLower(dest, 8, src, src_len, "", &status);
  if (U_FAILURE(status) || n > 8) {
    out.append(reinterpret_cast<const char16_t*>(src), size_t(src_len));
    return;
  }
  out.append(reinterpret_cast<const char16_t*>(dest), size_t(n));
}

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
    UChar32 c;
    U8_NEXT_UNSAFE(s, i, c);
    if (u_hasBinaryProperty(c, UCHAR_LOWERCASE)) {
      append_code_point_utf16(uint32_t(c), out);
    } else {
      append_full_lower(c, out);
    }
  }
}

bool has_uppercase(std::u16string_view text) {
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    UChar32 c;
    U16_NEXT(text.data(), i, n, c);
    if (c < 0x80) {
      if (is_ascii_upper(uint32_t(c))) return true;
    } else if (u_hasBinaryProperty(c, UCHAR_UPPERCASE)) {
      return true;
    }
  }
  return false;
}

// ICU takes int32_t lengths. A piece of at most `max_units` units ends before
// a code point where NFD may restart (the decompositions of the pieces join
// into that of the whole) and that is neither cased nor case-ignorable (so the
// Final_Sigma context of the root lowercase mapping stops there on either
// side). Returns the piece's end; a text with no such point near the limit is
// cut at the last NFD boundary instead.
size_t piece_end(const UNormalizer2* nfd, std::u16string_view text, size_t begin, size_t max_units) {
  if (text.size() - begin <= max_units) return text.size();
  const size_t limit = begin + max_units;
  size_t fallback = 0;
  for (size_t i = limit; i > begin; --i) {
    if (U16_IS_TRAIL(text[i]) && U16_IS_LEAD(text[i - 1])) continue;  // inside a pair
    UChar32 c;
    size_t j = i;
    U16_NEXT(text.data(), j, text.size(), c);
    if (!nfd || !unorm2_hasBoundaryBefore(nfd, c)) continue;
    if (!u_hasBinaryProperty(c, UCHAR_CASED) && !u_hasBinaryProperty(c, UCHAR_CASE_IGNORABLE)) return i;
    if (!fallback) fallback = i;
    if (limit - i > (size_t(1) << 16) && fallback) return fallback;
  }
  return fallback ? fallback : limit - (U16_IS_TRAIL(text[limit]) ? 1 : 0);
}

// The root lowercase mapping (when `lowercase`), NFD and the removal of non-spacing marks for one piece.
void remove_diacritics_piece(bool lowercase, const UNormalizer2* nfd, std::u16string_view piece,
                             std::u16string& out) {
  std::u16string lowered;
  if (lowercase) {
    UErrorCode status = U_ZERO_ERROR;
    const auto* src = reinterpret_cast<const UChar*>(piece.data());
    int32_t needed = u_strToLower(nullptr, 0, src, int32_t(piece.size()), "", &status);
    lowered.assign(size_t(needed), u'\0');
    status = U_ZERO_ERROR;
    u_strToLower(reinterpret_cast<UChar*>(lowered.data()), needed, src, int32_t(piece.size()), "",
                 &status);
    if (U_SUCCESS(status)) piece = lowered;
  }
  UErrorCode status = U_ZERO_ERROR;
  std::u16string decomposed;
  if (nfd) {
    const auto* src = reinterpret_cast<const UChar*>(piece.data());
    int32_t needed = unorm2_normalize(nfd, src, int32_t(piece.size()), nullptr, 0, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(status)) {
      status = U_ZERO_ERROR;
      decomposed.assign(size_t(needed), u'\0');
      unorm2_normalize(nfd, src, int32_t(piece.size()), reinterpret_cast<UChar*>(decomposed.data()),
                       needed, &status);
    }
  }
  if (!nfd || U_FAILURE(status)) decomposed = piece;  // ICU data missing: keep the text as it is

  const size_t n = decomposed.size();
  for (size_t i = 0; i < n;) {
    UChar32 c;
    U16_NEXT(decomposed.data(), i, n, c);
    if (u_charType(c) != U_NON_SPACING_MARK) append_code_point_utf16(uint32_t(c), out);
  }
}

}  // namespace

void remove_diacritics(CaseMode case_mode, std::string_view word, size_t max_piece_units,
                       std::u16string& out) {
  const std::u16string text = to_utf16(word);
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
  if (U_FAILURE(status)) nfd = nullptr;
  // Lowercasing and NFD each make a text a few times longer at most: pieces of
  // 64 Mi units keep every length ICU sees within int32_t.
  max_piece_units = std::clamp<size_t>(max_piece_units, 2, kMaxNormalizationPiece);
  // Only a text with an uppercase letter is lowercased (titlecase letters alone
  // stay), decided once for the whole text.
  const bool lowercase = case_mode == CaseMode::kLowercaseWithLocaleRoot && has_uppercase(text);
  for (size_t begin = 0; begin < text.size();) {
    const size_t end = piece_end(nfd, text, begin, max_piece_units);
    remove_diacritics_piece(lowercase, nfd, std::u16string_view(text).substr(begin, end - begin), out);
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
