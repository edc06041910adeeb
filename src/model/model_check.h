// The judgement the package layer passes on a model or source file beyond
// "it loads": the native loaders read any bytes (a file that is neither an
// image nor gzip is read as a dictionary, invalid UTF-8 as U+FFFD), so a
// binary or empty file would load as a model that stems nothing. A checked
// load refuses such content and words warnings about a few bad bytes; the
// messages name the file as the caller shows it.
// Used by model loading.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "util/expected.h"

namespace velmora {

// How a checked file is named in messages: `shown` as the caller prints it
// ("'/path/d.tsv'", "<stdin>"), `what` as what it was read as ("model", "source").
struct FileNaming {
  std::string shown;
  std::string what;
};

// NUL characters and ill-formed UTF-8 in dictionary text. Each maximal
// ill-formed subsequence counts once, as the dictionary reader (and Python's
// "replace" decoding) turns each into one U+FFFD.
struct TextFaults {
  size_t size = 0;
  size_t nul_characters = 0;
  size_t undecodable = 0;
  size_t first_undecodable = 0;  // byte offset of the first, when undecodable > 0
};
TextFaults scan_text(std::string_view bytes);

// Past this share of NUL characters and undecodable sequences, content is
// binary, not a dictionary with a few bad bytes.
inline constexpr double kBinaryShare = 0.10;

// Error "<what> <shown> is binary, not a text dictionary (N% NUL or undecodable
// bytes)" for binary content.
Status refuse_binary(const TextFaults& faults, const FileNaming& naming);

// "<what> <shown> holds NUL characters" and "<what> <shown> has undecodable
// bytes (first at byte N); they are read as U+FFFD", as they apply.
std::vector<std::string> text_warnings(const TextFaults& faults, const FileNaming& naming);

// "<shown> holds no dictionary entries": a dictionary without a line that
// lists a word form, or an image without a rule.
Error no_entries(const FileNaming& naming);

// "<shown> is already a compiled image, not a source dictionary".
Error image_as_source(const FileNaming& naming);

// A read_file error of `path` worded for the checked file: the refusal of a
// device or pipe says "cannot read <what> <shown>: not a regular file (...)";
// an operating-system error is kept as it is (it names the path itself).
Error named_read_error(Error error, const std::string& path, const FileNaming& naming);

}  // namespace velmora
