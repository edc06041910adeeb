// Arrow string columns in and out through the Arrow PyCapsule interface:
// reading the rows of any exporter (__arrow_c_array__ or __arrow_c_stream__;
// string, large_string, string_view) without a Python object per row, and
// exporting a stem column as a large_string array.
// Used by the StemmerCore's stem_arrow (column_methods.cc).
#pragma once

#include "pyext/py_ref.h"

#include <memory>
#include <vector>

#include "runtime/arrow_c_abi.h"
#include "runtime/arrow_chunk.h"
#include "runtime/column_stem.h"

namespace velmora::py {

// The rows of an imported column. Every structure is moved out of its
// capsule or stream (the capsule's copy marked released, as the interface
// describes), so no one else can release it while the walk reads it; this
// object releases them, and keeps the producer's buffers alive until then.
class ArrowInput {
 public:
  ArrowInput() = default;
  ArrowInput(const ArrowInput&) = delete;
  ArrowInput& operator=(const ArrowInput&) = delete;
  ~ArrowInput();

  WordColumn column;

 private:
  friend bool import_arrow_column(PyObject* obj, ArrowInput& input);
  bool take_array(ArrowSchema* schema, ArrowArray* array);
  bool take_stream(ArrowArrayStream* stream);
  bool append_rows(const ArrowSchema& schema, const ArrowArray& array);

  std::vector<PyRef> producers_;  // objects whose capsules were read
  std::vector<std::unique_ptr<ArrowArray>> arrays_;
  std::vector<std::unique_ptr<ArrowSchema>> schemas_;
  std::unique_ptr<ArrowArrayStream> stream_;
  std::vector<ArrowChunk> chunks_;
};

// Reads `obj`'s rows. False with the error set: TypeError for an object that
// exports no Arrow data or a column that is not of a string type; ValueError
// for a structure already released (a capsule imported or consumed before)
// and for an array that fails the checks of read_arrow_chunk (which says what
// can and cannot be checked); OSError for a stream that fails; and whatever
// the producer raised.
bool import_arrow_column(PyObject* obj, ArrowInput& input);

// A new object whose __arrow_c_array__ exports `column` as a nullable
// large_string array (its buffers shared, not copied); converted to a
// pyarrow.Array when pyarrow can be imported. The object is of the export
// class of the module that made `kin`'s class. Null with the error set.
PyObject* export_stem_column(PyObject* kin, StemColumn column);

// Makes the export class for `module` (kept in its state): a new reference,
// or null with the error set.
PyObject* make_stem_array_type(PyObject* module);

}  // namespace velmora::py
