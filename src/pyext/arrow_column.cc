#include "pyext/arrow_column.h"

#include <cstring>
#include <string>

#include "pyext/classes.h"
#include "pyext/py_args.h"
#include "runtime/spare_columns.h"
#include "util/utf.h"

namespace velmora::py {

// ---- import ------------------------------------------------------------------

namespace {

enum class StringLayout { kString, kLargeString, kStringView };

bool layout_of(const ArrowSchema& schema, StringLayout& out) {
  const char* format = schema.format ? schema.format : "";
  if (!schema.dictionary && schema.n_children == 0) {
    if (std::strcmp(format, "u") == 0) return out = StringLayout::kString, true;
    if (std::strcmp(format, "U") == 0) return out = StringLayout::kLargeString, true;
    if (std::strcmp(format, "vu") == 0) return out = StringLayout::kStringView, true;
  }
  const std::string message = std::string("stem_arrow() takes a column of Arrow type string, large_string or "
                                          "string_view, not one of format '") +
                              format + "'" + (schema.dictionary ? " (dictionary-encoded)" : "");
  PyErr_SetString(PyExc_TypeError, message.c_str());
  return false;
}

bool malformed(const char* what) {
  PyErr_Format(PyExc_ValueError, "stem_arrow(): malformed Arrow array: %s", what);
  return false;
}

// The offsets must rise, null rows' too (the walk reads the bytes of a run of
// rows at once); a non-empty row needs the data buffer.
template <typename Offset>
bool check_offset_rows(const ArrowArray& array, WordChunk& chunk) {
  const auto* offsets = static_cast<const Offset*>(array.buffers[1]);
  const char* data = static_cast<const char*>(array.buffers[2]);
  if (array.length > 0) {
    if (!offsets) return malformed("no offsets buffer");
    // Rising from a first offset of at least 0, every offset is at least 0.
    // PERF NOTE: one flag for all rows, not a branch per row, so the check
    // runs vectorized.
    const Offset* o = offsets + array.offset;
    bool rising = o[0] >= 0;
    for (int64_t j = 0; j < array.length; ++j) rising &= o[j + 1] >= o[j];
    if (!rising) return malformed("offsets out of order");
    if (o[array.length] > o[0] && !data) return malformed("no data buffer");
  }
  chunk.layout = sizeof(Offset) == 4 ? WordChunk::Layout::kOffsets32 : WordChunk::Layout::kOffsets64;
  chunk.offsets = offsets;
  chunk.data = data;
  return true;
}

// Every view read must lie inside its data buffer.
bool check_view_rows(const ArrowArray& array, const uint8_t* validity, WordChunk& chunk) {
  const auto* views = static_cast<const uint8_t*>(array.buffers[1]);
  if (array.length > 0 && !views) return malformed("no views buffer");
  const int64_t data_buffers = array.n_buffers - 3;
  const auto* sizes = static_cast<const int64_t*>(array.buffers[array.n_buffers - 1]);
  if (data_buffers > 0 && !sizes) return malformed("no buffer sizes");
  for (int64_t j = array.offset; j < array.offset + array.length; ++j) {
    if (validity && !((validity[j >> 3] >> (j & 7)) & 1)) continue;
    const uint8_t* view = views + 16 * j;
    int32_t length, index, offset;
    std::memcpy(&length, view, 4);
    if (length < 0) return malformed("negative view length");
    if (length <= 12) continue;
    std::memcpy(&index, view + 8, 4);
    std::memcpy(&offset, view + 12, 4);
    if (index < 0 || index >= data_buffers || offset < 0 || int64_t(offset) + length > sizes[index]) {
      return malformed("view outside its data buffer");
    }
    if (!array.buffers[2 + index]) return malformed("no data buffer");
  }
  chunk.layout = WordChunk::Layout::kViews;
  chunk.views = views;
  chunk.view_data = array.buffers + 2;
  chunk.view_sizes = sizes;
  return true;
}

bool append_rows(const ArrowSchema& schema, const ArrowArray& array, WordColumn& out) {
  StringLayout layout;
  if (!layout_of(schema, layout)) return false;
  if (array.length < 0 || array.offset < 0) return malformed("negative length or offset");
  const int64_t min_buffers = 3;
  if (array.n_buffers < min_buffers || (layout != StringLayout::kStringView && array.n_buffers != 3) ||
      !array.buffers) {
    return malformed("wrong number of buffers");
  }
  WordChunk chunk;
  chunk.rows = size_t(array.length);
  chunk.offset = array.offset;
  chunk.validity = array.null_count == 0 ? nullptr : static_cast<const uint8_t*>(array.buffers[0]);
  bool checked = false;
  switch (layout) {
    case StringLayout::kString:
      checked = check_offset_rows<int32_t>(array, chunk);
      break;
    case StringLayout::kLargeString:
      checked = check_offset_rows<int64_t>(array, chunk);
      break;
    case StringLayout::kStringView:
      checked = check_view_rows(array, chunk.validity, chunk);
      break;
  }
  if (checked && chunk.rows) out.chunks.push_back(chunk);
  return checked;
}

template <typename T>
T* capsule_pointer(PyObject* capsule, const char* name) {
  return static_cast<T*>(PyCapsule_GetPointer(capsule, name));
}

bool has_attr(PyObject* obj, const char* name) {
  PyRef attr(PyObject_GetAttrString(obj, name));
  if (!attr) PyErr_Clear();
  return bool(attr);
}

}  // namespace

ArrowInput::~ArrowInput() {
  for (auto& chunk : chunks_) {
    if (chunk->release) chunk->release(chunk.get());
  }
  if (stream_schema_.release) stream_schema_.release(&stream_schema_);
}

bool import_arrow_column(PyObject* obj, ArrowInput& input) {
  if (has_attr(obj, "__arrow_c_array__")) {
    PyRef pair(PyObject_CallMethod(obj, "__arrow_c_array__", nullptr));
    if (!pair) return false;
    if (!PyTuple_Check(pair.get()) || PyTuple_Size(pair.get()) != 2) {
      PyErr_SetString(PyExc_TypeError, "__arrow_c_array__() must return a tuple of two capsules");
      return false;
    }
    PyObject* schema_capsule = PyTuple_GetItem(pair.get(), 0);
    PyObject* array_capsule = PyTuple_GetItem(pair.get(), 1);
    input.capsules_.push_back(PyRef::borrow(schema_capsule));
    input.capsules_.push_back(PyRef::borrow(array_capsule));
    auto* schema = capsule_pointer<ArrowSchema>(schema_capsule, arrow::kSchemaCapsule);
    auto* array = schema ? capsule_pointer<ArrowArray>(array_capsule, arrow::kArrayCapsule) : nullptr;
    if (!array) return false;
    // The capsules' destructors release the structures after the rows are read.
    return append_rows(*schema, *array, input.column);
  }
  if (has_attr(obj, "__arrow_c_stream__")) {
    PyRef capsule(PyObject_CallMethod(obj, "__arrow_c_stream__", nullptr));
    if (!capsule) return false;
    input.capsules_.push_back(PyRef::borrow(capsule.get()));
    auto* stream = capsule_pointer<ArrowArrayStream>(capsule.get(), arrow::kStreamCapsule);
    if (!stream) return false;
    auto stream_error = [&](int code) {
      const char* text = stream->get_last_error ? stream->get_last_error(stream) : nullptr;
      PyErr_Format(PyExc_OSError, "stem_arrow(): the Arrow stream failed (error %d): %s", code,
                   text ? text : "no message");
      return false;
    };
    if (int code = stream->get_schema(stream, &input.stream_schema_)) return stream_error(code);
    StringLayout layout;
    if (!layout_of(input.stream_schema_, layout)) return false;
    for (;;) {
      auto chunk = std::make_unique<ArrowArray>();
      std::memset(chunk.get(), 0, sizeof(ArrowArray));
      if (int code = stream->get_next(stream, chunk.get())) return stream_error(code);
      if (!chunk->release) break;  // the end of the stream
      input.chunks_.push_back(std::move(chunk));
      if (!append_rows(input.stream_schema_, *input.chunks_.back(), input.column)) return false;
    }
    return true;
  }
  // pandas arrays backed by Arrow speak the older pyarrow protocol only.
  if (has_attr(obj, "__arrow_array__")) {
    PyRef converted(PyObject_CallMethod(obj, "__arrow_array__", nullptr));
    if (!converted) return false;
    input.capsules_.push_back(PyRef::borrow(converted.get()));
    if (has_attr(converted.get(), "__arrow_c_array__") || has_attr(converted.get(), "__arrow_c_stream__")) {
      return import_arrow_column(converted.get(), input);
    }
  }
  const std::string message = "stem_arrow() takes an Arrow column (an object with __arrow_c_array__ or "
                              "__arrow_c_stream__), not '" + type_qualname(obj) + "'";
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
    PyErr_SetString(PyExc_TypeError, "__arrow_c_array__() takes at most 1 argument");
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
PyObject* g_stem_array_type = nullptr;

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

PyObject* export_stem_column(StemColumn column) {
  auto buffers = std::make_shared<ExportedBuffers>();
  buffers->column = std::move(column);
  PyRef type(type_once(g_stem_array_type, kStemArraySpec));
  if (!type) return nullptr;
  PyRef self(allocate_instance(reinterpret_cast<PyTypeObject*>(type.get())));
  if (!self) return nullptr;
  as_stem_array(self.get())->buffers = new std::shared_ptr<const ExportedBuffers>(std::move(buffers));
  PyRef array_fn(pyarrow_array_function());
  if (!array_fn) return self.release();
  return PyObject_CallFunctionObjArgs(array_fn.get(), self.get(), nullptr);
}

}  // namespace velmora::py
