#include "train/dictionary.h"

#include <string>

#include "command/encode.h"
#include "util/cancellation.h"
#include "util/unicode.h"
#include "util/utf.h"
#include "util/error_texts.h"

namespace velmora {
namespace {

std::u16string_view trim(std::u16string_view s) {
  // White_Space characters are all in the BMP, so unit-wise trimming is exact.
  size_t b = 0, e = s.size();
  while (b < e && is_white_space(s[b])) ++b;
  while (e > b && is_white_space(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool has_white_space(std::u16string_view s) {
  for (char16_t u : s) {
    if (is_white_space(u)) return true;
  }
  return false;
}

bool usable_field(std::u16string_view s) { return !s.empty() && !has_white_space(s); }

// Default lowercase mapping of the whole text, Final_Sigma included.
void lowercase_text(std::u16string_view text, std::u16string& out) {
  out.clear();
  append_lowercase(text, out);
}

size_t comment_start(std::u16string_view line) {
  const size_t hash = line.find(u'#');
  const size_t slashes = line.find(u"//");
  return std::min(hash, slashes);
}

}  // namespace

Status for_each_dictionary_entry(std::string_view bytes, const EntryVisitor& visit) {
  std::u16string line;
  std::u16string lowered;
  DictionaryEntry entry;
  size_t pos = 0;
  size_t line_number = 0;
  while (pos < bytes.size()) {
    ++line_number;
    if (line_number % 256 == 0 && stop_requested()) return cancelled();
    size_t end = bytes.find('\n', pos);
    const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view raw = bytes.substr(pos, end - pos);
    pos = next;
    if (raw.size() > kMaxLineBytes) {
      return invalid_data(texts::kDictionaryLine + std::to_string(line_number) + texts::kLineLongerThan +
                          std::to_string(kMaxLineBytes) + texts::kBytes);
    }
    if (!raw.empty() && raw.back() == '\r' && end < bytes.size()) raw.remove_suffix(1);

    line.clear();
    append_utf16_lossy(raw, line);
    std::u16string_view view(line);
    view = trim(view.substr(0, std::min(view.size(), comment_start(view))));
    if (view.empty()) continue;
    lowercase_text(view, lowered);

    std::u16string_view rest(lowered);
    size_t tab = rest.find(u'\t');
    std::u16string_view stem = trim(rest.substr(0, tab));
    if (!usable_field(stem)) continue;
    bool too_long = stem.size() > kMaxFieldUnits;
    entry.stem.assign(stem);
    entry.words.clear();
    while (tab != std::u16string_view::npos) {
      rest = rest.substr(tab + 1);
      tab = rest.find(u'\t');
      std::u16string_view word = trim(rest.substr(0, tab));
      too_long = too_long || word.size() > kMaxFieldUnits;
      if (usable_field(word)) entry.words.emplace_back(word);
    }
    if (too_long) {
      return invalid_data(texts::kDictionaryLine + std::to_string(line_number) +
                          texts::kFieldLongerThan + std::to_string(kMaxFieldUnits) + texts::kUnits);
    }
    visit(entry);
  }
  return ok_status();
}

Expected<std::vector<DictionaryEntry>> parse_dictionary(std::string_view bytes) {
  std::vector<DictionaryEntry> entries;
  Status s = for_each_dictionary_entry(bytes, [&](const DictionaryEntry& e) { entries.push_back(e); });
  if (!s) return s.take_error();
  return entries;
}

Status add_dictionary_entry(FrequencyTrie& trie, const DictionaryEntry& entry, const ModelOptions& options) {
  const bool backward = options.backward;
  for (const auto& word : entry.words) {
    if (word != entry.stem && !encodable(word.size(), entry.stem.size())) {
      return too_long_to_encode();
    }
  }
  if (options.store_original) {
    trie.add_count(trie.node_at_or_create(entry.stem, backward),
                   trie.commands().intern(kIdentityCommand), 1);
  }
  for (const auto& word : entry.words) {
    if (word == entry.stem) continue;
    const uint32_t command = trie.commands().intern(encode_patch(word, entry.stem, backward));
    trie.add_count(trie.node_at_or_create(word, backward), command, 1);
  }
  return ok_status();
}

Expected<FrequencyTrie> build_frequency_trie(std::string_view bytes, const ModelOptions& options,
                                             size_t* word_forms) {
  FrequencyTrie trie;
  Status added = ok_status();
  size_t words = 0;
  Status s = for_each_dictionary_entry(bytes, [&](const DictionaryEntry& e) {
    words += e.words.size();
    if (added) added = add_dictionary_entry(trie, e, options);
  });
  if (word_forms) *word_forms = words;
  if (!s) return s.take_error();
  if (!added) return added.take_error();
  return trie;
}

}  // namespace velmora
