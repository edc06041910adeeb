// Arrow string columns in and out through the Arrow PyCapsule interface:
// reading the rows of any exporter (__arrow_c_array__ or __arrow_c_stream__;
// string, large_string, string_view) without a Python object per row, and
// exporting a stem column as a large_string array.
// Used by the StemmerCore's stem_arrow (column_methods.cc).
#pragma once

#include "pyext/py_ref.h"

#include <memory>
#include <vector>

#include "pyext/arrow_c_abi.h"
#include "runtime/column_stem.h"

namespace velmora::py {

// The rows of an imported column. The producer's buffers stay alive, and its
// chunks unreleased, while this object lives; rows point into them.
class ArrowInput {
 public:
  ArrowInput() = default;
  ArrowInput(const ArrowInput&) = delete;
  ArrowInput& operator=(const ArrowInput&) = delete;
  ~ArrowInput();

  WordColumn column;

 private:
  friend bool import_arrow_column(PyObject* obj, ArrowInput& input);
  std::vector<PyRef> capsules_;
  std::vector<std::unique_ptr<ArrowArray>> chunks_;  // from a stream; released here
  ArrowSchema stream_schema_{};
};

// Reads `obj`'s rows. False with the error set: TypeError for an object that
// exports no Arrow data or a column that is not of a string type, ValueError
// for an array whose offsets or views point outside its buffers, and whatever
// the producer raised.
bool import_arrow_column(PyObject* obj, ArrowInput& input);

// A new object whose __arrow_c_array__ exports `column` as a nullable
// large_string array (its buffers shared, not copied); converted to a
// pyarrow.Array when pyarrow can be imported. Null with the error set.
PyObject* export_stem_column(StemColumn column);

}  // namespace velmora::py
