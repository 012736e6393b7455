#include "core/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace v7400 {

namespace {

BoundedRead Refused(const std::string& path, const std::string& reason) {
  return BoundedRead{BoundedRead::Outcome::kRefused, {}, CannotOpenFileMessage(path, reason)};
}

// Closes the descriptor on every way out.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::string CannotOpenFileMessage(const std::string& path, const std::string& reason) {
  return "Cannot open file \"" + path + "\". " + reason;
}

BoundedRead ReadBoundedFile(const std::string& path, std::size_t limit) {
  // O_NONBLOCK: opening a FIFO without a writer returns at once instead of waiting for one.
  const Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
  if (file.fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    return Refused(path, std::strerror(errno));
  }
  struct stat status {};
  if (::fstat(file.fd, &status) != 0) return Refused(path, std::strerror(errno));
  if (!S_ISREG(status.st_mode)) return Refused(path, "Not a regular file");
  if (static_cast<unsigned long long>(status.st_size) > limit) {
    return Refused(path, "File too large");
  }
  BoundedRead read{BoundedRead::Outcome::kRead, {}, {}};
  // One byte more than allowed tells a file that grew since fstat.
  read.bytes.resize(limit + 1);
  std::size_t got = 0;
  while (got < read.bytes.size()) {
    const ssize_t n = ::read(file.fd, read.bytes.data() + got, read.bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Refused(path, std::strerror(errno));
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > limit) return Refused(path, "File too large");
  read.bytes.resize(got);
  return read;
}

bool EndsInsideALine(const std::string& path) {
  const Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
  struct stat status {};
  if (file.fd < 0 || ::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size == 0) {
    return false;
  }
  char last = 0;
  return ::pread(file.fd, &last, 1, status.st_size - 1) == 1 && last != '\n';
}

}  // namespace v7400
