#include "pyext/stem_engine.h"

#include <cstring>
#include <random>

#include "pyext/compat_messages.h"
#include "pyext/defaults.h"
#include "pyext/py_args.h"

#include "util/utf.h"

namespace velmora::py {

bool is_pass_through_word(std::string_view word) {
  auto equals_folded = [&](std::string_view lower) {
    if (word.size() != lower.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      char c = word[i];
      c = char(ascii_lower(uint8_t(c)));
      if (c != lower[i]) return false;
    }
    return true;
  };
  return equals_folded("cars") || equals_folded("unknown");
}

// ---- cache ---------------------------------------------------------------

// Eight bytes per step, mixed with the 64-bit golden ratio and the MurmurHash3
// finalizer multipliers; keyed per cache so that inputs cannot be chosen to collide.
uint64_t StemCache::hash(std::string_view s) const {
  uint64_t h = k0_ ^ (uint64_t(s.size()) * 0x9E3779B97F4A7C15ull);
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t chunk;
    std::memcpy(&chunk, s.data() + i, 8);
    h = (h ^ chunk) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 29;
  }
  uint64_t tail = 0;
  std::memcpy(&tail, s.data() + i, s.size() - i);
  h = (h ^ tail ^ k1_) * 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 32;
  h *= 0xFF51AFD7ED558CCDull;
  return h ^ (h >> 29);
}

namespace {
uint64_t random_key() {
  static std::random_device device;
  return (uint64_t(device()) << 32) ^ device();
}
}  // namespace

StemCache::StemCache(uint64_t capacity) : capacity_(capacity), k0_(random_key()), k1_(random_key()) {}

StemCache::~StemCache() {
  for (const auto& entry : map_.entries()) Py_DecRef(entry.value);
}

PyObject* StemCache::lookup(std::string_view word, uint64_t h, bool& has_room) {
  if (const auto* entry = map_.find(word, h)) return new_ref(entry->value);
  has_room = map_.size() < capacity_;
  return nullptr;
}

PyObject* StemCache::insert(std::string_view word, uint64_t h, PyObject* value) {
  if (const auto* entry = map_.find(word, h)) return new_ref(entry->value);
  if (map_.size() < capacity_) map_.insert(word, h, new_ref(value));
  return nullptr;
}

// ---- engine ----------------------------------------------------------------

StemEngine::StemEngine(std::shared_ptr<CompiledTrie> trie, uint64_t cache_size,
                       std::optional<ModelModes> recorded_modes)
    : trie_(std::move(trie)),
      cache_(cache_size ? std::make_unique<StemCache>(cache_size) : nullptr),
      recorded_modes_(recorded_modes),
      direct_(trie_->direct_output_allowed()) {}

bool StemEngine::stem_one(std::string_view word, StemScratch& scratch, PyRef& out) const {
  auto stem = find_stem(*trie_, word, scratch, direct_);
  if (!stem) {
    out.reset();
    return true;
  }
  out.reset(str_from(stem->text));
  return bool(out);
}

PyObject* StemEngine::stem_cached(std::string_view word, StemScratch& scratch) const {
  // Long words are rare and a stem costs little next to their own size, so
  // only short ones are kept: the cache's memory stays bounded by its entry count.
  const bool cacheable = cache_ && word.size() <= kMaxCachedWordBytes;
  bool has_room = false;
  const uint64_t hash = cacheable ? cache_->hash(word) : 0;
  if (cacheable) {
    if (PyObject* hit = cache_->lookup(word, hash, has_room)) return hit;
  }
  const auto stem = find_stem(*trie_, word, scratch, direct_);
  PyRef result(stem ? str_from(stem->text) : new_none());
  if (!result) return nullptr;
  if (has_room && (!stem || stem->text.size() <= kMaxCachedWordBytes)) {
    if (PyObject* stored = cache_->insert(word, hash, result.get())) return stored;
  }
  return result.release();
}

PyObject* new_result_list(Py_ssize_t n) {
  PyObject* list = PyList_New(n);
  if (!list && !PyErr_Occurred()) {
    PyErr_SetString(PyExc_MemoryError, compat::kOutputListAllocation);
  }
  return list;
}

PyObject* str_list(const std::vector<std::string>& texts) {
  return filled_list(texts.size(), [&](size_t i) { return str_from(texts[i]); });
}

namespace {

// The one list path of the grouped walk: result i is the stem of the word
// `read_word(i, word)` gives, made as the convention says; `item_at(i)` is
// that word's str (or null), alive until result i is made. read_word returns
// false to give up (no error set); the list is then abandoned and null
// returned without an error, for the caller to take another path.
// word_at runs up to kStemGroup words ahead of emit (see for_each_stem), so
// each word's view is kept until its result is made.
template <typename ReadWord, typename ItemAt>
PyObject* walk_into_list(const CompiledTrie& trie, size_t n, ReadWord&& read_word, ItemAt&& item_at,
                         ResultConvention convention, bool allow_direct) {
  PyRef list(new_result_list(Py_ssize_t(n)));
  if (!list) return nullptr;
  const bool keep = convention == ResultConvention::kKeepInput;
  bool gave_up = false;
  std::string_view seen[kStemGroup];
  auto word_at = [&](size_t i, std::string_view& word) {
    if (!read_word(i, word)) {
      gave_up = true;
      return WordKind::kNotAWord;
    }
    seen[i % kStemGroup] = word;
    return WordKind::kWord;
  };
  auto emit = [&](size_t i, const StemView* stem) {
    if (gave_up) return false;
    const std::string_view word = seen[i % kStemGroup];
    PyObject* result;
    // Keep-input results replace a missing stem or a pass-through word by the word.
    if (keep && (!stem || is_pass_through_word(word))) {
      result = result_str(word, word, item_at(i));
    } else {
      result = stem ? result_str(stem->text, word, item_at(i)) : new_none();
    }
    if (!result) return false;
    PyList_SetItem(list.get(), Py_ssize_t(i), result);
    return true;
  };
  if (!for_each_stem(trie, n, word_at, emit, allow_direct)) {
    // A list that shrank under a finalizer leaves PyList_GetItem's IndexError.
    if (gave_up) PyErr_Clear();
    return nullptr;
  }
  return list.release();
}

}  // namespace

