#include "pyext/diagnostics.h"

#include "pyext/classes.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <unordered_map>

#include "pyext/py_args.h"
#include "pyext/stemmer_object.h"
#include "util/utf.h"
#include "command/direct_utf8.h"
#include "runtime/normalize.h"

namespace velmora::py {
namespace {

// `body(trie, words)` over the converted `words` argument.
template <typename Body>
PyObject* words_batch(const char* callable, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                      PyObject* kwnames, Body body) {
  auto on_trie = [&](const StemEngine& engine, TextSequence& seq) { return body(engine.trie(), seq); };
  return with_word_sequence(callable, self, args, nargs, kwnames, on_trie);
}

// Runs `per_word(trie, word, scratch)` for each word; returns the sum of its results.
template <typename PerWord>
PyObject* counting_batch(const char* callable, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames, PerWord per_word) {
  return words_batch(callable, self, args, nargs, kwnames, [&](const CompiledTrie& trie, TextSequence& seq) {
    StemScratch scratch;
    uint64_t total = 0;
    for (std::string_view w : seq.texts) total += per_word(trie, w, scratch);
    return PyLong_FromUnsignedLongLong(total);
  });
}

void normalize(const CompiledTrie& trie, std::string_view word, StemScratch& s) {
  normalize_word(trie.case_mode(), trie.diacritic_mode(), word, s.key);
}

const CompiledPatch* walk(const CompiledTrie& trie, std::string_view word, StemScratch& s) {
  normalize(trie, word, s);
  return preferred_patch(trie, s.key);
}

std::string compound_signature(const CompiledPatch& p) {
  std::string out;
  const size_t pairs = std::min(p.opcodes.size(), p.arguments.size());
  char buf[32];
  for (size_t i = 0; i < pairs; ++i) {
    if (i) out += ',';
    const char op = char(p.opcodes[i]);
    out += op;
    out += ':';
    switch (op) {
      case '-':
      case 'D':
        out += std::to_string(p.arguments[i]);
        break;
      case 'I':
      case 'R':
        std::snprintf(buf, sizeof buf, "%04" PRIX32, p.arguments[i]);
        out += buf;
        break;
      case 'N':
        out += '0';
        break;
      default:
        out += '?';
    }
  }
  return out;
}

PyObject* pair_list(const std::vector<std::pair<std::string, uint64_t>>& rows) {
  return filled_list(rows.size(), [&](size_t i) -> PyObject* {
    PyRef label(str_from(rows[i].first));
    PyRef count(PyLong_FromUnsignedLongLong(rows[i].second));
    PyRef tuple(PyTuple_New(2));
    if (!label || !count || !tuple) return nullptr;
    PyTuple_SetItem(tuple.get(), 0, label.release());
    PyTuple_SetItem(tuple.get(), 1, count.release());
    return tuple.release();
  });
}

PyObject* echo_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return words_batch("StemmerCore._echo_batch", self, args, nargs, kwnames,
                     [](const CompiledTrie&, TextSequence& seq) {
                       // Owned copies first, item references released, then the result list.
                       std::vector<std::string> copies(seq.texts.begin(), seq.texts.end());
                       seq = TextSequence{};
                       return str_list(copies);
                     });
}

PyObject* len_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return counting_batch("StemmerCore._len_batch", self, args, nargs, kwnames,
                        [](const CompiledTrie&, std::string_view w, StemScratch&) { return w.size(); });
}

// The ladder's rungs: each runs the production steps (word_key, key_value,
// finish_stem) up to its stage, so the ladder measures what ships.
PyObject* encode_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return counting_batch("StemmerCore._encode_batch", self, args, nargs, kwnames,
                        [](const CompiledTrie& t, std::string_view w, StemScratch& s) -> uint64_t {
                          const WordKey key = word_key(t, w, s);
                          return key.ascii ? key.bytes.size() : s.key.size();
                        });
}

PyObject* encodefind_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return counting_batch("StemmerCore._encodefind_batch", self, args, nargs, kwnames,
                        [](const CompiledTrie& t, std::string_view w, StemScratch& s) -> uint64_t {
                          return key_value(t, word_key(t, w, s), s) != kNoIndex;
                        });
}

// The generic UTF-16 application every direct form must agree with; the
// production path takes it only for patches without a direct form.
PyObject* stem_lengths_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return counting_batch("StemmerCore._stem_lengths_batch", self, args, nargs, kwnames,
                        [](const CompiledTrie& t, std::string_view w, StemScratch& s) -> uint64_t {
                          const CompiledPatch* p = walk(t, w, s);
                          if (!p) return 0;
                          apply_patch(*p, s.key, s.stem);
                          return s.stem.size();
                        });
}

PyObject* stem_utf8_lengths_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames) {
  // The grouped walk stem_batch runs, emitting lengths instead of str objects.
  return words_batch("StemmerCore._stem_utf8_lengths_batch", self, args, nargs, kwnames,
                     [](const CompiledTrie& t, TextSequence& seq) {
                       uint64_t total = 0;
                       auto word_at = [&](size_t i, std::string_view& word) {
                         return word = seq.texts[i], WordKind::kWord;
                       };
                       auto emit = [&](size_t, const StemView* stem) {
                         total += stem ? stem->text.size() : 0;
                         return true;
                       };
                       for_each_stem(t, seq.texts.size(), word_at, emit, t.direct_output_allowed());
                       return PyLong_FromUnsignedLongLong(total);
                     });
}

