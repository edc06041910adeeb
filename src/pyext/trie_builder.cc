// The TrieBuilder class: an editable model behind a borrow flag, its rule
// methods, and its images and stemmers.
#include <limits>

#include "pyext/classes.h"
#include "pyext/compat_messages.h"
#include "pyext/defaults.h"
#include "pyext/file_writing.h"
#include "pyext/model_option_arguments.h"
#include "model/model_loading.h"
#include "train/freeze.h"
#include "image/writer.h"
#include "pyext/stemmer_object.h"
#include "pyext/py_args.h"
#include "pyext/stem_engine.h"
#include "pyext/unlocked.h"
#include "util/utf.h"

namespace velmora::py {
namespace {

struct TrieBuilderObject {
  PyObject_HEAD
  BuilderModel* model;
  Py_ssize_t borrow;  // 0 free, > 0 read-only calls, -1 a mutating call
};

TrieBuilderObject* as_builder(PyObject* self) { return reinterpret_cast<TrieBuilderObject*>(self); }

// Exclusive or read-only access for the duration of a call; restored on exit.
class BuilderBorrow {
 public:
  BuilderBorrow() = default;
  // Takes the borrow, or raises RuntimeError when a conflicting call holds it.
  bool take(PyObject* self, bool exclusive) {
    self_ = as_builder(self);
    exclusive_ = exclusive;
    if (exclusive ? self_->borrow != 0 : self_->borrow < 0) {
      PyErr_SetString(PyExc_RuntimeError,
                      exclusive ? compat::kAlreadyBorrowed : compat::kAlreadyMutablyBorrowed);
      return false;
    }
    if (exclusive) self_->borrow = -1;
    else ++self_->borrow;
    held_ = true;
    return true;
  }
  ~BuilderBorrow() {
    if (!held_) return;
    if (exclusive_) self_->borrow = 0;
    else --self_->borrow;
  }
  BuilderBorrow(const BuilderBorrow&) = delete;
  BuilderBorrow& operator=(const BuilderBorrow&) = delete;
  BuilderModel& model() { return *self_->model; }

