#include "core/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/types.h>

#include <cerrno>
#include <cstdlib>
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

std::string ResolvedPath(const std::string& path) {
  std::error_code error;
  std::filesystem::path at = std::filesystem::absolute(path, error);
  // A bounded number of hops, as the kernel allows: a loop of links ends here too.
  for (int hop = 0; hop < 40 && std::filesystem::is_symlink(at, error); ++hop) {
    const std::filesystem::path target = std::filesystem::read_symlink(at, error);
    if (error) break;
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  return std::filesystem::weakly_canonical(at, error).string();
}

namespace {

// A new file beside `target`, named after it; its descriptor, or -1 with errno set.
int MakeSibling(const std::string& target, std::string& name) {
  const std::filesystem::path at(target);
  name = (at.parent_path() / ("." + at.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return -1;
  // mkstemp makes it 0600; the file gets what a file created by open would.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  return fd;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

bool WriteWholeFile(const std::string& path, std::string_view text, std::string& reason) {
  const std::string target = ResolvedPath(path);
  struct stat status {};
  if (::stat(target.c_str(), &status) == 0 && IsNullDevice(status)) return true;
  if (std::string problem = OutputPathProblem(target); !problem.empty()) {
    reason = std::move(problem);
    return false;
  }
  std::string temporary;
  const int fd = MakeSibling(target, temporary);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
  const int write_error = errno;
  if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), target.c_str()) != 0) {
    reason = std::strerror(written ? errno : write_error);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::string WholeFileProblem(const std::string& path) {
  const std::string target = ResolvedPath(path);
  struct stat status {};
  if (::stat(target.c_str(), &status) == 0 && IsNullDevice(status)) return {};
  if (std::string problem = OutputPathProblem(target); !problem.empty()) return problem;
  std::string temporary;
  const int fd = MakeSibling(target, temporary);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  ::unlink(temporary.c_str());
  return {};
}

bool SameOutputFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  const bool has_a = ::stat(a.c_str(), &sa) == 0;
  const bool has_b = ::stat(b.c_str(), &sb) == 0;
  if (has_a && has_b) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino && !IsNullDevice(sa);
  }
  // Neither there yet (or one of them): the same path once its links are followed.
  return ResolvedPath(a) == ResolvedPath(b);
}

}  // namespace v7400
