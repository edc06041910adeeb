// The StemmerCore class: constructor, production methods and the stemming
// variants used by benchmarks. The diagnostic methods live in diagnostics.cc.
#include <iterator>
#include <new>
#include <vector>

#include "pyext/classes.h"
#include "pyext/column_methods.h"
#include "pyext/compat_messages.h"
#include "pyext/module_state.h"
#include "pyext/defaults.h"
#include "pyext/diagnostics.h"
#include "pyext/model_option_arguments.h"
#include "image/format.h"
#include "image/gzip.h"
#include "image/reader.h"
#include "model/files.h"
#include "model/model_loading.h"
#include "pyext/py_args.h"
#include "pyext/stem_engine.h"
#include "pyext/stemmer_object.h"
#include "pyext/unlocked.h"

namespace velmora::py {
namespace {

constexpr const char* kWordParams[] = {"word"};
constexpr const char* kNewParams[] = {"path", "backward", "store_original", "lowercase", "lookup", "cache_size"};

// Borrowed UTF-8 of a word argument.
bool word_argument(const char* callable, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                   PyObject*& word) {
  const Signature sig{callable, kWordParams, 1, 1};
  return bind_fastcall(sig, args, nargs, kwnames, &word);
}

bool words_argument(const char* callable, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                    PyObject*& words) {
  const Signature sig{callable, kWordsParams, 1, 1};
  return bind_fastcall(sig, args, nargs, kwnames, &words);
}

// ---- constructor and lifetime ----------------------------------------------

bool starts_with_gzip_magic(std::string_view bytes) {
  return bytes.size() >= 2 && uint8_t(bytes[0]) == 0x1f && uint8_t(bytes[1]) == 0x8b;
}

// A loaded model together with the bytes it came from.
struct SourcedModel {
  LoadedModel model;
  std::string bytes;
};

// Loads model bytes (image or dictionary, gzip or plain) and keeps them; with
// `check`, judged as the package layer judges a model file (model_check.h).
Expected<SourcedModel> load_sourced(std::string bytes, const ModelOptions& options, LookupMode lookup,
                                    const FileNaming* check = nullptr) {
  auto model = load_model_bytes(bytes, options, lookup, check);
  if (!model) return model.take_error();
  return SourcedModel{std::move(model).value(), std::move(bytes)};
}

// What the constructor and the other loaders take beside the model itself.
struct LoadSettings {
  ModelOptions options;
  LookupMode lookup = LookupMode::kFirst;
  uint64_t cache_size = kDefaultCacheSize;
};

// A new StemmerCore of `type` around a loaded model.
PyObject* adopt_model(PyTypeObject* type, SourcedModel& loaded, const LoadSettings& load) {
  auto engine = std::make_unique<StemEngine>(std::move(loaded.model.trie), load.cache_size, loaded.model.recorded_modes);
  auto source = std::make_unique<ModelSource>(ModelSource{std::move(loaded.bytes), load.options, load.cache_size});
  PyObject* self = allocate_instance(type);
  if (!self) return nullptr;
  as_stemmer(self)->engine = engine.release();
  as_stemmer(self)->source = source.release();
  return self;
}

// Converts (backward, store_original, lowercase, lookup, cache_size) from a[1..5].
bool load_options(PyObject* const* a, LoadSettings& load) {
  std::string_view lookup_text = kDefaultLookup;
  if (!model_option_arguments(a + 1, load.options)) return false;
  if (a[4] && !to_text(a[4], "lookup", lookup_text)) return false;
  if (a[5] && !to_u64(a[5], "cache_size", load.cache_size)) return false;
  auto lookup = parse_lookup_mode(lookup_text);
  if (!ok_or_raise(lookup)) return false;
  load.lookup = *lookup;
  return true;
}

// Reads and loads a model file off the lock, stopping at Ctrl-C (nullopt, the
// error set); with `naming`, the load is checked (model/model_check.h).
std::optional<Expected<SourcedModel>> load_file(const std::string& path, const LoadSettings& load,
                                                std::optional<FileNaming> naming) {
  return interruptible([path, load, naming]() -> Expected<SourcedModel> {
    auto data = read_file(path);
    if (!data) return naming ? named_read_error(data.take_error(), path, *naming) : data.take_error();
    return load_sourced(std::move(data).value(), load.options, load.lookup, naming ? &*naming : nullptr);
  });
}

PyObject* stemmer_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  const Signature sig{"StemmerCore.__new__", kNewParams, 6, 1};
  PyObject* a[6];
  if (!bind_tuple(sig, args, kwargs, a)) return nullptr;
  std::string path;
  LoadSettings load;
  if (!to_path(a[0], "path", path) || !load_options(a, load)) return nullptr;
  return guarded([&]() -> PyObject* {
    auto loaded = load_file(path, load, std::nullopt);
    if (!loaded || !ok_or_raise(*loaded)) return nullptr;
    return adopt_model(type, **loaded, load);
  });
}

constexpr const char* kFromBytesParams[] = {"data", "backward", "store_original", "lowercase", "lookup", "cache_size"};

PyObject* stemmer_from_bytes(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Signature sig{"StemmerCore.from_bytes", kFromBytesParams, 6, 1};
  PyObject* a[6];
  if (!bind_fastcall(sig, args, nargs, kwnames, a)) return nullptr;
  if (!PyBytes_Check(a[0])) {
    set_conversion_error(a[0], compat::kTargetBytes);
    add_argument_prefix("data");
    return nullptr;
  }
  LoadSettings load;
  if (!load_options(a, load)) return nullptr;
  const char* data = PyBytes_AsString(a[0]);
  if (!data) return nullptr;
  return guarded([&]() -> PyObject* {
    auto loaded = interruptible([bytes = std::string(data, size_t(PyBytes_Size(a[0]))), load]() mutable {
      return load_sourced(std::move(bytes), load.options, load.lookup);
    });
    if (!loaded) return nullptr;
    if (!ok_or_raise(*loaded)) return nullptr;
    return adopt_model(reinterpret_cast<PyTypeObject*>(cls), **loaded, load);
  });
}

constexpr const char* kCheckedParams[] = {"path", "backward", "store_original", "lowercase", "lookup",
                                          "cache_size", "shown", "what"};

// The package layer's load of a model file: one read, the kind of file decided
// here, and content that cannot serve as a model refused, naming the file as
// `shown` (default: the path in quotes) read as `what` (default "model").
// Returns (stemmer, warnings), the warnings as texts for the caller to issue.
PyObject* stemmer_load_checked(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Signature sig{"StemmerCore._load_checked", kCheckedParams, 8, 1, 2};
  PyObject* a[8];
  if (!bind_fastcall(sig, args, nargs, kwnames, a)) return nullptr;
  std::string path;
  LoadSettings load;
  if (!to_path(a[0], "path", path) || !load_options(a, load)) return nullptr;
  FileNaming naming{"'" + path + "'", "model"};
  std::string_view text;
  if (a[6] && a[6] != Py_None) {
    if (!to_text(a[6], "shown", text)) return nullptr;
    naming.shown = text;
  }
  if (a[7] && a[7] != Py_None) {
    if (!to_text(a[7], "what", text)) return nullptr;
    naming.what = text;
  }
  return guarded([&]() -> PyObject* {
    auto loaded = load_file(path, load, naming);
    if (!loaded || !ok_or_raise(*loaded)) return nullptr;
    PyRef warnings(str_list((*loaded)->model.warnings));
    if (!warnings) return nullptr;
    PyRef core(adopt_model(reinterpret_cast<PyTypeObject*>(cls), **loaded, load));
    if (!core) return nullptr;
    return PyTuple_Pack(2, core.get(), warnings.get());
  });
}

// The model as a compiled image in gzip: an image is given back as it was read
// (compressed when it was not), a dictionary is compiled with the options it
// was loaded with.
Expected<std::string> image_of(const ModelSource& source) {
  auto inflated = gunzip_if_gzipped(source.bytes);
  if (!inflated) return inflated.take_error();
  if (!is_compiled_image(*inflated)) {
    return compile_dictionary(source.bytes, source.options);
  }
  if (starts_with_gzip_magic(source.bytes)) return source.bytes;
  return gzip_compress(source.bytes);
}

PyObject* stemmer_to_bytes(PyObject* self, PyObject*) {
  return guarded([&]() -> PyObject* {
    auto image = without_lock([source = as_stemmer(self)->source] { return image_of(*source); });
    if (!ok_or_raise(image)) return nullptr;
    return PyBytes_FromStringAndSize(image->data(), Py_ssize_t(image->size()));
  });
}

void stemmer_dealloc(PyObject* self) {
  delete as_stemmer(self)->engine;
  as_stemmer(self)->engine = nullptr;
  delete as_stemmer(self)->source;
  as_stemmer(self)->source = nullptr;
  free_instance(self);
}

// ---- production methods ------------------------------------------------------

PyObject* stem(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* word;
  if (!word_argument("StemmerCore.stem", args, nargs, kwnames, word)) return nullptr;
  std::string_view text;
  if (!to_text(word, "word", text)) return nullptr;
  StemScratch scratch;
  return guarded([&] { return engine_of(self).stem_cached(text, scratch); });
}

PyObject* stem_word_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* word;
  if (!word_argument("StemmerCore.stemWord", args, nargs, kwnames, word)) return nullptr;
  const StemEngine& engine = engine_of(self);
  return guarded([&]() -> PyObject* {
    StemScratch scratch;
    if (PyUnicode_Check(word)) {
      Py_ssize_t size = 0;
      const char* data = PyUnicode_AsUTF8AndSize(word, &size);
      if (!data) return nullptr;
      const std::string_view text(data, size_t(size));
      PyRef result(engine.stem_cached(text, scratch));
      if (!result) return nullptr;
      if (result.get() == Py_None || is_pass_through_word(text)) return new_ref(word);
      return result.release();
    }
    if (PyBytes_Check(word)) {
      std::string_view text;
      if (!decode_word_bytes(word, text)) return nullptr;
      PyRef result(engine.stem_cached(text, scratch));
      if (!result) return nullptr;
      if (result.get() == Py_None || is_pass_through_word(text)) return new_ref(word);
      return PyUnicode_AsEncodedString(result.get(), "utf-8", "strict");
    }
    PyErr_SetString(PyExc_TypeError, compat::kStemWordItemType);
    return nullptr;
  });
}

