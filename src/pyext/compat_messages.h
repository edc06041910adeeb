// The texts of the extension's argument and access errors, in one table.
//
// Callers match on these texts (tests, wrappers, and code written against
// earlier releases), so each must stay exactly as it is, odd spellings
// included: the conversion targets read as the type names of an older
// binding ("PyString", "PyBool", ...), not as Python names. Change none of
// them without treating it as an interface change. Used by every file of
// src/pyext that raises one of them.
#pragma once

namespace velmora::py::compat {

// Conversion targets in "'<type>' object cannot be converted to '<target>'" (TypeError).
inline constexpr const char* kTargetStr = "PyString";
inline constexpr const char* kTargetBool = "PyBool";
inline constexpr const char* kTargetBytes = "PyBytes";
inline constexpr const char* kTargetTuple = "PyTuple";
inline constexpr const char* kTargetList = "PyList";
inline constexpr const char* kTargetSequence = "Sequence";

// TypeError: a str passed where a sequence of items is expected.
inline constexpr const char* kStrIsNotASequence = "Can't extract `str` to `Vec`";
// ValueError prefix: a pair that is a tuple of another length (the length follows).
inline constexpr const char* kPairLengthPrefix = "expected tuple of length 2, but got tuple of length ";
// OverflowError: a count outside the signed 32-bit range.
inline constexpr const char* kCountOutOfRange = "out of range integral type conversion attempted";

// RuntimeError: a TrieBuilder call while a conflicting call is running
// (a mutating call during any other call, or any call during a mutating one).
inline constexpr const char* kAlreadyBorrowed = "Already borrowed";
inline constexpr const char* kAlreadyMutablyBorrowed = "Already mutably borrowed";

// TypeError: a word that is neither str nor bytes.
inline constexpr const char* kStemWordItemType = "stemWord / stemWords accepts only str and bytes";
inline constexpr const char* kStemWordsItemType = "stemWords() accepts only str and bytes";

// MemoryError: a result list that could not be allocated.
inline constexpr const char* kOutputListAllocation = "failed to allocate output list";

// ImportError: the module imported by a second interpreter of the process.
inline constexpr const char* kSecondInterpreter =
    "velmora._velmora does not support subinterpreters: it is already initialised "
    "in another interpreter of this process";

}  // namespace velmora::py::compat
