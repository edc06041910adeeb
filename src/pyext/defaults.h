// The defaults of the extension's optional arguments, in one place: the
// converters start from these values and the docstrings spell them from the
// same macros. Used by the StemmerCore and TrieBuilder classes.
#pragma once

#include <cstdint>

// Macros rather than constants so that docstring literals can splice them in.
#define VELMORA_DEFAULT_CACHE_SIZE 10000
#define VELMORA_DEFAULT_LOOKUP "first"
#define VELMORA_STRINGIFY_(x) #x
#define VELMORA_STRINGIFY(x) VELMORA_STRINGIFY_(x)

namespace velmora::py {

// Results kept per StemmerCore: enough for the common vocabulary of a text.
inline constexpr uint64_t kDefaultCacheSize = VELMORA_DEFAULT_CACHE_SIZE;
inline constexpr const char* kDefaultLookup = VELMORA_DEFAULT_LOOKUP;

}  // namespace velmora::py
