#include "model/model_check.h"

#include <cmath>

#include "util/error_texts.h"
#include "util/utf.h"

namespace velmora {

TextFaults scan_text(std::string_view bytes) {
  TextFaults faults;
  faults.size = bytes.size();
  for (char c : bytes) faults.nul_characters += c == '\0';
  size_t at = 0;
  while (at < bytes.size()) {
    const Utf8Check check = check_utf8(bytes.substr(at));
    if (check.ok) break;
    if (faults.undecodable++ == 0) faults.first_undecodable = at + check.valid_up_to;
    // A sequence cut short by the end is one replacement, like any other.
    if (check.error_length == 0) break;
    at += check.valid_up_to + check.error_length;
  }
  return faults;
}

Status refuse_binary(const TextFaults& faults, const FileNaming& naming) {
  const size_t bad = faults.nul_characters + faults.undecodable;
  if (faults.size == 0 || double(bad) <= kBinaryShare * double(faults.size)) return ok_status();
  // Rounded half to even, as the package layer always printed it.
  const long share = std::lrint(100.0 * double(bad) / double(faults.size));
  return invalid_data(naming.what + " " + naming.shown + texts::kIsBinary + std::to_string(share) +
                      texts::kBadByteShare);
}

std::vector<std::string> text_warnings(const TextFaults& faults, const FileNaming& naming) {
  std::vector<std::string> warnings;
  if (faults.nul_characters > 0) warnings.push_back(naming.what + " " + naming.shown + texts::kHoldsNul);
  if (faults.undecodable > 0) {
    warnings.push_back(naming.what + " " + naming.shown + texts::kUndecodableFirstAt +
                       std::to_string(faults.first_undecodable) + texts::kReadAsReplacement);
  }
  return warnings;
}

Error no_entries(const FileNaming& naming) { return invalid_data(naming.shown + texts::kHoldsNoEntries); }

Error image_as_source(const FileNaming& naming) { return invalid_data(naming.shown + texts::kImageAsSource); }

Error named_read_error(Error error, const std::string& path, const FileNaming& naming) {
  // read_file's refusal reads kCannotRead, the path, kNotARegularFile and the
  // kind; the path with its quotes gives way to what and how it is shown.
  const std::string quoted = texts::kCannotRead + path + "'";
  if (error.kind == ErrorKind::kInvalidData && error.message.rfind(quoted, 0) == 0) {
    error.message = texts::kCannotReadAs + naming.what + " " + naming.shown + error.message.substr(quoted.size());
  }
  return error;
}

}  // namespace velmora