 private:
  TrieBuilderObject* self_ = nullptr;
  bool exclusive_ = false;
  bool held_ = false;
};

constexpr bool kMutating = true, kReading = false;

// The prologue of every method: binds the arguments into `a`, then takes the borrow.
bool enter(PyObject* self, const Signature& sig, PyObject* const* args, Py_ssize_t nargs,
           PyObject* kwnames, PyObject** a, BuilderBorrow& borrow, bool exclusive) {
  return bind_fastcall(sig, args, nargs, kwnames, a) && borrow.take(self, exclusive);
}

constexpr const char* kBuilderParams[] = {"path", "backward", "store_original", "lowercase"};
constexpr const char* kFromBytesParams[] = {"data", "backward", "store_original", "lowercase"};
constexpr const char* kAddParams[] = {"word", "stem", "count", "only_if_absent"};
constexpr const char* kAddManyParams[] = {"pairs", "count", "only_if_absent"};
constexpr const char* kSetParams[] = {"word", "stem"};
constexpr const char* kRemoveParams[] = {"word", "stem"};
constexpr const char* kBuildParams[] = {"cache_size", "lookup"};
constexpr const char* kSaveParams[] = {"out_path"};

const Signature kAddSig{"TrieBuilder.add", kAddParams, 4, 2};
const Signature kAddManySig{"TrieBuilder.add_many", kAddManyParams, 3, 1};
const Signature kSetSig{"TrieBuilder.set", kSetParams, 2, 2};
const Signature kRemoveSig{"TrieBuilder.remove", kRemoveParams, 2, 1};
const Signature kBuildSig{"TrieBuilder.build", kBuildParams, 2, 0};
const Signature kSaveSig{"TrieBuilder.save", kSaveParams, 1, 1};

// Converts (backward=None, store_original, lowercase) from a[1..3].
bool builder_options(PyObject* const* a, ModelOptions& o) {
  return model_option_arguments(a + 1, o, BackwardNone::kDefault);
}

// A builder instance owning the model, or the model's error raised.
PyObject* adopt_builder(PyTypeObject* type, Expected<BuilderModel>& model) {
  if (!ok_or_raise(model)) return nullptr;
  auto owned = std::make_unique<BuilderModel>(std::move(model).value());
  PyObject* self = allocate_instance(type);
  if (!self) return nullptr;
  as_builder(self)->model = owned.release();
  as_builder(self)->borrow = 0;
  return self;
}

PyObject* builder_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  const Signature sig{"TrieBuilder.__new__", kBuilderParams, 4, 1};
  PyObject* a[4];
  if (!bind_tuple(sig, args, kwargs, a)) return nullptr;
  std::string path;
  ModelOptions o;
  if (!to_path(a[0], "path", path) || !builder_options(a, o)) return nullptr;
  return guarded([&]() -> PyObject* {
    // Reading and building run off the lock and stop at Ctrl-C, as compile does.
    auto model = interruptible([path = std::string(path), o]() -> Expected<BuilderModel> {
      auto data = read_file(path);
      if (!data.ok()) return data.take_error();
      return builder_from_model_bytes(*data, o);
    });
    if (!model) return nullptr;
    return adopt_builder(type, *model);
  });
}

PyObject* new_builder(PyTypeObject* type, std::string_view bytes, const ModelOptions& o) {
  auto model = without_lock([&] { return builder_from_model_bytes(bytes, o); });
  return adopt_builder(type, model);
}

PyObject* builder_from_bytes(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Signature sig{"TrieBuilder.from_bytes", kFromBytesParams, 4, 1};
  PyObject* a[4];
  if (!bind_fastcall(sig, args, nargs, kwnames, a)) return nullptr;
  if (!PyBytes_Check(a[0])) {
    set_conversion_error(a[0], compat::kTargetBytes);
    add_argument_prefix("data");
    return nullptr;
  }
  ModelOptions o;
  if (!builder_options(a, o)) return nullptr;
  const char* data = PyBytes_AsString(a[0]);
  if (!data) return nullptr;
  const std::string_view bytes(data, size_t(PyBytes_Size(a[0])));
  return guarded([&]() -> PyObject* {
    return new_builder(reinterpret_cast<PyTypeObject*>(cls), bytes, o);
  });
}

constexpr const char* kFromSourceParams[] = {"source", "backward", "store_original", "lowercase", "shown"};

// The package layer's builder of a source dictionary, given as a path or as
// bytes: one read, and an image, binary text or a dictionary without entries
// refused, naming the source as `shown` (default: a path in quotes, "data" for
// bytes). Returns (builder, warnings), the warnings as texts for the caller.
PyObject* builder_from_source(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Signature sig{"TrieBuilder._from_source", kFromSourceParams, 5, 1, 1};
  PyObject* a[5];
  if (!bind_fastcall(sig, args, nargs, kwnames, a)) return nullptr;
  const bool in_memory = PyBytes_Check(a[0]);
  std::string path, bytes;
  if (in_memory) {
    const char* data = PyBytes_AsString(a[0]);
    if (!data) return nullptr;
    bytes.assign(data, size_t(PyBytes_Size(a[0])));
  } else if (!to_path(a[0], "source", path)) {
    return nullptr;
  }
  ModelOptions o;
  if (!builder_options(a, o)) return nullptr;
  FileNaming naming{in_memory ? "data" : "'" + path + "'", "source"};
  std::string_view shown;
  if (a[4] && a[4] != Py_None) {
    if (!to_text(a[4], "shown", shown)) return nullptr;
    naming.shown = shown;
  }
  struct Built {
    Expected<BuilderModel> model = Error{};
    std::vector<std::string> warnings;
  };
  return guarded([&]() -> PyObject* {
    // Reading and building run off the lock and stop at Ctrl-C, as compile does.
    auto built = interruptible([in_memory, path, bytes = std::move(bytes), o, naming]() {
      Built out;
      if (in_memory) {
        out.model = builder_from_source(bytes, o, naming, out.warnings);
        return out;
      }
      auto data = read_file(path);
      if (!data.ok()) out.model = named_read_error(data.take_error(), path, naming);
      else out.model = builder_from_source(*data, o, naming, out.warnings);
      return out;
    });
    if (!built) return nullptr;
    PyRef builder(adopt_builder(reinterpret_cast<PyTypeObject*>(cls), built->model));
    if (!builder) return nullptr;
    PyRef texts(str_list(built->warnings));
    if (!texts) return nullptr;
    return PyTuple_Pack(2, builder.get(), texts.get());
  });
}

void builder_dealloc(PyObject* self) {
  delete as_builder(self)->model;
  as_builder(self)->model = nullptr;
  free_instance(self);
}

// Converts `count` and `only_if_absent` (either may be absent) and picks the insert mode.
bool insert_mode(PyObject* count_obj, PyObject* absent_obj, InsertMode& mode, int32_t& count) {
  bool only_if_absent = false;
  long long value = 0;
  const bool has_count = count_obj && count_obj != Py_None;
  if (has_count) {
    PyRef index(PyNumber_Index(count_obj));
    if (!index) {
      add_argument_prefix("count");
      return false;
    }
    value = PyLong_AsLongLong(index.get());
    if (value == -1 && PyErr_Occurred()) return false;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
      PyErr_SetString(PyExc_OverflowError, compat::kCountOutOfRange);
      return false;
    }
  }
  if (absent_obj && !to_bool(absent_obj, "only_if_absent", only_if_absent)) return false;
  count = 1;
  if (only_if_absent) {
    mode = InsertMode::kOnlyIfAbsent;
  } else if (!has_count) {
    mode = InsertMode::kDominant;
  } else if (value < 1) {
    const std::string message = compat::kCountAtLeastOne + std::to_string(value);
    PyErr_SetString(PyExc_ValueError, message.c_str());
    return false;
  } else {
    mode = InsertMode::kAddCount;
    count = int32_t(value);
  }
  return true;
}