// A list or tuple of str goes through stem_sequence; anything else is iterated.
PyObject* stem_words_with(const StemEngine& engine, PyObject* words, ResultConvention convention) {
  TextSequence seq;
  if (to_text_items(words, seq)) {
    return engine.stem_sequence(seq.texts.data(), seq.items.data(), seq.texts.size(), convention);
  }
  return engine.stem_iterable(words, convention);
}

constexpr const char* kBatchParams[] = {"words", "threads"};

PyObject* stem_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* a[2] = {nullptr, nullptr};
  const Signature sig{"StemmerCore.stem_batch", kBatchParams, 2, 1, 1};  // threads: keyword-only
  if (!bind_fastcall(sig, args, nargs, kwnames, a)) return nullptr;
  PyObject* words = a[0];
  const StemEngine& engine = engine_of(self);
  return guarded([&]() -> PyObject* {
    // PERF NOTE: by default a list stays on one thread. Its str results are made
    // under the lock, which is half the work; measured on 2 cores, a second
    // stemming thread gained less than the copy of its output cost.
    unsigned threads = 1;
    if (a[1] && a[1] != Py_None && !to_threads(a[1], 0, threads)) return nullptr;
    const bool sized = PyList_Check(words) || PyTuple_Check(words);
    // Threads skip the cache: its entries are Python objects, made under the lock.
    if (sized && threads > 1) {
      if (PyObject* list = stem_list_threaded(engine, words, threads)) return list;
      if (PyErr_Occurred()) return nullptr;
    }
    if (!engine.has_cache() && PyList_Check(words)) {
      if (PyObject* list = engine.stem_str_list(words)) return list;
      if (PyErr_Occurred()) return nullptr;
    }
    return stem_words_with(engine, words, ResultConvention::kPlain);
  });
}

