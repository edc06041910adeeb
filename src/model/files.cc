#include "model/files.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>

#include "util/cancellation.h"
#include "util/error_texts.h"

namespace velmora {

Error os_error(int number, const std::string& path) { return Error{ErrorKind::kIo, path, number}; }

namespace {

const char* kind_of(mode_t mode) {
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a file";
}

// Data is read and written in pieces this size, with a cancellation check
// between pieces.
constexpr size_t kPiece = size_t(1) << 20;

}  // namespace

Expected<std::string> read_file(const std::string& path) {
  // Without waiting: a pipe nobody writes to would block the open itself.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return os_error(errno, path);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int number = errno;
    ::close(fd);
    return os_error(number, path);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    if (S_ISDIR(st.st_mode)) return os_error(EISDIR, path);
    return invalid_data(texts::kCannotRead + path + texts::kNotARegularFile + kind_of(st.st_mode) + ")");
  }
  std::string data;
  if (st.st_size > 0) data.reserve(size_t(st.st_size));
  std::string piece(size_t(1) << 16, '\0');
  for (;;) {
    if (stop_requested()) {
      ::close(fd);
      return cancelled();
    }
    const ssize_t n = ::read(fd, piece.data(), piece.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      const int number = errno;
      ::close(fd);
      return os_error(number, path);
    }
    if (n == 0) break;
    data.append(piece.data(), size_t(n));
  }
  ::close(fd);
  return data;
}

namespace {

// Writes all of `data`; false with errno set, or with `stopped` set at a cancellation.
bool write_all(int fd, std::string_view data, bool& stopped) {
  size_t done = 0;
  while (done < data.size()) {
    if (stop_requested()) {
      stopped = true;
      return false;
    }
    const size_t piece = std::min(kPiece, data.size() - done);
    const ssize_t n = ::write(fd, data.data() + done, piece);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += size_t(n);
  }
  return true;
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The path a chain of symbolic links at `path` ends at (the path itself when it
// is no link); the end may not exist yet. Links inside the folder part are left
// to the kernel.
Expected<std::string> follow_links(const std::string& path) {
  std::string at = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    std::string next(size_t(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
    const ssize_t n = ::readlink(at.c_str(), next.data(), next.size());
    if (n < 0) return os_error(errno, path);
    if (size_t(n) >= next.size()) return os_error(ENAMETOOLONG, path);  // changed under us
    next.resize(size_t(n));
    at = !next.empty() && next[0] == '/' ? next : folder_of(at) + "/" + next;
  }
  return os_error(ELOOP, path);
}

// Ten characters nobody can predict, for a temporary name.
std::string random_name_part() {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[10];
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != ssize_t(sizeof bytes)) {
    // Early in boot there may be no entropy yet; the exclusive create still
    // keeps a planted file from being used.
    static std::atomic<unsigned long> counter{0};
    unsigned long mix = (unsigned long)(::getpid()) * 2654435761UL ^ counter.fetch_add(1) ^
                        (unsigned long)std::chrono::steady_clock::now().time_since_epoch().count();
    for (auto& b : bytes) {
      b = (unsigned char)(mix & 0xff);
      mix = mix * 6364136223846793005UL + 1442695040888963407UL;
    }
  }
  std::string out;
  for (unsigned char b : bytes) out += kAlphabet[b % (sizeof kAlphabet - 1)];
  return out;
}

// Creates a fresh file in `folder` (mode 0666 before umask, as a new target
// would get); its name goes to `temp`. O_EXCL with O_NOFOLLOW: whatever is
// already at a name, a link included, is left alone and another name tried.
int create_in(const std::string& folder, std::string& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = folder + "/.vm" + random_name_part() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// A device or pipe is written where it is; a pipe without a reader fails at once (ENXIO).
Status write_in_place(const std::string& target, const std::string& shown, std::string_view data) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return os_error(errno, shown);
  // Blocking again once open: a slow reader is waited for, not an error.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  bool stopped = false;
  const bool written = write_all(fd, data, stopped);
  const int number = errno;
  const int closed = ::close(fd);
  if (stopped) return cancelled();
  if (!written) return os_error(number, shown);
  if (closed != 0) return os_error(errno, shown);
  return ok_status();
}

// The permission bits of a file replacing `old`: the old bits, without the
// set-ID bits that would now apply to another owner or group.
mode_t replacement_mode(const struct stat& old, const struct stat& created) {
  mode_t mode = old.st_mode & 07777;
  if (created.st_uid != old.st_uid) mode &= ~mode_t(S_ISUID | S_ISGID);
  if (created.st_gid != old.st_gid) mode &= ~mode_t(S_ISGID);
  return mode;
}

}  // namespace

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    discard();
    temp_ = std::move(other.temp_);
    target_ = std::move(other.target_);
    shown_ = std::move(other.shown_);
    other.temp_.clear();
  }
  return *this;
}

void PendingFile::discard() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

Status PendingFile::commit() {
  if (temp_.empty()) return ok_status();  // written in place, or committed already
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int number = errno;
    discard();
    return os_error(number, shown_);
  }
  temp_.clear();
  // The rename itself is made durable with the folder.
  const int dir = ::open(folder_of(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return ok_status();
}

Expected<PendingFile> prepare_file(const std::string& path, std::string_view data, LinkPolicy links) {
  if (path.empty()) return os_error(ENOENT, path);
  if (path.back() == '/') return os_error(EISDIR, path);
  // What is at the path: through links (the kernel's own resolution, which
  // also knows the /proc/self/fd links to pipes) unless links are replaced.
  std::string target = path;
  struct stat old {};
  bool exists = (links == LinkPolicy::kWriteThrough ? ::stat(path.c_str(), &old)
                                                     : ::lstat(path.c_str(), &old)) == 0;
  if (exists && S_ISDIR(old.st_mode)) return os_error(EISDIR, path);
  if (exists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
    if (Status written = write_in_place(path, path, data); !written) return written.take_error();
    return PendingFile{};
  }
  if (links == LinkPolicy::kWriteThrough) {
    // The file to replace (or create, at the end of a link to nothing yet).
    auto followed = follow_links(path);
    if (!followed) return followed.take_error();
    target = std::move(followed).value();
  }

  PendingFile pending;
  pending.target_ = target;
  pending.shown_ = path;
  const int fd = create_in(folder_of(target), pending.temp_);
  if (fd < 0) {
    const int number = errno;
    pending.temp_.clear();  // nothing was created
    return os_error(number, path);
  }
  auto fail = [&](int number) -> Error {
    ::close(fd);
    pending.discard();
    return os_error(number, path);
  };
  if (exists && S_ISREG(old.st_mode)) {
    struct stat created {};
    if (::fstat(fd, &created) != 0) return fail(errno);
    if (::fchmod(fd, replacement_mode(old, created)) != 0) return fail(errno);
  }
  bool stopped = false;
  if (!write_all(fd, data, stopped)) {
    if (!stopped) return fail(errno);
    ::close(fd);
    pending.discard();
    return cancelled();
  }
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    const int number = errno;
    pending.discard();
    return os_error(number, path);
  }
  return pending;
}

Status write_file(const std::string& path, std::string_view data, LinkPolicy links) {
  auto pending = prepare_file(path, data, links);
  if (!pending) return pending.take_error();
  return pending->commit();
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace velmora