Status insert(BuilderModel& m, std::string_view word, std::string_view stem, InsertMode mode, int32_t count) {
  return m.trie.insert_rule(to_utf16(word), to_utf16(stem), mode, count, m.options);
}

PyObject* builder_add(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* a[4];
  BuilderBorrow borrow;
  if (!enter(self, kAddSig, args, nargs, kwnames, a, borrow, kMutating)) return nullptr;
  std::string_view word, stem;
  InsertMode mode;
  int32_t count;
  if (!to_text(a[0], "word", word) || !to_text(a[1], "stem", stem) || !insert_mode(a[2], a[3], mode, count)) {
    return nullptr;
  }
  return guarded([&]() -> PyObject* {
    return none_or_raise(insert(borrow.model(), word, stem, mode, count), PyExc_OverflowError);
  });
}

PyObject* builder_add_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* a[3];
  BuilderBorrow borrow;
  if (!enter(self, kAddManySig, args, nargs, kwnames, a, borrow, kMutating)) return nullptr;
  return guarded([&]() -> PyObject* {
    std::vector<std::pair<std::u16string, std::u16string>> rules;
    const bool converted = for_each_sequence_item(a[0], "pairs", [&](PyRef item, Py_ssize_t hint) {
      if (rules.empty()) rules.reserve(size_t(hint));
      if (!PyTuple_Check(item.get())) {
        set_conversion_error(item.get(), compat::kTargetTuple);
        add_argument_prefix("pairs");
        return false;
      }
      const Py_ssize_t size = PyTuple_Size(item.get());
      if (size != 2) {
        const std::string message = compat::kPairLengthPrefix + std::to_string(size);
        PyErr_SetString(PyExc_ValueError, message.c_str());
        return false;
      }
      std::string_view word, stem;
      if (!to_text(PyTuple_GetItem(item.get(), 0), "pairs", word) ||
          !to_text(PyTuple_GetItem(item.get(), 1), "pairs", stem)) {
        return false;
      }
      rules.emplace_back(to_utf16(word), to_utf16(stem));
      return true;
    });
    if (!converted) return nullptr;
    InsertMode mode;
    int32_t count;
    if (!insert_mode(a[1], a[2], mode, count)) return nullptr;
    BuilderModel& m = borrow.model();
    for (const auto& [word, stem] : rules) {
      Status s = m.trie.insert_rule(word, stem, mode, count, m.options);
      if (!ok_or_raise(s, PyExc_OverflowError)) return nullptr;
    }
    return new_none();
  });
}

PyObject* builder_set(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* a[2];
  BuilderBorrow borrow;
  if (!enter(self, kSetSig, args, nargs, kwnames, a, borrow, kMutating)) return nullptr;
  std::string_view word, stem;
  if (!to_text(a[0], "word", word) || !to_text(a[1], "stem", stem)) return nullptr;
  return guarded([&]() -> PyObject* {
    Status s = insert(borrow.model(), word, stem, InsertMode::kReplace, 1);
    return none_or_raise(s, PyExc_OverflowError);
  });
}

