// The stem engine behind a StemmerCore: a shared compiled trie, an optional
// never-evicting result cache, and the per-word and batch operations that turn
// stems into Python objects under the two result conventions.
// Used by the StemmerCore class and the TrieBuilder's build().
#pragma once

#include "pyext/py_ref.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/flat_string_map.h"
#include "runtime/compiled_trie.h"
#include "runtime/stem_walk.h"
#include "util/ascii.h"

namespace velmora::py {

// Plain results give None for a word without a stem; keep-input results give
// the input word for it and for the pass-through words "cars" and "unknown".
enum class ResultConvention : uint8_t { kPlain, kKeepInput };

// "cars" or "unknown", ASCII letters compared without regard to case. A fixed
// list, not a property of any model: returning these two words unchanged is
// part of the keep-input contract of stemWord/stemWords that callers rely on,
// so it holds whatever the trie says.
bool is_pass_through_word(std::string_view word);

// Result cache keyed by the word's UTF-8 bytes; holds one reference per value.
// The engine stores only words and stems of up to kMaxCachedWordBytes.
class StemCache {
 public:
  explicit StemCache(uint64_t capacity);
  ~StemCache();
  StemCache(const StemCache&) = delete;
  StemCache& operator=(const StemCache&) = delete;

  // The keyed hash of a word, computed once per call and passed to both steps.
  uint64_t hash(std::string_view word) const;
  // A new reference to the stored object, or null.
  PyObject* lookup(std::string_view word, uint64_t hash, bool& has_room);
  // Stores `value` unless the word is present (then returns the stored object,
  // a new reference) or the cache is full. Returns null when `value` stands.
  PyObject* insert(std::string_view word, uint64_t hash, PyObject* value);

 private:
  // No lock: every call that reaches the cache holds the interpreter lock,
  // which serialises them (the module refuses subinterpreters, the stable ABI
  // it is built for has no free-threaded interpreter, and the walks that
  // release the lock never touch the cache).
  uint64_t capacity_;
  uint64_t k0_, k1_;  // hash keys, random per cache
  FlatStringMap<PyObject*> map_;
};

class StemEngine {
 public:
  StemEngine(std::shared_ptr<CompiledTrie> trie, uint64_t cache_size,
             std::optional<ModelModes> recorded_modes = std::nullopt);

  const CompiledTrie& trie() const { return *trie_; }
  // The modes of the image the trie was loaded from; nullopt for a dictionary or a builder.
  const std::optional<ModelModes>& recorded_modes() const { return recorded_modes_; }
  bool has_cache() const { return cache_ != nullptr; }

  // The stem as a new str, or null without error when there is none. Returns
  // false with a Python error set on failure.
  bool stem_one(std::string_view word, StemScratch& scratch, PyRef& out) const;
  // str or None (plain results), through the cache when there is one and the
  // word and its stem are short enough to keep. Null on error.
  PyObject* stem_cached(std::string_view word, StemScratch& scratch) const;
  // One result per word of a list or tuple of str already converted to UTF-8;
  // items[i] is word i's str (held by the caller), or items is null.
  PyObject* stem_sequence(const std::string_view* words, const PyRef* items, size_t n,
                          ResultConvention convention) const;
  // Plain results for a list without a cache, its items read as the walk
  // goes. Null without an error set when an item is not a str with a UTF-8
  // form (bytes, another type, a lone surrogate): the caller then takes the
  // iterable path, which gives such items the results and exceptions every
  // other path gives them.
  PyObject* stem_str_list(PyObject* words) const;
  // Any iterable of str and bytes.
  PyObject* stem_iterable(PyObject* iterable, ResultConvention convention) const;

 private:
  std::shared_ptr<CompiledTrie> trie_;
  std::unique_ptr<StemCache> cache_;
  std::optional<ModelModes> recorded_modes_;
  bool direct_;
};

// Strict UTF-8 check of a bytes object's content; raises UnicodeDecodeError.
bool decode_word_bytes(PyObject* bytes, std::string_view& out);

// Creates a list of length n, or raises (MemoryError "failed to allocate output
// list" when the interpreter set no error itself).
PyObject* new_result_list(Py_ssize_t n);

// A list of length n, item i being the new reference `make(i)` returns; null
// (with the error set) as soon as `make` returns null.
template <typename Make>
PyObject* filled_list(size_t n, Make&& make) {
  PyRef list(new_result_list(Py_ssize_t(n)));
  if (!list) return nullptr;
  for (size_t i = 0; i < n; ++i) {
    PyObject* item = make(i);
    if (!item) return nullptr;
    PyList_SetItem(list.get(), Py_ssize_t(i), item);
  }
  return list.release();
}

// A new list of new str objects.
PyObject* str_list(const std::vector<std::string>& texts);

inline PyObject* str_from(std::string_view text) {
  return PyUnicode_FromStringAndSize(text.data(), Py_ssize_t(text.size()));
}

// The result str for `text` made from the word `word`, whose str object is
// `item` (null where unknown): `item` itself when it is an exact str and the
// text is the word's, as str methods that change nothing return their input;
// else a new str.
// PERF NOTE: a third of the English list's words are their own stems; each
// shared str saves an allocation, a decode and the first touch of new memory
// (page faults a stem_batch of the list 2,518 -> 1,510). stem_batch over
// _echo_batch on the list, each pair's ratio: 1.25-1.28 -> 1.11-1.12 with a
// model that keeps case, 1.33-1.34 -> 1.19-1.27 with a lowercasing one.
inline PyObject* result_str(std::string_view text, std::string_view word, PyObject* item) {
  if (item && same_bytes(text, word) && PyUnicode_CheckExact(item)) {
    return new_ref(item);
  }
  return str_from(text);
}

}  // namespace velmora::py
