// Whole-file reads and writes with the operating system's error numbers, for
// model loading and every file the package writes (compiled images, saved
// builders, the on-demand cache). An I/O error carries the error number and,
// in its message, the path as the caller gave it.
#pragma once

#include <string>
#include <string_view>

#include "util/expected.h"

namespace velmora {

// An I/O error naming `path` (kept in the error's message).
Error os_error(int number, const std::string& path);

// Reads a whole regular file; failures carry the operating system's error
// number. Anything else is refused before a byte is read: a directory with
// EISDIR, a device, pipe or socket (which may never end) with invalid data
// "cannot read '<path>': not a regular file". Stops early at a cancellation.
Expected<std::string> read_file(const std::string& path);

// Whether a symbolic link at the target is written through (the file it leads
// to is replaced, the link stays) or replaced by the new file itself.
enum class LinkPolicy : unsigned char { kWriteThrough, kReplaceLink };

// A complete new file beside its target, not yet renamed over it: dropping it
// without commit() removes it, so the target keeps its old content.
class PendingFile {
 public:
  PendingFile() = default;
  PendingFile(PendingFile&& other) noexcept { *this = std::move(other); }
  PendingFile& operator=(PendingFile&& other) noexcept;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() { discard(); }

  // Renames the file over its target and syncs the folder; the file is
  // removed when the rename fails.
  Status commit();
  void discard();

 private:
  friend Expected<PendingFile> prepare_file(const std::string&, std::string_view, LinkPolicy);
  std::string temp_;    // empty when there is nothing to rename (or remove)
  std::string target_;  // the file the rename replaces
  std::string shown_;   // the path as the caller gave it, for errors
};

// Writes `data` into a new file in the target's folder, synced to disk; the
// target is not touched. The temporary name is short (".vm" + 10 random
// characters + ".tmp", so any legal target name works) and created
// exclusively without following links: a file or link planted there is never
// opened, another name is tried. A replaced file keeps its permission bits,
// except the set-user-ID and set-group-ID bits when the new file's owner or
// group differs from the old one's. A target that is not a regular file (a
// device, a pipe) cannot be replaced by a rename and is written in place at
// once; a pipe is opened without waiting, so a pipe nobody reads fails with
// ENXIO instead of blocking. A path ending in "/" or naming a folder fails with
// EISDIR. Stops at a cancellation (the new file is removed); every failure
// removes the new file and names `path`.
Expected<PendingFile> prepare_file(const std::string& path, std::string_view data,
                                   LinkPolicy links = LinkPolicy::kWriteThrough);

// prepare_file then commit: the target is either the old file or the complete
// new one, never a partial file.
Status write_file(const std::string& path, std::string_view data,
                  LinkPolicy links = LinkPolicy::kWriteThrough);

// Whether both paths exist and name the same file, however spelled (links,
// "..", hard links).
bool same_file(const std::string& a, const std::string& b);

}  // namespace velmora
