// The diagnostic methods of StemmerCore: each batch method runs a prefix of the
// stemming pipeline over a list of words and returns an aggregate, so that the
// cost of every stage can be measured; three more report fixed facts.
#pragma once

#include "pyext/classes.h"

namespace velmora::py {

PyObject* echo_batch(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* len_batch(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* encode_batch(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* encodefind_batch(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* encodefindpatch_batch(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* stem_lengths_batch(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* stem_utf8_lengths_batch(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* patch_stats_batch(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* backward_compound_patterns_batch(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* case_mode(PyObject*, PyObject*);
PyObject* optimization_tag(PyObject*, PyObject*);
PyObject* value_layout_stats(PyObject*, PyObject*);

}  // namespace velmora::py

#define VELMORA_DIAG(name, fn, doc) \
  {name, ::velmora::py::as_cfunction(::velmora::py::fn), METH_FASTCALL | METH_KEYWORDS, doc},
#define VELMORA_DIAG0(name, fn, doc) {name, ::velmora::py::fn, METH_NOARGS, doc},

#define DIAGNOSTIC_METHODS                                                                          \
  VELMORA_DIAG("_echo_batch", echo_batch,                                                           \
               "_echo_batch($self, words)\n--\n\nDiagnostic: input conversion only; copies every "  \
               "word's UTF-8 into an owned string and returns them as new str objects.")            \
  VELMORA_DIAG("_len_batch", len_batch,                                                             \
               "_len_batch($self, words)\n--\n\nDiagnostic: input conversion only; returns the "    \
               "sum of the words' UTF-8 lengths in bytes.")                                         \
  VELMORA_DIAG("_encode_batch", encode_batch,                                                       \
               "_encode_batch($self, words)\n--\n\nDiagnostic: conversion and normalization; "      \
               "returns the sum of the key lengths in UTF-16 units.")                               \
  VELMORA_DIAG("_encodefind_batch", encodefind_batch,                                               \
               "_encodefind_batch($self, words)\n--\n\nDiagnostic: normalization and trie walk; "   \
               "returns the number of words whose walk found a node.")                              \
  VELMORA_DIAG("_encodefindpatch_batch", encodefindpatch_batch,                                     \
               "_encodefindpatch_batch($self, words)\n--\n\nDiagnostic: normalization, trie walk "  \
               "and patch selection; returns the number of words with a preferred patch.")          \
  VELMORA_DIAG("_stem_lengths_batch", stem_lengths_batch,                                           \
               "_stem_lengths_batch($self, words)\n--\n\nDiagnostic: normalization, walk, patch "   \
               "selection and generic patch application; returns the sum of the stem lengths in "   \
               "UTF-16 units.")                                                                     \
  VELMORA_DIAG("_stem_utf8_lengths_batch", stem_utf8_lengths_batch,                                 \
               "_stem_utf8_lengths_batch($self, words)\n--\n\nDiagnostic: the whole production "    \
               "pipeline up to UTF-8 rendering (direct output where allowed); the returned sum of " \
               "stem lengths in bytes only serves to keep the work from being optimised away.")     \
  VELMORA_DIAG("_patch_stats_batch", patch_stats_batch,                                             \
               "_patch_stats_batch($self, words)\n--\n\nDiagnostic: normalization, walk and patch " \
               "selection; counts the preferred patch kinds, misses and direct-output hits in 14 "  \
               "(label, count) rows. Separate from the production path; records nothing "           \
               "persistently.")                                                                     \
  VELMORA_DIAG("_backward_compound_patterns_batch", backward_compound_patterns_batch,               \
               "_backward_compound_patterns_batch($self, words)\n--\n\nDiagnostic: normalization, " \
               "walk and patch selection; counts the signatures of backward compound patches, "     \
               "sorted by descending frequency and then by signature, to point at compound "        \
               "patterns worth a specialised fast path.")                                           \
  VELMORA_DIAG0("_case_mode", case_mode,                                                            \
                "_case_mode($self)\n--\n\nDiagnostic: the effective case mode, AS_IS or "          \
                "LOWERCASE_WITH_LOCALE_ROOT.")                                                      \
  VELMORA_DIAG0("_optimization_tag", optimization_tag,                                              \
                "_optimization_tag($self)\n--\n\nDiagnostic: the tag of the stemming fast path.")   \
  VELMORA_DIAG0("_value_layout_stats", value_layout_stats,                                          \
                "_value_layout_stats($self)\n--\n\nDiagnostic: (node count, value reference "       \
                "count, distinct patch count) of the compiled trie.")