PyObject* builder_remove(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* a[2];
  BuilderBorrow borrow;
  if (!enter(self, kRemoveSig, args, nargs, kwnames, a, borrow, kMutating)) return nullptr;
  std::string_view word, stem;
  if (!to_text(a[0], "word", word)) return nullptr;
  const bool with_stem = a[1] && a[1] != Py_None;
  if (with_stem && !to_text(a[1], "stem", stem)) return nullptr;
  return guarded([&]() -> PyObject* {
    BuilderModel& m = borrow.model();
    if (with_stem) m.trie.remove_rule(to_utf16(word), to_utf16(stem), m.modes.backward());
    else m.trie.remove_all_rules(to_utf16(word), m.modes.backward());
    return new_none();
  });
}

PyObject* builder_build(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* a[2];
  BuilderBorrow borrow;
  if (!enter(self, kBuildSig, args, nargs, kwnames, a, borrow, kReading)) return nullptr;
  uint64_t cache_size = kDefaultCacheSize;
  std::string_view lookup_text = kDefaultLookup;
  if (a[0] && !to_u64(a[0], "cache_size", cache_size)) return nullptr;
  if (a[1] && !to_text(a[1], "lookup", lookup_text)) return nullptr;
  auto lookup = parse_lookup_mode(lookup_text);
  if (!ok_or_raise(lookup)) return nullptr;
  return guarded([&]() -> PyObject* {
    // One freeze gives both the runtime trie and the image the stemmer keeps
    // for to_bytes and pickling (the builder may change afterwards).
    const BuilderModel& m = borrow.model();
    std::string image;
    auto trie = without_lock([&]() -> Expected<std::shared_ptr<CompiledTrie>> {
      TrieGraph graph = freeze(m.trie);
      auto written = write_compiled_image(graph, m.modes);
      if (!written) return written.take_error();
      image = std::move(written).value();
      auto compiled = compile_trie(std::move(graph), m.modes);
      if (!compiled) return compiled;
      (*compiled)->set_case_mode(m.options.lowercase ? CaseMode::kLowercaseWithLocaleRoot : CaseMode::kAsIs);
      (*compiled)->set_lookup_mode(*lookup);
      return compiled;
    });
    if (!ok_or_raise(trie)) return nullptr;
    return new_stemmer_core(self, std::make_unique<StemEngine>(std::move(trie).value(), cache_size),
                            std::make_unique<ModelSource>(ModelSource{std::move(image), m.options, cache_size}));
  });
}

Expected<std::string> builder_image(BuilderBorrow& borrow) {
  // The borrow keeps mutating calls out while the lock is released.
  return without_lock([&] { return image_from_builder(borrow.model().trie, borrow.model().modes); });
}

PyObject* builder_to_bytes(PyObject* self, PyObject*) {
  BuilderBorrow borrow;
  if (!borrow.take(self, kReading)) return nullptr;
  return guarded([&]() -> PyObject* {
    auto image = builder_image(borrow);
    if (!ok_or_raise(image)) return nullptr;
    return PyBytes_FromStringAndSize(image->data(), Py_ssize_t(image->size()));
  });
}

PyObject* builder_save(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* a[1];
  BuilderBorrow borrow;
  if (!enter(self, kSaveSig, args, nargs, kwnames, a, borrow, kReading)) return nullptr;
  std::string out_path;
  if (!to_path(a[0], "out_path", out_path)) return nullptr;
  return guarded([&]() -> PyObject* {
    auto image = builder_image(borrow);
    if (!ok_or_raise(image)) return nullptr;
    return write_file_or_raise(out_path, *image);
  });
}

#define FASTCALL METH_FASTCALL | METH_KEYWORDS

