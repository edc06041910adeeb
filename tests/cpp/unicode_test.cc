// The generated Unicode tables against the Unicode Character Database itself,
// read here by a parser of its own, for every code point: the properties, the
// general category and combining class, the full lowercase mapping with its
// Final_Sigma context, and NFD (single code points and the UCD's own
// NormalizationTest). The UCD is Debian's unicode-data package, whose version
// must be the one the tables pin.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/normalize.h"
#include "util/unicode.h"
#include "util/utf.h"

namespace velmora {
namespace {

constexpr const char* kUcdDir = VELMORA_UCD_DIR;
constexpr size_t kCodePoints = 0x110000;

std::string trim(std::string s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// The ';'-separated fields of each data line of a UCD file, comments cut.
std::vector<std::vector<std::string>> read_fields(std::istream& in) {
  std::vector<std::vector<std::string>> lines;
  std::string line;
  while (std::getline(in, line)) {
    line = trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string f;
    while (std::getline(ss, f, ';')) fields.push_back(trim(f));
    lines.push_back(fields);
  }
  return lines;
}

std::vector<char32_t> code_points(const std::string& text) {
  std::vector<char32_t> out;
  std::stringstream ss(text);
  std::string hex;
  while (ss >> hex) out.push_back(char32_t(std::stoul(hex, nullptr, 16)));
  return out;
}

std::pair<char32_t, char32_t> code_range(const std::string& text) {
  const size_t dots = text.find("..");
  const char32_t first = char32_t(std::stoul(text.substr(0, dots), nullptr, 16));
  return {first, dots == std::string::npos ? first : char32_t(std::stoul(text.substr(dots + 2), nullptr, 16))};
}

const char* const kCategories[] = {"Cn", "Lu", "Ll", "Lt", "Lm", "Lo", "Mn", "Me", "Mc", "Nd",
                                   "Nl", "No", "Zs", "Zl", "Zp", "Cc", "Cf", "Co", "Cs", "Pd",
                                   "Ps", "Pe", "Pc", "Po", "Sm", "Sc", "Sk", "So", "Pi", "Pf"};

struct Ucd {
  std::string version;
  std::vector<std::string> category = std::vector<std::string>(kCodePoints, "Cn");
  std::vector<int> ccc = std::vector<int>(kCodePoints, 0);
  std::map<char32_t, std::vector<char32_t>> decomposition;  // canonical, one level
  std::map<char32_t, std::vector<char32_t>> lower;          // full, unconditional
  std::map<std::string, std::vector<bool>> property;

  bool has(const char* name, char32_t c) const { return property.at(name)[c]; }
};

std::ifstream open_ucd(const std::string& name) {
  std::ifstream in(std::string(kUcdDir) + "/" + name);
  if (!in) ADD_FAILURE() << "cannot read " << kUcdDir << "/" << name << " (Debian's unicode-data package)";
  return in;
}

Ucd load_ucd() {
  Ucd ucd;
  {
    auto in = open_ucd("DerivedCoreProperties.txt");
    std::string first;
    std::getline(in, first);
    const size_t dash = first.rfind('-');
    if (dash != std::string::npos) ucd.version = first.substr(dash + 1, first.size() - dash - 5);
    in.seekg(0);
    for (const char* name : {"Lowercase", "Uppercase", "Cased", "Case_Ignorable", "White_Space"}) {
      ucd.property[name] = std::vector<bool>(kCodePoints, false);
    }
    auto mark = [&](std::istream& s) {
      for (const auto& f : read_fields(s)) {
        auto it = ucd.property.find(f[1]);
        if (it == ucd.property.end()) continue;
        const auto [lo, hi] = code_range(f[0]);
        for (char32_t c = lo; c <= hi; ++c) it->second[c] = true;
      }
    };
    mark(in);
    auto props = open_ucd("PropList.txt");
    mark(props);
  }
  auto data = open_ucd("UnicodeData.txt");
  char32_t range_first = 0;
  for (const auto& f : read_fields(data)) {
    const char32_t c = char32_t(std::stoul(f[0], nullptr, 16));
    if (f[1].find(", First>") != std::string::npos) {
      range_first = c;
      continue;
    }
    const char32_t from = f[1].find(", Last>") != std::string::npos ? range_first : c;
    for (char32_t d = from; d <= c; ++d) {
      ucd.category[d] = f[2];
      ucd.ccc[d] = std::stoi(f[3]);
    }
    if (!f[5].empty() && f[5][0] != '<') ucd.decomposition[c] = code_points(f[5]);
    if (f.size() > 13 && !f[13].empty()) ucd.lower[c] = code_points(f[13]);
  }
  auto special = open_ucd("SpecialCasing.txt");
  for (const auto& f : read_fields(special)) {
    if (f.size() > 4 && !f[4].empty()) continue;  // conditional
    ucd.lower[char32_t(std::stoul(f[0], nullptr, 16))] = code_points(f[1]);
  }
  return ucd;
}

const Ucd& ucd() {
  static const Ucd loaded = load_ucd();
  return loaded;
}

// NFD as the standard defines it: full canonical decomposition (Hangul by its
// arithmetic), then every run of non-starters stably sorted by combining class.
void decompose(const Ucd& u, char32_t c, std::vector<char32_t>& out) {
  if (c >= 0xAC00 && c < 0xAC00 + 11172) {
    const char32_t s = c - 0xAC00;
    out.push_back(0x1100 + s / 588);
    out.push_back(0x1161 + s % 588 / 28);
    if (s % 28) out.push_back(0x11A7 + s % 28);
    return;
  }
  auto it = u.decomposition.find(c);
  if (it == u.decomposition.end()) {
    out.push_back(c);
    return;
  }
  for (char32_t d : it->second) decompose(u, d, out);
}

std::u32string reference_nfd(const Ucd& u, const std::vector<char32_t>& text) {
  std::vector<char32_t> d;
  for (char32_t c : text) decompose(u, c, d);
  for (size_t i = 0; i < d.size();) {
    if (u.ccc[d[i]] == 0) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < d.size() && u.ccc[d[end]] != 0) ++end;
    std::stable_sort(d.begin() + long(i), d.begin() + long(end),
                     [&](char32_t a, char32_t b) { return u.ccc[a] < u.ccc[b]; });
    i = end;
  }
  return std::u32string(d.begin(), d.end());
}

std::u16string utf16_of(const std::vector<char32_t>& text) {
  std::u16string out;
  for (char32_t c : text) append_code_point_utf16(c, out);
  return out;
}

std::u16string lowered(std::u16string_view text) {
  std::u16string out;
  append_lowercase(text, out);
  return out;
}

bool is_surrogate_code_point(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

TEST(UnicodeTables, PinTheVersionOfTheInstalledDatabase) {
  EXPECT_EQ(ucd().version, kUnicodeVersion);
}

TEST(UnicodeTables, PropertiesCategoryAndCombiningClassOfEveryCodePoint) {
  const Ucd& u = ucd();
  const std::array<std::pair<const char*, bool (*)(char32_t)>, 5> props{{
      {"Lowercase", is_lowercase},
      {"Uppercase", is_uppercase},
      {"Cased", is_cased},
      {"Case_Ignorable", is_case_ignorable},
      {"White_Space", is_white_space},
  }};
  size_t failures = 0;
  for (char32_t c = 0; c < kCodePoints && failures < 20; ++c) {
    for (const auto& [name, test] : props) {
      if (test(c) != u.has(name, c)) {
        ADD_FAILURE() << name << " of U+" << std::hex << unsigned(c);
        ++failures;
      }
    }
    if (kCategories[int(general_category(c))] != u.category[c]) {
      ADD_FAILURE() << "general category of U+" << std::hex << unsigned(c);
      ++failures;
    }
    if (combining_class(c) != u.ccc[c]) {
      ADD_FAILURE() << "combining class of U+" << std::hex << unsigned(c);
      ++failures;
    }
  }
}

TEST(UnicodeTables, FullLowercaseMappingOfEveryCodePoint) {
  const Ucd& u = ucd();
  size_t failures = 0;
  for (char32_t c = 0; c < kCodePoints && failures < 20; ++c) {
    if (is_surrogate_code_point(c)) continue;
    auto it = u.lower.find(c);
    const std::u16string expected = it == u.lower.end() ? utf16_of({c}) : utf16_of(it->second);
    std::u16string alone;
    append_lowercase_code_point(c, alone);
    // In running text too, but for U+03A3 whose mapping depends on its neighbours.
    const std::u16string in_text = lowered(utf16_of({c}));
    if (alone != expected || in_text != expected) {
      ADD_FAILURE() << "lowercase of U+" << std::hex << unsigned(c);
      ++failures;
    }
  }
}

TEST(UnicodeTables, FullMappingsAndSigmaExamples) {
  EXPECT_EQ(lowered(u"\u0130"), u"i\u0307");            // İ
  EXPECT_EQ(lowered(u"\u03A3"), u"\u03C3");             // Σ alone is no word's end
  EXPECT_EQ(lowered(u"\u039F\u0394\u039F\u03A3"), u"\u03BF\u03B4\u03BF\u03C2");
  EXPECT_EQ(lowered(u"\u03A3\u039F"), u"\u03C3\u03BF");
  EXPECT_EQ(lowered(u"A\u03A3.B"), u"a\u03C3.b");        // '.' is case-ignorable: B follows
  EXPECT_EQ(lowered(u"A\u03A3 B"), u"a\u03C2 b");        // the space is not
  EXPECT_EQ(lowered(u"A\u03A3\xD800"), u"a\u03C2\xD800");  // an unpaired surrogate stays
}

// Σ between context characters: final when a cased letter precedes it and
// none follows it, case-ignorable characters skipped on either side (one that
// is cased as well counts as case-ignorable).
TEST(UnicodeTables, FinalSigmaContextOfEveryCodePoint) {
  const Ucd& u = ucd();
  size_t failures = 0;
  for (char32_t c = 0; c < kCodePoints && failures < 20; ++c) {
    if (is_surrogate_code_point(c) || c == 0x03A3 || c == 0x03C2 || c == 0x03C3) continue;
    const bool ignorable = u.has("Case_Ignorable", c);
    const bool cased = u.has("Cased", c);
    const std::u16string x = utf16_of({c});
    struct Context {
      std::u16string text;
      bool final;
    };
    const Context contexts[] = {
        {u"A" + x + u"\u03A3", ignorable || cased},  // what precedes Σ
        {x + u"\u03A3", !ignorable && cased},
        {u"A\u03A3" + x, ignorable || !cased},       // what follows it
        {u"A\u03A3" + x + u"b", !ignorable && !cased},
    };
    for (const Context& ctx : contexts) {
      const std::u16string out = lowered(ctx.text);
      const bool final = out.find(u'\u03C2') != std::u16string::npos;
      const bool sigma = out.find(u'\u03C3') != std::u16string::npos;
      if (final != ctx.final || final == sigma) {
        ADD_FAILURE() << "sigma beside U+" << std::hex << unsigned(c);
        ++failures;
      }
    }
  }
}

TEST(UnicodeTables, DecompositionOfEveryCodePoint) {
  const Ucd& u = ucd();
  size_t failures = 0;
  for (char32_t c = 0; c < kCodePoints && failures < 20; ++c) {
    if (is_surrogate_code_point(c)) continue;
    std::u32string nfd;
    append_nfd(utf16_of({c}), nfd);
    const std::u32string expected = reference_nfd(u, {c});
    // Nothing reorders or joins across the start of a code point whose decomposition starts with a starter.
    const bool starter_first = u.ccc[expected[0]] == 0;
    if (nfd != expected || starts_with_starter(c) != starter_first) {
      ADD_FAILURE() << "decomposition of U+" << std::hex << unsigned(c);
      ++failures;
    }
  }
}

// Every line of the UCD's NormalizationTest: c3 == NFD(c1) == NFD(c2) == NFD(c3), c5 == NFD(c4) == NFD(c5).
TEST(UnicodeTables, NormalizationTestOfTheDatabase) {
  const std::string command = std::string("bzip2 -dc ") + kUcdDir + "/NormalizationTest.txt.bz2";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  char buf[1 << 16];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
  ASSERT_EQ(pclose(pipe), 0) << command;
  std::istringstream in(text);
  size_t lines = 0, failures = 0;
  for (const auto& f : read_fields(in)) {
    if (f[0][0] == '@') continue;  // part headers
    ASSERT_GE(f.size(), 5u);
    auto nfd = [](const std::string& field) {
      std::u32string out;
      append_nfd(utf16_of(code_points(field)), out);
      return out;
    };
    const auto c3 = code_points(f[2]), c5 = code_points(f[4]);
    const std::u32string want3(c3.begin(), c3.end()), want5(c5.begin(), c5.end());
    ++lines;
    if (nfd(f[0]) != want3 || nfd(f[1]) != want3 || nfd(f[2]) != want3 || nfd(f[3]) != want5 ||
        nfd(f[4]) != want5) {
      if (++failures < 20) ADD_FAILURE() << "NormalizationTest line " << f[0];
    }
  }
  EXPECT_GT(lines, 10000u);
}

// The diacritic-removing key is the lowercase mapping, then NFD, less the non-spacing marks.
TEST(UnicodeTables, DiacriticRemovalDropsExactlyTheNonSpacingMarks) {
  const Ucd& u = ucd();
  size_t failures = 0;
  for (char32_t c = 0x80; c < 0x30000 && failures < 20; ++c) {
    if (is_surrogate_code_point(c)) continue;
    std::string word;
    append_code_point_utf8(uint32_t(c), word);
    word = "x" + word;
    std::u16string key;
    normalize_word(CaseMode::kAsIs, DiacriticMode::kRemove, word, key);
    std::u16string expected;
    for (char32_t d : reference_nfd(u, {'x', c})) {
      if (u.category[d] != "Mn") append_code_point_utf16(d, expected);
    }
    if (key != expected) {
      ADD_FAILURE() << "diacritic removal of U+" << std::hex << unsigned(c);
      ++failures;
    }
  }
}

}  // namespace
}  // namespace velmora
