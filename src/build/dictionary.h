// The source dictionary reader: lines of a stem and the words that reduce to
// it, tab-separated, with "#" and "//" comments; and the build of a fresh
// frequency trie from them.
// Used by model loading and the tests.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "build/frequency_trie.h"

namespace velmora {

struct DictionaryEntry {
  std::u16string stem;
  std::vector<std::u16string> words;
};

// Called once per accepted line, in line order.
using EntryVisitor = std::function<void(const DictionaryEntry&)>;

// Parses dictionary bytes; invalid UTF-8 reads as U+FFFD. Never fails.
void for_each_dictionary_entry(std::string_view bytes, const EntryVisitor& visit);
std::vector<DictionaryEntry> parse_dictionary(std::string_view bytes);

// Adds every entry to `trie`: "Na" once per entry at the stem when
// `store_original`, and one count of the word's command per listed word.
void add_dictionary_entry(FrequencyTrie& trie, const DictionaryEntry& entry, bool backward,
                          bool store_original);

// Parses `bytes` and builds a fresh trie from them.
FrequencyTrie build_frequency_trie(std::string_view bytes, bool backward, bool store_original);

}  // namespace velmora
