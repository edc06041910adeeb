// The fixed texts of the native errors, in one table: every message the
// library's own code returns in an Error that a caller may see (the Python
// extension raises them as the messages of ValueError, OverflowError and
// MemoryError) and may match on. Each must stay exactly as it is; change none
// without treating it as an interface change. Messages made of parts are kept
// as their fixed parts; the numbers and names between them are the raising
// code's. The extension's own texts are in pyext/compat_messages.h.
// Used by every room that returns one of them; depends on nothing.
#pragma once

// X(name, text): the table, read once to define the constants below and once
// by the extension's _fixed_texts().
#define VELMORA_NATIVE_TEXTS(X)                                                                        \
  /* The compiled image reader; " at node " and the node follow most. */                             \
  X(kUnexpectedEnd, "unexpected end of trie stream")                                                   \
  X(kBadMagic, "bad trie stream magic")                                                                \
  X(kUnsupportedVersion, "unsupported trie stream version ")                                           \
  X(kExpectedVersion, " (expected ")                                                                   \
  X(kNodeCountRange, "node count must be positive and fit within the stream")                          \
  X(kNonZeroRoot, "unsupported non-zero root node id")                                                 \
  X(kValueTableCount, "value-table count is negative or exceeds the stream bounds")                    \
  X(kAtNode, " at node ")                                                                              \
  X(kInvalidAcceptingFlag, "invalid accepting flag ")                                                  \
  X(kInvalidEdgeCount, "invalid edge count ")                                                          \
  X(kLabelsNotAscending, "edge labels are not strictly ascending")                                     \
  X(kChildNodeId, "child node id ")                                                                    \
  X(kIsOutOfRange, " is out of range")                                                                 \
  X(kInvalidValueCount, "invalid value count ")                                                        \
  X(kAcceptingNode, "accepting node ")                                                                 \
  X(kHasNoValue, " has no value")                                                                      \
  X(kValueId, "value id ")                                                                             \
  X(kValueCount, "value count ")                                                                       \
  X(kMustBePositive, " must be positive")                                                              \
  X(kDuplicateValueId, "duplicate value id ")                                                          \
  X(kCycleThroughNode, "cycle detected through node ")                                                 \
  X(kUnreachableNode, "compiled trie contains an unreachable node")                                    \
  X(kMalformedModifiedUtf8, "malformed modified UTF-8")                                                \
  /* The image writer. */                                                                              \
  X(kStringTooLong, "string too long for Java modified UTF-8")                                         \
  /* gzip: a compiled image cut short; inflating past the limit (the limit and kBytes follow). */      \
  X(kTruncatedImage, "truncated compiled image")                                                       \
  X(kInflatesPastLimit, "gzip data inflates past the limit of ")                                       \
  X(kBytes, " bytes")                                                                                  \
  /* Compressing an image, when zlib gives no text of its own. */                                      \
  X(kDeflateInitFailed, "deflateInit2 failed")                                                         \
  X(kDeflateFailed, "deflate failed")                                                                  \
  /* Patch commands (the opcode letter follows kUnknownOpcode). */                                     \
  X(kUnknownOpcode, "Unknown opcode: ")                                                                \
  X(kInvalidNoopArg, "Invalid NOOP arg")                                                               \
  /* Rules refused by the frequency trie. */                                                           \
  X(kCannotMakeDominant,                                                                               \
    "cannot make the rule dominant because another rule already has the maximum frequency")            \
  X(kCountExceedsFormat, "frequency count exceeds the signed 32-bit format limit")                     \
  X(kTooLongToEncode, "word and stem too long: their lengths multiplied exceed ")                      \
  X(kUnits, " units")                                                                                  \
  /* Dictionary text: "dictionary line N" then a limit (kBytes or kUnits ends it). */                  \
  X(kDictionaryLine, "dictionary line ")                                                               \
  X(kLineLongerThan, " is longer than ")                                                               \
  X(kFieldLongerThan, " has a field longer than ")                                                     \
  /* Rebuilding a builder from an image (the limit and kBuilderNodes follow). */                       \
  X(kExpandsPast, "compiled trie expands to more than ")                                               \
  X(kBuilderNodes, " builder nodes")                                                                   \
  /* Lookup modes: the quoted text given goes between the two parts. */                                \
  X(kInvalidLookupMode, "invalid lookup mode ")                                                        \
  X(kExpectedLookupModes, "; expected 'first', 'last', or 'all'")                                      \
  /* Arrow arrays that fail the reader's checks (the extension puts its own prefix first). */          \
  X(kNoOffsetsBuffer, "no offsets buffer")                                                             \
  X(kOffsetsBufferRange, "offsets buffer out of range")                                                \
  X(kOffsetsOutOfOrder, "offsets out of order")                                                        \
  X(kNoDataBuffer, "no data buffer")                                                                   \
  X(kOffsetsOutOfRange, "offsets out of range")                                                        \
  X(kNoViewsBuffer, "no views buffer")                                                                 \
  X(kViewsBufferRange, "views buffer out of range")                                                    \
  X(kNoBufferSizes, "no buffer sizes")                                                                 \
  X(kDataBufferSizeRange, "data buffer size out of range")                                             \
  X(kNegativeViewLength, "negative view length")                                                       \
  X(kViewOutsideBuffer, "view outside its data buffer")                                                \
  X(kArrayReleased, "the array was released")                                                          \
  X(kNegativeLengthOrOffset, "negative length or offset")                                              \
  X(kLengthOrOffsetRange, "length or offset out of range")                                             \
  X(kWrongBufferCount, "wrong number of buffers")                                                      \
  X(kValidityBufferRange, "validity buffer out of range")                                              \
  /* Model files. */                                                                                   \
  X(kAlreadyCompiled, "source is already a compiled trie")                                             \
  X(kCannotRead, "cannot read '")                                                                      \
  X(kNotARegularFile, "': not a regular file (")                                                       \
  /* A checked load (model/model_check.h): the file as shown and what it was read as go first. */     \
  X(kCannotReadAs, "cannot read ")                                                                     \
  X(kIsBinary, " is binary, not a text dictionary (")                                                 \
  X(kBadByteShare, "% NUL or undecodable bytes)")                                                      \
  X(kHoldsNoEntries, " holds no dictionary entries")                                                   \
  X(kImageAsSource, " is already a compiled image, not a source dictionary")                          \
  /* Its warnings, returned as texts. */                                                               \
  X(kHoldsNul, " holds NUL characters")                                                                \
  X(kUndecodableFirstAt, " has undecodable bytes (first at byte ")                                     \
  X(kReadAsReplacement, "); they are read as U+FFFD")

namespace velmora::texts {

#define VELMORA_DEFINE_TEXT(name, text) inline constexpr const char* name = text;
VELMORA_NATIVE_TEXTS(VELMORA_DEFINE_TEXT)
#undef VELMORA_DEFINE_TEXT

}  // namespace velmora::texts
