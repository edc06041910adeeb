#include "runtime/normalize.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

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
  const int32_t n = int32_t(word.size());
  int32_t i = 0;
  while (i < n) {
    const uint8_t b = s[i];
    if (b < 0x80) {
      out.push_back(char16_t(ascii_lower(b)));
      ++i;
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

void remove_diacritics(CaseMode case_mode, std::string_view word, std::u16string& out) {
  std::u16string text = to_utf16(word);
  if (case_mode == CaseMode::kLowercaseWithLocaleRoot && has_uppercase(text)) {
    UErrorCode status = U_ZERO_ERROR;
    const auto* src = reinterpret_cast<const UChar*>(text.data());
    int32_t needed = u_strToLower(nullptr, 0, src, int32_t(text.size()), "", &status);
    std::u16string lowered(size_t(needed), u'\0');
    status = U_ZERO_ERROR;
    u_strToLower(reinterpret_cast<UChar*>(lowered.data()), needed, src, int32_t(text.size()), "",
                 &status);
    if (U_SUCCESS(status)) text.swap(lowered);
  }
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
  std::u16string decomposed;
  if (U_SUCCESS(status)) {
    const auto* src = reinterpret_cast<const UChar*>(text.data());
    int32_t needed = unorm2_normalize(nfd, src, int32_t(text.size()), nullptr, 0, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(status)) {
      status = U_ZERO_ERROR;
      decomposed.assign(size_t(needed), u'\0');
      unorm2_normalize(nfd, src, int32_t(text.size()), reinterpret_cast<UChar*>(decomposed.data()),
                       needed, &status);
    }
  }
  if (U_FAILURE(status)) decomposed = text;  // ICU data missing: keep the text as it is

  const size_t n = decomposed.size();
  for (size_t i = 0; i < n;) {
    UChar32 c;
    U16_NEXT(decomposed.data(), i, n, c);
    if (u_charType(c) != U_NON_SPACING_MARK) append_code_point_utf16(uint32_t(c), out);
  }
}

}  // namespace

void normalize_word(CaseMode case_mode, DiacriticMode diacritic_mode, std::string_view word,
                    std::u16string& out) {
  out.clear();
  if (diacritic_mode == DiacriticMode::kRemove) {
    remove_diacritics(case_mode, word, out);
  } else if (case_mode == CaseMode::kAsIs) {
    append_utf16(word, out);
  } else {
    lowercase_per_character(word, out);
  }
}

}  // namespace velmora