PyMethodDef kMethods[] = {
    {"from_bytes", as_cfunction(builder_from_bytes), FASTCALL | METH_CLASS,
     "from_bytes(data, backward=None, store_original=True, lowercase=True)\n--\n\n"
     "Reconstruct a builder directly from in-memory model bytes (a compiled version 7 image or a "
     "textual TSV dictionary, optionally gzipped)."},
    {"_from_source", as_cfunction(builder_from_source), FASTCALL | METH_CLASS,
     "_from_source(source, backward=None, store_original=True, lowercase=True, *, shown=None)\n--\n\n"
     "The package layer's builder of a source dictionary (a path or bytes): (builder, warnings). "
     "Refuses a compiled image, binary text and a dictionary without entries, naming the source as "
     "shown; the warnings (NUL characters, undecodable bytes) are texts for the caller."},
    {"add", as_cfunction(builder_add), FASTCALL,
     "add($self, word, stem, count=None, only_if_absent=False)\n--\n\n"
     "Add one custom word to stem rule. The word is mapped to the minimal patch command that rewrites "
     "it to the stem; when store_original is set the stem also maps to itself. By default the rule is "
     "made the dominant value at the word's node, keeping prior values as alternatives; count=N instead "
     "adds a raw frequency N, which may or may not dominate an existing rule; only_if_absent=True "
     "stores the rule only where the word has no value yet and takes precedence over count. A "
     "shallower contracted generalisation still short-circuits the rule under lookup \"first\", so "
     "lookup \"last\" makes the specific rule win."},
    {"add_many", as_cfunction(builder_add_many), FASTCALL,
     "add_many($self, pairs, count=None, only_if_absent=False)\n--\n\n"
     "Add many (word, stem) rules in one call, each as a dominant rule."},
    {"set", as_cfunction(builder_set), FASTCALL,
     "set($self, word, stem)\n--\n\n"
     "Replace any existing rule for the word with this one, the sole and hence dominant value at the "
     "word's node; prior alternatives are discarded."},
    {"remove", as_cfunction(builder_remove), FASTCALL,
     "remove($self, word, stem=None)\n--\n\n"
     "Remove a custom rule from the word's own node: with no stem every rule stored at that node, with "
     "a stem only that word to stem rule. Only the word's exact node is targeted, so a word that "
     "resolves through a shorter contracted generalisation has no value there and removing it does "
     "nothing (override it with set or add and read with lookup \"last\" instead)."},
    {"build", as_cfunction(builder_build), FASTCALL,
     "build($self, cache_size=" VELMORA_STRINGIFY(VELMORA_DEFAULT_CACHE_SIZE) ", lookup=\"" VELMORA_DEFAULT_LOOKUP "\")\n--\n\n"
     "Reduce and freeze the current builder into a usable in-memory stemmer."},
    {"to_bytes", builder_to_bytes, METH_NOARGS,
     "to_bytes($self)\n--\n\n"
     "Serialise the current builder to a compiled trie image (gzip-wrapped version 7 stream) that the "
     "companion Java implementation can read, and return it as bytes."},
    {"save", as_cfunction(builder_save), FASTCALL,
     "save($self, out_path)\n--\n\n"
     "Serialise the current builder and write it to out_path (conventionally *.vmc) as a new custom "
     "compiled dictionary."},
    {nullptr, nullptr, 0, nullptr},
};

const char kBuilderDoc[] =
    "TrieBuilder(path, backward=None, store_original=True, lowercase=True)\n--\n\n"
    "A mutable, modifiable trie builder: the Python-side way to unlock an immutable compiled trie, add "
    "custom word to stem pairs and materialise a new stemmer or a new compiled dictionary file. It is "
    "constructed from an existing model (a compiled version 7 trie, conventionally a .vmc file, or a "
    "textual source dictionary); the compiled path faithfully reconstructs the reduced trie including "
    "its contracted \"accepts remaining input\" leaves.";

// The options a builder applies to rules and stemmers, read by pickling.
PyObject* store_original_property(PyObject* self, void*) {
  return PyBool_FromLong(as_builder(self)->model->options.store_original);
}
PyObject* lowercase_property(PyObject* self, void*) {
  return PyBool_FromLong(as_builder(self)->model->options.lowercase);
}

PyGetSetDef kGetSet[] = {
    {"store_original", store_original_property, nullptr, "Whether added rules also map each stem to itself.", nullptr},
    {"lowercase", lowercase_property, nullptr, "Whether built stemmers lowercase words.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(builder_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(builder_dealloc)},
    {Py_tp_doc, const_cast<char*>(kBuilderDoc)},
    {Py_tp_methods, kMethods},
    {Py_tp_getset, kGetSet},
    {0, nullptr},
};

PyType_Spec kSpec = {"velmora._velmora.TrieBuilder", int(sizeof(TrieBuilderObject)), 0,
                     Py_TPFLAGS_DEFAULT, kSlots};

}  // namespace

PyObject* make_trie_builder_type(PyObject* module) {
  return PyType_FromModuleAndSpec(module, &kSpec, nullptr);
}

}  // namespace velmora::py
