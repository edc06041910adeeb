#include "pyext/arrow_column.h"

#include <cstring>
#include <string>

#include "pyext/classes.h"
#include "pyext/compat_messages.h"
#include "pyext/module_state.h"
#include "pyext/py_args.h"
#include "runtime/spare_columns.h"
#include "util/utf.h"

namespace velmora::py {

// ---- import ------------------------------------------------------------------

namespace {

bool string_type_of(const ArrowSchema& schema, ArrowStringType& out) {
  const char* format = schema.format ? schema.format : "";
  if (!schema.dictionary && schema.n_children == 0) {
    if (auto type = arrow_string_type(format)) return out = *type, true;
  }
  const std::string message = compat::kNotAStringColumn + std::string(format) + "'" +
                              (schema.dictionary ? compat::kDictionaryEncoded : "");
  PyErr_SetString(PyExc_TypeError, message.c_str());
  return false;
}

bool already_released(const char* what) {
  PyErr_Format(PyExc_ValueError, compat::kArrowAlreadyReleased, what);
  return false;
}

template <typename T>
T* capsule_pointer(PyObject* capsule, const char* name) {
  return static_cast<T*>(PyCapsule_GetPointer(capsule, name));
}

// Moves the structure out of `from`, which is left released.
template <typename T>
std::unique_ptr<T> move_out(T* from) {
  auto to = std::make_unique<T>(*from);
  from->release = nullptr;
  return to;
}

bool has_attr(PyObject* obj, const char* name) {
  PyRef attr(PyObject_GetAttrString(obj, name));
  if (!attr) PyErr_Clear();
  return bool(attr);
}

}  // namespace

ArrowInput::~ArrowInput() {
  for (auto& array : arrays_) {
    if (array->release) array->release(array.get());
  }
  for (auto& schema : schemas_) {
    if (schema->release) schema->release(schema.get());
  }
  if (stream_ && stream_->release) stream_->release(stream_.get());
}

bool ArrowInput::append_rows(const ArrowSchema& schema, const ArrowArray& array) {
  ArrowStringType type;
  if (!string_type_of(schema, type)) return false;
  Expected<ArrowChunk> chunk = read_arrow_chunk(type, array);
  if (!chunk) {
    PyErr_Format(PyExc_ValueError, compat::kMalformedArrowArray, chunk.error().message.c_str());
    return false;
  }
  chunks_.push_back(std::move(*chunk));
  if (chunks_.back().chunk.rows) column.chunks.push_back(chunks_.back().rows());
  return true;
}

bool ArrowInput::take_array(ArrowSchema* schema, ArrowArray* array) {
  if (!schema->release) return already_released("schema");
  if (!array->release) return already_released("array");
  schemas_.push_back(move_out(schema));
  arrays_.push_back(move_out(array));
  return append_rows(*schemas_.back(), *arrays_.back());
}

bool ArrowInput::take_stream(ArrowArrayStream* capsule_stream) {
  if (!capsule_stream->release) return already_released("stream");
  stream_ = move_out(capsule_stream);
  ArrowArrayStream* stream = stream_.get();
  auto stream_error = [&](int code) {
    const char* text = stream->get_last_error ? stream->get_last_error(stream) : nullptr;
    PyErr_Format(PyExc_OSError, compat::kArrowStreamFailed, code, text ? text : compat::kNoMessage);
    return false;
  };
  schemas_.push_back(std::make_unique<ArrowSchema>());
  ArrowSchema& schema = *schemas_.back();
  std::memset(&schema, 0, sizeof(ArrowSchema));
  if (int code = stream->get_schema(stream, &schema)) return stream_error(code);
  ArrowStringType type;
  if (!string_type_of(schema, type)) return false;
  for (;;) {
    auto array = std::make_unique<ArrowArray>();
    std::memset(array.get(), 0, sizeof(ArrowArray));
    if (int code = stream->get_next(stream, array.get())) return stream_error(code);
    if (!array->release) break;  // the end of the stream
    arrays_.push_back(std::move(array));
    if (!append_rows(schema, *arrays_.back())) return false;
  }
  return true;
}

bool import_arrow_column(PyObject* obj, ArrowInput& input) {
  if (has_attr(obj, "__arrow_c_array__")) {
    PyRef pair(PyObject_CallMethod(obj, "__arrow_c_array__", nullptr));
    if (!pair) return false;
    if (!PyTuple_Check(pair.get()) || PyTuple_Size(pair.get()) != 2) {
      PyErr_SetString(PyExc_TypeError, compat::kArrowPairType);
      return false;
    }
    auto* schema = capsule_pointer<ArrowSchema>(PyTuple_GetItem(pair.get(), 0), arrow::kSchemaCapsule);
    auto* array = schema ? capsule_pointer<ArrowArray>(PyTuple_GetItem(pair.get(), 1), arrow::kArrayCapsule) : nullptr;
    if (!array) return false;
    return input.take_array(schema, array);
  }
  if (has_attr(obj, "__arrow_c_stream__")) {
    PyRef capsule(PyObject_CallMethod(obj, "__arrow_c_stream__", nullptr));
    if (!capsule) return false;
    auto* stream = capsule_pointer<ArrowArrayStream>(capsule.get(), arrow::kStreamCapsule);
    if (!stream) return false;
    return input.take_stream(stream);
  }
  // pandas arrays backed by Arrow speak the older pyarrow protocol only.
  if (has_attr(obj, "__arrow_array__")) {
    PyRef converted(PyObject_CallMethod(obj, "__arrow_array__", nullptr));
    if (!converted) return false;
    input.producers_.push_back(PyRef::borrow(converted.get()));
    if (has_attr(converted.get(), "__arrow_c_array__") || has_attr(converted.get(), "__arrow_c_stream__")) {
      return import_arrow_column(converted.get(), input);
    }
  }
  const std::string message = compat::kNotAnArrowColumn + type_qualname(obj) + "'";
  PyErr_SetString(PyExc_TypeError, message.c_str());
  return false;
}

// ---- export ------------------------------------------------------------------

namespace {

// The exported buffers, shared by every export of one result; when its last
// consumer releases them, they are kept for the next column.
struct ExportedBuffers {
  StemColumn column;
  ~ExportedBuffers() { keep_spare_column(std::move(column)); }
};

struct ArrayPrivate {
  std::shared_ptr<const ExportedBuffers> buffers;
  const void* pointers[3];
};

void release_schema(ArrowSchema* schema) { schema->release = nullptr; }

void release_array(ArrowArray* array) {
  delete static_cast<ArrayPrivate*>(array->private_data);
  array->release = nullptr;
}

void schema_capsule_destructor(PyObject* capsule) {
  auto* schema = static_cast<ArrowSchema*>(PyCapsule_GetPointer(capsule, arrow::kSchemaCapsule));
  if (!schema) return PyErr_Clear();
  if (schema->release) schema->release(schema);
  delete schema;
}

void array_capsule_destructor(PyObject* capsule) {
  auto* array = static_cast<ArrowArray*>(PyCapsule_GetPointer(capsule, arrow::kArrayCapsule));
  if (!array) return PyErr_Clear();
  if (array->release) array->release(array);
  delete array;
}

struct StemArrayObject {
  PyObject_HEAD
  std::shared_ptr<const ExportedBuffers>* buffers;
};

StemArrayObject* as_stem_array(PyObject* self) { return reinterpret_cast<StemArrayObject*>(self); }

void stem_array_dealloc(PyObject* self) {
  delete as_stem_array(self)->buffers;
  free_instance(self);
}

Py_ssize_t stem_array_length(PyObject* self) {
  return Py_ssize_t((*as_stem_array(self)->buffers)->column.rows());
}

// __arrow_c_array__(requested_schema=None): the type is always large_string,
// so a requested schema is ignored, as the interface allows.
PyObject* stem_array_export(PyObject* self, PyObject* const*, Py_ssize_t nargs, PyObject* kwnames) {
  if (nargs > 1 || (kwnames && PyTuple_Size(kwnames) + nargs > 1)) {
    PyErr_SetString(PyExc_TypeError, compat::kExportArguments);
    return nullptr;
  }
  return guarded([&]() -> PyObject* {
    const auto& buffers = *as_stem_array(self)->buffers;
    auto* schema = new ArrowSchema{};
    schema->format = "U";
    schema->name = "";
    schema->flags = ARROW_FLAG_NULLABLE;
    schema->release = release_schema;
    PyRef schema_capsule(PyCapsule_New(schema, arrow::kSchemaCapsule, schema_capsule_destructor));
    if (!schema_capsule) {
      delete schema;
      return nullptr;
    }
    auto* priv = new ArrayPrivate{buffers, {}};
    priv->pointers[0] = buffers->column.null_count ? buffers->column.validity.data() : nullptr;
    priv->pointers[1] = buffers->column.offsets.data();
    priv->pointers[2] = buffers->column.data.data();
    auto* array = new ArrowArray{};
    array->length = int64_t(buffers->column.rows());
    array->null_count = int64_t(buffers->column.null_count);
    array->n_buffers = 3;
    array->buffers = priv->pointers;
    array->release = release_array;
    array->private_data = priv;
    PyRef array_capsule(PyCapsule_New(array, arrow::kArrayCapsule, array_capsule_destructor));
    if (!array_capsule) {
      release_array(array);
      delete array;
      return nullptr;
    }
    return PyTuple_Pack(2, schema_capsule.get(), array_capsule.get());
  });
}

PyMethodDef kStemArrayMethods[] = {
    {"__arrow_c_array__", as_cfunction(stem_array_export), METH_FASTCALL | METH_KEYWORDS,
     "__arrow_c_array__($self, requested_schema=None)\n--\n\nThe stems as an Arrow large_string array "
     "(schema and array capsules of the Arrow PyCapsule interface)."},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot kStemArraySlots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(stem_array_dealloc)},
    {Py_tp_methods, kStemArrayMethods},
    {Py_sq_length, reinterpret_cast<void*>(stem_array_length)},
    {Py_tp_doc, const_cast<char*>("Stems of an Arrow column, exported through the Arrow PyCapsule interface.")},
    {0, nullptr},
};

PyType_Spec kStemArraySpec = {"velmora._velmora.StemArray", int(sizeof(StemArrayObject)), 0, Py_TPFLAGS_DEFAULT,
                              kStemArraySlots};

// pyarrow.array, or null without an error when pyarrow cannot be imported.
PyObject* pyarrow_array_function() {
  static bool absent = false;
  if (absent) return nullptr;
  PyRef module(PyImport_ImportModule("pyarrow"));
  if (!module) {
    absent = PyErr_ExceptionMatches(PyExc_ImportError);
    PyErr_Clear();
    return nullptr;
  }
  PyObject* fn = PyObject_GetAttrString(module.get(), "array");
  if (!fn) PyErr_Clear();
  return fn;
}

}  // namespace

PyObject* export_stem_column(PyObject* kin, StemColumn column) {
  auto buffers = std::make_shared<ExportedBuffers>();
  buffers->column = std::move(column);
  ModuleState* state = state_of(kin);
  if (!state) return nullptr;
  PyRef self(allocate_instance(reinterpret_cast<PyTypeObject*>(state->stem_array_type)));
  if (!self) return nullptr;
  as_stem_array(self.get())->buffers = new std::shared_ptr<const ExportedBuffers>(std::move(buffers));
  PyRef array_fn(pyarrow_array_function());
  if (!array_fn) return self.release();
  return PyObject_CallFunctionObjArgs(array_fn.get(), self.get(), nullptr);
}

PyObject* make_stem_array_type(PyObject* module) {
  return PyType_FromModuleAndSpec(module, &kStemArraySpec, nullptr);
}

}  // namespace velmora::py
