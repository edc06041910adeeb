#include "model/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

Status write_file(const std::string& path, std::string_view data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return os_error(errno);
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int number = errno;
      ::close(fd);
      return os_error(number);
    }
    done += size_t(n);
  }
  if (::close(fd) != 0) return os_error(errno);
  return ok_status();
}

}  // namespace velmora
