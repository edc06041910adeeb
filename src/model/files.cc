#include "model/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace velmora {
namespace {

Error os_error(int number) { return Error{ErrorKind::kIo, {}, number}; }

}  // namespace

Expected<std::string> read_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return os_error(errno);
  std::string data;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) data.reserve(size_t(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int number = errno;
      ::close(fd);
      return os_error(number);
    }
    if (n == 0) break;
    data.append(buffer, size_t(n));
  }
  ::close(fd);
  return data;
}

namespace {

Status write_all(int fd, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return os_error(errno);
    }
    done += size_t(n);
  }
  return ok_status();
}

// The old way, kept for what cannot be replaced by a rename: devices, pipes,
// and links that lead nowhere yet.
Status write_in_place(const std::string& path, std::string_view data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return os_error(errno);
  Status written = write_all(fd, data);
  const int closed = ::close(fd);
  if (!written) return written;
  if (closed != 0) return os_error(errno);
  return ok_status();
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates a fresh file beside `target` (mode 0666 before umask, as a new
// target would get); its name goes to `temp`.
int create_beside(const std::string& target, std::string& temp) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = folder + "." + base + "." + std::to_string(::getpid()) + "." +
           std::to_string(counter.fetch_add(1)) + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

Status write_file(const std::string& path, std::string_view data) {
  std::string target = path;
  struct stat st {};
  bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return write_in_place(path, data);
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    // A link is written through: the file it leads to is replaced, the link stays.
    if (!exists) return write_in_place(path, data);
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return os_error(errno);
    target = resolved;
    std::free(resolved);
  }

  std::string temp;
  const int fd = create_beside(target, temp);
  if (fd < 0) return os_error(errno);
  auto fail = [&](int number) {
    ::close(fd);
    ::unlink(temp.c_str());
    return Status(os_error(number));
  };
  // A replaced file keeps its permission bits.
  if (exists && ::fchmod(fd, st.st_mode & 07777) != 0) return fail(errno);
  if (Status written = write_all(fd, data); !written) return fail(written.error().os_errno);
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    const int number = errno;
    ::unlink(temp.c_str());
    return os_error(number);
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int number = errno;
    ::unlink(temp.c_str());
    return os_error(number);
  }
  // The rename itself is made durable with the folder.
  const int dir = ::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return ok_status();
}

}  // namespace velmora
