// The StemmerCore instance layout and the one-argument `words` method frame,
// shared by the class (stemmer_core.cc) and its diagnostic methods.
#pragma once

#include "pyext/py_args.h"
#include "pyext/py_ref.h"
#include "pyext/stem_engine.h"
#include "model/model_loading.h"

#include <string>

namespace velmora::py {

// What a stemmer was made from, kept so that it can give its model back as a
// compiled image (to_bytes, pickling) after the file is gone or changed.
struct ModelSource {
  std::string bytes;     // the model bytes as read: image or dictionary, gzip or plain
  ModelOptions options;  // how a dictionary among them is compiled
  uint64_t cache_size;
};

struct StemmerCoreObject {
  PyObject_HEAD
  // Both immutable after construction, so methods read them without any borrow flag.
  StemEngine* engine;
  ModelSource* source;
};

inline StemmerCoreObject* as_stemmer(PyObject* self) {
  return reinterpret_cast<StemmerCoreObject*>(self);
}
inline const StemEngine& engine_of(PyObject* self) { return *as_stemmer(self)->engine; }

inline constexpr const char* kWordsParams[] = {"words"};

// Binds `words`, converts it to a sequence of str, then returns
// `body(engine, sequence)`; no C++ exception escapes.
template <typename Body>
PyObject* with_word_sequence(const char* callable, PyObject* self, PyObject* const* args,
                             Py_ssize_t nargs, PyObject* kwnames, Body body) {
  const Signature sig{callable, kWordsParams, 1, 1};
  PyObject* words;
  if (!bind_fastcall(sig, args, nargs, kwnames, &words)) return nullptr;
  return guarded([&]() -> PyObject* {
    TextSequence seq;
    if (!to_text_sequence(words, "words", seq)) return nullptr;
    return body(engine_of(self), seq);
  });
}

}  // namespace velmora::py
