#include "core/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace v7400 {

namespace {

constexpr char kNotRegular[] = "Not a regular file";

bool IsNullDevice(const struct stat& status) {
  struct stat null_status {};
  return S_ISCHR(status.st_mode) && ::stat("/dev/null", &null_status) == 0 &&
         status.st_rdev == null_status.st_rdev;
}

bool Acceptable(const struct stat& status) {
  return S_ISREG(status.st_mode) || IsNullDevice(status);
}

}  // namespace

int OpenOutputDescriptor(const std::string& path, OutputMode mode, std::string& reason) {
  // O_NONBLOCK: a FIFO without a reader fails with ENXIO instead of waiting for one.
  const int flags = O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC |
                    (mode == OutputMode::kAppend ? O_APPEND : 0);
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    reason = errno == ENXIO ? kNotRegular : std::strerror(errno);
    return -1;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !Acceptable(status)) {
    reason = kNotRegular;
    ::close(fd);
    return -1;
  }
  // Truncated only once known to be a regular file; writes block as a file's always do.
  if ((mode == OutputMode::kTruncate && S_ISREG(status.st_mode) && ::ftruncate(fd, 0) != 0) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    reason = std::strerror(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

std::FILE* OpenOutputFile(const std::string& path, OutputMode mode, std::string& reason) {
  const int fd = OpenOutputDescriptor(path, mode, reason);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, mode == OutputMode::kAppend ? "ab" : "wb");
  if (file == nullptr) {
    reason = std::strerror(errno);
    ::close(fd);
  }
  return file;
}

std::string OutputPathProblem(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return {};
  return Acceptable(status) ? std::string() : kNotRegular;
}

bool SameOutputFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  const bool has_a = ::stat(a.c_str(), &sa) == 0;
  const bool has_b = ::stat(b.c_str(), &sb) == 0;
  if (has_a && has_b) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino && !IsNullDevice(sa);
  }
  // Neither there yet (or one of them): the same path once made absolute and normal.
  std::error_code error;
  const auto normal = [&](const std::string& path) {
    return std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
  };
  return normal(a) == normal(b);
}

}  // namespace v7400
