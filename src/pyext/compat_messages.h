// The fixed texts of the extension's own exceptions, in one table.
//
// Callers match on these texts (tests, wrappers, and code written against
// earlier releases), so each must stay exactly as it is, odd spellings
// included: the conversion targets read as the type names of an older
// binding ("PyString", "PyBool", ...), not as Python names. Change none of
// them without treating it as an interface change. Texts made of parts are
// kept as their fixed parts, or as printf templates where the raising code
// formats them (PyErr_Format). The texts of native errors, which reach Python
// as the messages of ValueError, OverflowError and MemoryError, are in
// util/error_texts.h. _velmora._fixed_texts() lists both tables, and
// tests/python/test_fixed_texts.py raises every entry.
// Used by every file of src/pyext that raises one of them.
#pragma once

#include "util/error_texts.h"

// X(name, text): the table, read once to define the constants below and once
// by _fixed_texts().
#define VELMORA_COMPAT_TEXTS(X)                                                                          \
  /* Conversion targets in "'<type>' object cannot be converted to '<target>'" (TypeError). */          \
  X(kTargetStr, "PyString")                                                                              \
  X(kTargetBool, "PyBool")                                                                               \
  X(kTargetBytes, "PyBytes")                                                                             \
  X(kTargetTuple, "PyTuple")                                                                             \
  X(kTargetList, "PyList")                                                                               \
  X(kTargetSequence, "Sequence")                                                                         \
  X(kCannotBeConvertedTo, "' object cannot be converted to '")                                           \
  /* TypeError prefix of a conversion error: "argument '<name>': <message>". */                          \
  X(kArgumentPrefix, "argument '")                                                                       \
  X(kArgumentPrefixEnd, "': ")                                                                           \
  /* Argument binding, "<callable>()" followed by one of these (TypeError). */                          \
  X(kTakes, " takes ")                                                                                   \
  X(kPositionalArgumentsBut, " positional arguments but ")                                               \
  X(kUnexpectedKeyword, " got an unexpected keyword argument '")                                         \
  X(kMultipleValues, " got multiple values for argument '")                                              \
  X(kMissing, " missing ")                                                                               \
  X(kRequiredPositionalArgument, "required positional argument")                                         \
  X(kKeywordsMustBeStrings, " keywords must be strings")                                                 \
  /* ValueError: a path with a NUL, as Python's open says it. */                                         \
  X(kEmbeddedNull, "embedded null byte")                                                                 \
  /* TypeError: a str passed where a sequence of items is expected. */                                   \
  X(kStrIsNotASequence, "Can't extract `str` to `Vec`")                                                  \
  /* ValueError prefix: a pair that is a tuple of another length (the length follows). */               \
  X(kPairLengthPrefix, "expected tuple of length 2, but got tuple of length ")                           \
  /* OverflowError: a count outside the signed 32-bit range. */                                          \
  X(kCountOutOfRange, "out of range integral type conversion attempted")                                 \
  /* ValueError prefix: a rule count below 1 (the count follows). */                                     \
  X(kCountAtLeastOne, "count must be at least 1, got ")                                                  \
  /* RuntimeError: a TrieBuilder call while a conflicting call is running (a mutating call during */    \
  /* any other call, or any call during a mutating one). */                                              \
  X(kAlreadyBorrowed, "Already borrowed")                                                                \
  X(kAlreadyMutablyBorrowed, "Already mutably borrowed")                                                 \
  /* TypeError: a word that is neither str nor bytes. */                                                 \
  X(kStemWordItemType, "stemWord / stemWords accepts only str and bytes")                                \
  X(kStemWordsItemType, "stemWords() accepts only str and bytes")                                        \
  /* UnicodeDecodeError reason of a bytes word: the prefix, then one of the two details. */             \
  X(kInvalidUtf8, "invalid utf-8: ")                                                                     \
  X(kInvalidUtf8Sequence, "invalid utf-8 sequence of ")                                                  \
  X(kBytesFromIndex, " bytes from index ")                                                               \
  X(kIncompleteUtf8, "incomplete utf-8 byte sequence from index ")                                       \
  /* OSError: the system's text, then this, the error number and ")". */                                 \
  X(kOsErrorPrefix, " (os error ")                                                                       \
  /* MemoryError: a result list that could not be allocated. */                                          \
  X(kOutputListAllocation, "failed to allocate output list")                                             \
  /* ValueError (template: the output path): compile writing over its own source. */                     \
  X(kOutputIsSource, "the output '%s' is the source file; choose another output path")                   \
  /* The threads argument of stem_batch and stem_arrow (template: the type name). */                     \
  X(kThreadsType, "threads must be an int or None, not '%s'")                                            \
  X(kThreadsRange, "threads must be between 1 and 1024")                                                 \
  /* stem_arrow's column (TypeError): not an Arrow object (the type name and "'" follow), or */          \
  /* not of a string type (the format and "'" follow, then kDictionaryEncoded for a dictionary). */      \
  X(kNotAnArrowColumn, "stem_arrow() takes an Arrow column (an object with __arrow_c_array__ or "        \
                       "__arrow_c_stream__), not '")                                                     \
  X(kNotAStringColumn, "stem_arrow() takes a column of Arrow type string, large_string or string_view, " \
                       "not one of format '")                                                            \
  X(kDictionaryEncoded, " (dictionary-encoded)")                                                         \
  X(kArrowPairType, "__arrow_c_array__() must return a tuple of two capsules")                           \
  /* ValueError (template: schema, array or stream): a structure released before. */                    \
  X(kArrowAlreadyReleased,                                                                               \
    "stem_arrow(): the Arrow %s was already released (its capsule was imported or consumed before)")     \
  /* ValueError (template: the reader's detail): an array that fails the checks. */                      \
  X(kMalformedArrowArray, "stem_arrow(): malformed Arrow array: %s")                                     \
  /* OSError (template: the code, the producer's text or kNoMessage). */                                 \
  X(kArrowStreamFailed, "stem_arrow(): the Arrow stream failed (error %d): %s")                          \
  X(kNoMessage, "no message")                                                                            \
  /* ValueError (template: the row): a row whose bytes are not UTF-8. */                                 \
  X(kRowNotUtf8, "stem_arrow(): row %zu is not valid UTF-8")                                             \
  /* TypeError: the exported stems' __arrow_c_array__ called with more than requested_schema. */         \
  X(kExportArguments, "__arrow_c_array__() takes at most 1 argument")                                    \
  /* ImportError: the module imported by a second interpreter of the process. */                         \
  X(kSecondInterpreter, "velmora._velmora does not support subinterpreters: it is already initialised "  \
                        "in another interpreter of this process")                                        \
  /* SystemError: a C++ exception other than a failed allocation, an instance whose module's */          \
  /* state was cleared (neither is expected). */                                                         \
  X(kUnexpectedNativeFailure, "unexpected native failure")                                               \
  X(kNoModuleState, "velmora._velmora: a class without its module state")

namespace velmora::py::compat {

#define VELMORA_DEFINE_TEXT(name, text) inline constexpr const char* name = text;
VELMORA_COMPAT_TEXTS(VELMORA_DEFINE_TEXT)
#undef VELMORA_DEFINE_TEXT

}  // namespace velmora::py::compat
