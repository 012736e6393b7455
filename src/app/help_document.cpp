#include "app/help_document.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace v7400 {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw std::runtime_error("Cannot open file \"" + path + "\". " + reason);
}

}  // namespace

RtfDocument LoadHelpDocument(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status)) Fail(path, "No such file or directory");
  // A FIFO or a device would block or never end.
  if (!std::filesystem::is_regular_file(status)) Fail(path, "Not a regular file");
  const auto size = std::filesystem::file_size(path, error);
  if (error) Fail(path, error.message());
  if (size > kMaxHelpDocumentBytes) Fail(path, "File too large");
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, std::strerror(errno));
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) Fail(path, "Read error");
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return ReadRtf(bytes);
}

}  // namespace v7400