PyObject* stem_words(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* words;
  if (!words_argument("StemmerCore.stemWords", args, nargs, kwnames, words)) return nullptr;
  return guarded([&] { return stem_words_with(engine_of(self), words, ResultConvention::kKeepInput); });
}

PyObject* stem_all(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* word;
  if (!word_argument("StemmerCore.stem_all", args, nargs, kwnames, word)) return nullptr;
  std::string_view text;
  if (!to_text(word, "word", text)) return nullptr;
  return guarded([&] { return str_list(engine_of(self).trie().stem_all(text)); });
}

PyObject* stem_all_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return with_word_sequence("StemmerCore.stem_all_batch", self, args, nargs, kwnames,
                            [](const StemEngine& engine, TextSequence& seq) {
                              std::vector<std::vector<std::string>> stems;
                              stems.reserve(seq.texts.size());
                              for (std::string_view w : seq.texts) {
                                stems.push_back(engine.trie().stem_all(w));
                              }
                              seq = TextSequence{};  // release the words before making the results
                              return filled_list(stems.size(), [&](size_t i) { return str_list(stems[i]); });
                            });
}

#define FASTCALL METH_FASTCALL | METH_KEYWORDS

PyMethodDef kProductionMethods[] = {
    {"stem", as_cfunction(stem), FASTCALL,
     "stem($self, word)\n--\n\nStem one word; returns the stem as str, or None when the model has no stem for it."},
    {"stemWord", as_cfunction(stem_word_method), FASTCALL,
     "stemWord($self, word)\n--\n\nStem one str or UTF-8 bytes word; a word without a stem, and the words "
     "'cars' and 'unknown', come back unchanged (the very object passed in)."},
    {"stem_batch", as_cfunction(stem_batch), FASTCALL,
     "stem_batch($self, words, *, threads=None)\n--\n\nStem every word of a list, tuple or other iterable; "
     "one str, bytes or None per word, in order. With threads=N > 1, a list or tuple of str is stemmed "
     "on N threads with the interpreter lock released (the cache is then not consulted)."},
    {"stem_arrow", as_cfunction(stem_arrow), FASTCALL,
     "stem_arrow($self, column, *, threads=None, keep_input=False)\n--\n\nStem an Arrow string column "
     "(any object with __arrow_c_array__ or __arrow_c_stream__ of type string, large_string or "
     "string_view) without a Python object per word. Returns a large_string array of the same length "
     "(a pyarrow.Array when pyarrow is installed): nulls stay null, a word without a stem is null, or "
     "itself with keep_input=True."},
    {"stemWords", as_cfunction(stem_words), FASTCALL,
     "stemWords($self, words)\n--\n\nLike stem_batch, but a word without a stem (and 'cars' / 'unknown') "
     "yields the word itself instead of None."},
    {"stem_all", as_cfunction(stem_all), FASTCALL,
     "stem_all($self, word)\n--\n\nEvery candidate stem of a word in the model's lookup mode, as a list of str."},
    {"from_bytes", as_cfunction(stemmer_from_bytes), FASTCALL | METH_CLASS,
     "from_bytes(data, backward=True, store_original=True, lowercase=True, lookup=\"first\", "
     "cache_size=10000)\n--\n\nA stemmer over model bytes held in memory (a compiled image or a "
     "dictionary, gzip-compressed or plain), with the options of the constructor."},
    {"_load_checked", as_cfunction(stemmer_load_checked), FASTCALL | METH_CLASS,
     "_load_checked(path, backward=True, store_original=True, lowercase=True, lookup=\"first\", "
     "cache_size=10000, *, shown=None, what=\"model\")\n--\n\nThe package layer's load of a model "
     "file: (stemmer, warnings). Refuses a binary file and one without dictionary entries, naming the "
     "file as shown; the warnings (NUL characters, undecodable bytes) are texts for the caller."},
    {"to_bytes", stemmer_to_bytes, METH_NOARGS,
     "to_bytes($self)\n--\n\nThe model as a gzip-compressed compiled image, whatever it was loaded "
     "from (a dictionary is compiled with the options it was loaded with); from_bytes loads it."},
    {"stem_all_batch", as_cfunction(stem_all_batch), FASTCALL,
     "stem_all_batch($self, words)\n--\n\nstem_all for every word of a sequence of str; one list per word."},
};

