// Helpers shared by the core tests.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "image/gzip.h"
#include "runtime/compiled_trie.h"
#include "train/dictionary.h"
#include "train/freeze.h"
#include "util/utf.h"

namespace velmora::testing {

inline std::u16string u16(std::string_view utf8) { return to_utf16(utf8); }
inline std::string u8(std::u16string_view units) { return to_utf8(units); }

// The shared English source dictionary's text, or empty where the shared
// data is not present (the tests that read it then skip).
inline std::string english_dictionary_text() {
  std::ifstream in(std::string(VELMORA_DATA_DIR) + "/en_US.tsv.gz", std::ios::binary);
  std::stringstream raw;
  raw << in.rdbuf();
  if (raw.str().empty()) return {};
  return gunzip_if_gzipped(raw.str()).value();
}

// Every form of every entry of a dictionary's text (with the stems too when
// `with_stems`), in order.
inline std::vector<std::string> dictionary_words(std::string_view text, bool with_stems) {
  std::vector<std::string> words;
  const auto entries = parse_dictionary(text).value();
  for (const auto& e : entries) {
    if (with_stems) words.push_back(to_utf8(e.stem));
    for (const auto& w : e.words) words.push_back(to_utf8(w));
  }
  return words;
}

// The runtime trie built from a dictionary's text, read in either direction.
inline Expected<std::shared_ptr<CompiledTrie>> trie_from_dictionary(std::string_view text, bool backward) {
  return compile_trie(freeze(build_frequency_trie(text, ModelOptions{.backward = backward}).value()),
                      ModelModes{backward ? TraversalDirection::kBackward : TraversalDirection::kForward});
}

// `word` with its ASCII letters in upper case.
inline std::string ascii_upper(std::string word) {
  for (char& c : word) c = char(c >= 'a' && c <= 'z' ? c - 32 : c);
  return word;
}

}  // namespace velmora::testing
