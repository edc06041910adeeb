// The source dictionary reader: lines of a stem and the words that reduce to
// it, tab-separated, with "#" and "//" comments; and the build of a fresh
// frequency trie from them.
// Used by model loading and the tests.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "train/frequency_trie.h"

namespace velmora {

struct DictionaryEntry {
  std::u16string stem;
  std::vector<std::u16string> words;
};

// Called once per accepted line, in line order.
using EntryVisitor = std::function<void(const DictionaryEntry&)>;

// Bounds that keep memory per input byte small: a line holds at most
// kMaxLineBytes bytes and a stem or word at most kMaxFieldUnits UTF-16 units
// (the encoder's table grows with the product of two field lengths).
inline constexpr size_t kMaxLineBytes = size_t(1) << 24;
inline constexpr size_t kMaxFieldUnits = size_t(1) << 20;

// Parses dictionary bytes; invalid UTF-8 reads as U+FFFD.
// Errors (invalid data): "dictionary line N is longer than 16777216 bytes",
// "dictionary line N has a field longer than 1048576 units"; kCancelled every
// 256 lines once the work's cancellation scope asks it to stop.
Status for_each_dictionary_entry(std::string_view bytes, const EntryVisitor& visit);
Expected<std::vector<DictionaryEntry>> parse_dictionary(std::string_view bytes);

// Adds every entry to `trie`, keyed by `options.backward`: "Na" once per entry
// at the stem when `options.store_original`, and one count of the word's
// command per listed word (`options.lowercase` is not the trie's business).
// Errors: too large (FrequencyTrie::insert_rule) for a word and stem too long to encode.
Status add_dictionary_entry(FrequencyTrie& trie, const DictionaryEntry& entry, const ModelOptions& options);

// Parses `bytes` and builds a fresh trie from them; errors as for_each_dictionary_entry
// and add_dictionary_entry. When given, `word_forms` receives how many word
// forms the entries listed (a dictionary of stems alone lists none).
Expected<FrequencyTrie> build_frequency_trie(std::string_view bytes, const ModelOptions& options,
                                             size_t* word_forms = nullptr);

}  // namespace velmora