PyObject* patch_stats_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return words_batch("StemmerCore._patch_stats_batch", self, args, nargs, kwnames,
                     [](const CompiledTrie& trie, TextSequence& seq) {
    const bool direct = trie.direct_output_allowed();
    uint64_t kinds[kPatchKindCount] = {};
    uint64_t no_match = 0, slice_hits = 0, buffer_hits = 0;
    StemScratch s;
    for (std::string_view w : seq.texts) {
      const CompiledPatch* p = walk(trie, w, s);
      if (!p) {
        ++no_match;
        continue;
      }
      ++kinds[size_t(p->kind)];
      if (!direct) continue;
      if (apply_direct_slice(*p, w, s.key.size())) ++slice_hits;
      else if (apply_direct_buffer(*p, w, s.key.size(), s.utf8)) ++buffer_hits;
    }
    std::vector<std::pair<std::string, uint64_t>> rows;
    for (size_t k = 0; k < kPatchKindCount; ++k) rows.emplace_back(kPatchKindLabels[k], kinds[k]);
    rows.emplace_back("no_match", no_match);
    rows.emplace_back("direct_output_slice_hit", slice_hits);
    rows.emplace_back("direct_output_buffer_hit", buffer_hits);
    rows.emplace_back("direct_output_hit", slice_hits + buffer_hits);
    rows.emplace_back("total", uint64_t(seq.texts.size()));
    return pair_list(rows);
                     });
}

PyObject* backward_compound_patterns_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                           PyObject* kwnames) {
  return words_batch("StemmerCore._backward_compound_patterns_batch", self, args, nargs, kwnames,
                     [](const CompiledTrie& trie, TextSequence& seq) {
    std::unordered_map<std::string, uint64_t> counts;
    StemScratch s;
    for (std::string_view w : seq.texts) {
      const CompiledPatch* p = walk(trie, w, s);
      if (!p || p->kind != PatchKind::kBackwardCompound) continue;
      ++counts[compound_signature(*p)];
    }
    std::vector<std::pair<std::string, uint64_t>> rows(counts.begin(), counts.end());
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
      if (a.second != b.second) return a.second > b.second;
      return a.first < b.first;
    });
    return pair_list(rows);
                     });
}

PyObject* case_mode(PyObject* self, PyObject*) {
  const bool as_is = engine_of(self).trie().case_mode() == CaseMode::kAsIs;
  return PyUnicode_FromString(as_is ? "AS_IS" : "LOWERCASE_WITH_LOCALE_ROOT");
}

PyObject* value_layout_stats(PyObject* self, PyObject*) {
  const CompiledTrie& t = engine_of(self).trie();
  return Py_BuildValue("(KKK)", (unsigned long long)t.node_count(),
                       (unsigned long long)t.value_ids().size(), (unsigned long long)t.patches().size());
}

}  // namespace

PyMethodDef kDiagnosticMethods[] = {
    {"_echo_batch", as_cfunction(echo_batch), METH_FASTCALL | METH_KEYWORDS,
     "_echo_batch($self, words)\n--\n\nDiagnostic: input conversion only; copies every "
     "word's UTF-8 into an owned string and returns them as new str objects."},
    {"_len_batch", as_cfunction(len_batch), METH_FASTCALL | METH_KEYWORDS,
     "_len_batch($self, words)\n--\n\nDiagnostic: input conversion only; returns the "
     "sum of the words' UTF-8 lengths in bytes."},
    {"_encode_batch", as_cfunction(encode_batch), METH_FASTCALL | METH_KEYWORDS,
     "_encode_batch($self, words)\n--\n\nDiagnostic: conversion and the production key "
     "(an ASCII word's bytes, else normalized UTF-16); returns the sum of the key lengths."},
    {"_encodefind_batch", as_cfunction(encodefind_batch), METH_FASTCALL | METH_KEYWORDS,
     "_encodefind_batch($self, words)\n--\n\nDiagnostic: the production key and walk; "
     "returns the number of words whose walk found a value."},
    {"_stem_lengths_batch", as_cfunction(stem_lengths_batch), METH_FASTCALL | METH_KEYWORDS,
     "_stem_lengths_batch($self, words)\n--\n\nDiagnostic: normalization to UTF-16, walk, "
     "patch selection and the generic patch application every word could take; returns the "
     "sum of the stem lengths in UTF-16 units."},
    {"_stem_utf8_lengths_batch", as_cfunction(stem_utf8_lengths_batch), METH_FASTCALL | METH_KEYWORDS,
     "_stem_utf8_lengths_batch($self, words)\n--\n\nDiagnostic: the production stems "
     "(the grouped walk of stem_batch), without result objects; the returned sum of stem lengths in "
     "bytes only serves to keep the work from being optimised away."},
    {"_patch_stats_batch", as_cfunction(patch_stats_batch), METH_FASTCALL | METH_KEYWORDS,
     "_patch_stats_batch($self, words)\n--\n\nDiagnostic: normalization, walk and patch "
     "selection; counts the preferred patch kinds, misses and direct-output hits in 14 "
     "(label, count) rows. Separate from the production path; records nothing "
     "persistently."},
    {"_backward_compound_patterns_batch", as_cfunction(backward_compound_patterns_batch), METH_FASTCALL | METH_KEYWORDS,
     "_backward_compound_patterns_batch($self, words)\n--\n\nDiagnostic: normalization, "
     "walk and patch selection; counts the signatures of backward compound patches, "
     "sorted by descending frequency and then by signature, to point at compound "
     "patterns worth a specialised fast path."},
    {"_case_mode", case_mode, METH_NOARGS,
     "_case_mode($self)\n--\n\nDiagnostic: the effective case mode, AS_IS or "
     "LOWERCASE_WITH_LOCALE_ROOT."},
    {"_value_layout_stats", value_layout_stats, METH_NOARGS,
     "_value_layout_stats($self)\n--\n\nDiagnostic: (node count, value reference "
     "count, distinct patch count) of the compiled trie."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace velmora::py
