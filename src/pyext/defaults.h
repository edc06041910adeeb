// The defaults of the extension's optional arguments, in one place: the
// converters start from these values and the docstrings spell them from the
// same macros. Used by the StemmerCore and TrieBuilder classes.
#pragma once

#include <cstddef>
#include <cstdint>

// Macros rather than constants so that docstring literals can splice them in.
#define VELMORA_DEFAULT_CACHE_SIZE 10000
#define VELMORA_DEFAULT_LOOKUP "first"
#define VELMORA_MAX_CACHED_WORD_BYTES 128
#define VELMORA_STRINGIFY_(x) #x
#define VELMORA_STRINGIFY(x) VELMORA_STRINGIFY_(x)

namespace velmora::py {

// Results kept per StemmerCore: enough for the common vocabulary of a text.
inline constexpr uint64_t kDefaultCacheSize = VELMORA_DEFAULT_CACHE_SIZE;
inline constexpr const char* kDefaultLookup = VELMORA_DEFAULT_LOOKUP;
// The longest word, and stem, in UTF-8 bytes that the result cache keeps: real
// words are far shorter, and the bound caps a full cache at about cache_size
// times a kilobyte, whatever words a caller sends (a cache of 10,000 entries
// once held 2,000 words of 210 KB, 400 MB, after the caller had let them go).
inline constexpr size_t kMaxCachedWordBytes = VELMORA_MAX_CACHED_WORD_BYTES;

}  // namespace velmora::py