// The production methods followed by the diagnostic ones (with their sentinel).
PyMethodDef* all_methods() {
  static std::vector<PyMethodDef> methods = [] {
    std::vector<PyMethodDef> all(std::begin(kProductionMethods), std::end(kProductionMethods));
    for (const PyMethodDef* d = kDiagnosticMethods;; ++d) {
      all.push_back(*d);
      if (!d->ml_name) break;
    }
    return all;
  }();
  return methods.data();
}

// The modes recorded in the image the stemmer was loaded from, spelled as in
// the image's metadata; None for a source dictionary or a built stemmer.
PyObject* recorded_modes(PyObject* self, void*) {
  const auto& modes = engine_of(self).recorded_modes();
  if (!modes) return new_none();
  return Py_BuildValue("{ssssss}", kDirectionKey, metadata_value(modes->direction), kCaseKey,
                       metadata_value(modes->case_mode), kDiacriticKey,
                       metadata_value(modes->diacritic_mode));
}

const char* lookup_text(LookupMode mode) {
  switch (mode) {
    case LookupMode::kFirst: return "first";
    case LookupMode::kLast: return "last";
    case LookupMode::kAll: return "all";
  }
  return "first";
}

PyObject* lookup_property(PyObject* self, void*) {
  return PyUnicode_FromString(lookup_text(engine_of(self).trie().lookup_mode()));
}