PyObject* StemEngine::stem_sequence(const std::string_view* words, const PyRef* items, size_t n,
                                    ResultConvention convention) const {
  if (!cache_) {
    return walk_into_list(
        *trie_, n, [words](size_t i, std::string_view& word) { return word = words[i], true; },
        [items](size_t i) { return items ? items[i].get() : nullptr; }, convention, direct_);
  }
  PyRef list(new_result_list(Py_ssize_t(n)));
  if (!list) return nullptr;
  const bool keep = convention == ResultConvention::kKeepInput;
  StemScratch scratch;
  for (size_t i = 0; i < n; ++i) {
    PyRef result(stem_cached(words[i], scratch));
    if (!result) return nullptr;
    if (keep && (result.get() == Py_None || is_pass_through_word(words[i]))) {
      result.reset(str_from(words[i]));
      if (!result) return nullptr;
    }
    PyList_SetItem(list.get(), Py_ssize_t(i), result.release());
  }
  return list.release();
}

PyObject* StemEngine::stem_str_list(PyObject* words) const {
  // The walk reads a group of words before it makes their results; holding
  // each item keeps its UTF-8 alive should a finalizer run by those
  // allocations take it out of the list.
  PyRef held[kStemGroup];
  auto read_word = [&](size_t i, std::string_view& text) {
    PyObject* item = PyList_GetItem(words, Py_ssize_t(i));
    held[i % kStemGroup] = PyRef::borrow(item);
    return item && text_of(item, text);
  };
  auto item_at = [&](size_t i) { return held[i % kStemGroup].get(); };
  return walk_into_list(*trie_, size_t(PyList_Size(words)), read_word, item_at, ResultConvention::kPlain, direct_);
}

PyObject* StemEngine::stem_iterable(PyObject* iterable, ResultConvention convention) const {
  PyRef list(PyList_New(0));
  if (!list) return nullptr;
  PyRef iter(PyObject_GetIter(iterable));
  if (!iter) return nullptr;
  StemScratch scratch;
  const bool keep = convention == ResultConvention::kKeepInput;
  while (PyRef item{PyIter_Next(iter.get())}) {
    PyRef result;
    if (PyUnicode_Check(item.get())) {
      Py_ssize_t size = 0;
      const char* text = PyUnicode_AsUTF8AndSize(item.get(), &size);
      if (!text) return nullptr;
      const std::string_view word(text, size_t(size));
      result.reset(stem_cached(word, scratch));
      if (!result) return nullptr;
      if (keep && (result.get() == Py_None || is_pass_through_word(word))) {
        result = PyRef::borrow(item.get());
      }
    } else if (PyBytes_Check(item.get())) {
      std::string_view word;
      if (!decode_word_bytes(item.get(), word)) return nullptr;
      PyRef stem(stem_cached(word, scratch));
      if (!stem) return nullptr;
      if (keep && (stem.get() == Py_None || is_pass_through_word(word))) {
        result = PyRef::borrow(item.get());
      } else if (stem.get() == Py_None) {
        result = std::move(stem);
      } else {
        result.reset(PyUnicode_AsEncodedString(stem.get(), "utf-8", "strict"));
        if (!result) return nullptr;
      }
    } else {
      PyErr_SetString(PyExc_TypeError, compat::kStemWordsItemType);
      return nullptr;
    }
    if (PyList_Append(list.get(), result.get()) < 0) return nullptr;
  }
  if (PyErr_Occurred()) return nullptr;
  return list.release();
}

bool decode_word_bytes(PyObject* bytes, std::string_view& out) {
  const char* data = PyBytes_AsString(bytes);
  if (!data) return false;
  const Py_ssize_t size = PyBytes_Size(bytes);
  const std::string_view view(data, size_t(size));
  const Utf8Check check = check_utf8(view);
  if (check.ok) {
    out = view;
    return true;
  }
  const size_t start = check.valid_up_to;
  std::string reason = compat::kInvalidUtf8;
  size_t end;
  if (check.error_length == 0) {
    reason += compat::kIncompleteUtf8 + std::to_string(start);
    end = start + 1;
  } else {
    reason += compat::kInvalidUtf8Sequence + std::to_string(check.error_length) + compat::kBytesFromIndex +
              std::to_string(start);
    end = start + check.error_length;
  }
  PyRef error(PyUnicodeDecodeError_Create("utf-8", data, size, Py_ssize_t(start), Py_ssize_t(end),
                                          reason.c_str()));
  if (error) PyErr_SetObject(PyExc_UnicodeDecodeError, error.get());
  return false;
}

}  // namespace velmora::py
