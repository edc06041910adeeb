// The diagnostic methods of StemmerCore, all in diagnostics.cc with their one
// table: each batch method runs a prefix of the stemming pipeline over a list
// of words and returns an aggregate, so that the cost of every stage can be
// measured; three more report fixed facts. Their names, arguments and results
// are part of the contract (the benchmarks and tools call them), so they stay
// as they are. Used by the StemmerCore class, which appends the table to its own.
#pragma once

#include "pyext/py_ref.h"

namespace velmora::py {

// The diagnostic methods, ending with the {nullptr} sentinel.
extern PyMethodDef kDiagnosticMethods[];

}  // namespace velmora::py