PyObject* cache_size_property(PyObject* self, void*) {
  return PyLong_FromUnsignedLongLong(as_stemmer(self)->source->cache_size);
}

PyGetSetDef kGetSet[] = {
    {"lookup", lookup_property, nullptr, "The lookup mode: \"first\", \"last\" or \"all\".", nullptr},
    {"cache_size", cache_size_property, nullptr, "How many results the cache keeps (0: no cache).", nullptr},
    {"recorded_modes", recorded_modes, nullptr,
     "The modes recorded in the compiled image this stemmer was loaded from, as a dict of "
     "traversalDirection, caseProcessingMode and diacriticProcessingMode; None when it was "
     "compiled from a source dictionary or built by a TrieBuilder.",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

const char kStemmerDoc[] =
    "StemmerCore(path, backward=True, store_original=True, lowercase=True, lookup=\"" VELMORA_DEFAULT_LOOKUP "\", "
    "cache_size=" VELMORA_STRINGIFY(VELMORA_DEFAULT_CACHE_SIZE) ")\n--\n\n"
    "A stemmer backed by a patch-command trie: compiles a (gzipped) textual dictionary, or loads a "
    "compiled image, and stems words against it.\n\n"
    "cache_size results are kept (0: none), for words and stems of at most "
    VELMORA_STRINGIFY(VELMORA_MAX_CACHED_WORD_BYTES) " UTF-8 bytes; longer words are stemmed "
    "every time, so a full cache holds about a kilobyte per entry at most.";

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(stemmer_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(stemmer_dealloc)},
    {Py_tp_doc, const_cast<char*>(kStemmerDoc)},
    {Py_tp_methods, nullptr},  // all_methods(), set before the type is made
    {Py_tp_getset, kGetSet},
    {0, nullptr},
};

PyType_Spec kSpec = {"velmora._velmora.StemmerCore", int(sizeof(StemmerCoreObject)), 0,
                     Py_TPFLAGS_DEFAULT, kSlots};

}  // namespace

PyObject* make_stemmer_core_type(PyObject* module) {
  for (PyType_Slot& slot : kSlots) {
    if (slot.slot == Py_tp_methods) slot.pfunc = all_methods();
  }
  return PyType_FromModuleAndSpec(module, &kSpec, nullptr);
}

PyObject* new_stemmer_core(PyObject* kin, std::unique_ptr<StemEngine> engine, std::unique_ptr<ModelSource> source) {
  ModuleState* state = state_of(kin);
  if (!state) return nullptr;
  PyObject* self = allocate_instance(reinterpret_cast<PyTypeObject*>(state->stemmer_core_type));
  if (!self) return nullptr;
  as_stemmer(self)->engine = engine.release();
  as_stemmer(self)->source = source.release();
  return self;
}

}  // namespace velmora::py
