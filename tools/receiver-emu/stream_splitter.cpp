#include "stream_splitter.h"

#include <cctype>

namespace v7400::emu {
namespace {

constexpr char kLineFeed = '\x0A';
constexpr char kReturn = '\x0D';
constexpr char kTab = '\x09';
// Longer than any "4100" command the simulator builds: a buffer past it is noise.
constexpr std::size_t kMaxFrame = 8192;

int HexValue(std::string_view digits) {
  int value = 0;
  for (const char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return -1;
    value = value * 16 +
            (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::toupper(c) - 'A' + 10));
  }
  return value;
}

}  // namespace

void StreamSplitter::Feed(std::string_view bytes) {
  buffer_.append(bytes);
  while (sia_ ? CutSia() : Cut4100()) {
  }
}

std::vector<std::string> StreamSplitter::TakeFrames() {
  std::vector<std::string> frames;
  frames.swap(frames_);
  return frames;
}

// One frame or one byte of noise per call; false when more bytes are needed.
bool StreamSplitter::CutSia() {
  const std::size_t start = buffer_.find(kLineFeed);
  if (start == std::string::npos) {
    buffer_.clear();
    return false;
  }
  buffer_.erase(0, start);
  if (buffer_.size() < 9) return false;
  // Bodies over 255 bytes carry a three-digit length; the body always opens with a tab.
  const std::size_t digits = buffer_[7] == kTab ? 2 : (buffer_[8] == kTab ? 3 : 0);
  const int length = digits == 0 ? -1 : HexValue(std::string_view(buffer_).substr(5, digits));
  if (length < 0) {
    buffer_.erase(0, 1);
    return true;
  }
  const std::size_t total = 5 + digits + static_cast<std::size_t>(length) + 1;
  if (buffer_.size() < total) return false;
  if (buffer_[total - 1] != kReturn) {
    buffer_.erase(0, 1);
    return true;
  }
  frames_.push_back(buffer_.substr(0, total));
  buffer_.erase(0, total);
  return true;
}

bool StreamSplitter::Cut4100() {
  if (buffer_.empty()) return false;
  if (buffer_[0] == '\x06' || buffer_[0] == '\x15') {
    frames_.push_back(buffer_.substr(0, 1));
    buffer_.erase(0, 1);
    return true;
  }
  // Commands open with '!'; any other byte is noise, skipped as a receiver skips it, so that
  // the answers after it still count.
  if (buffer_[0] != '!') {
    buffer_.erase(0, 1);
    return true;
  }
  const std::size_t end = buffer_.find(kReturn);
  if (end == std::string::npos) {
    if (buffer_.size() > kMaxFrame) buffer_.clear();
    return false;
  }
  frames_.push_back(buffer_.substr(0, end + 1));
  buffer_.erase(0, end + 1);
  return true;
}

}  // namespace v7400::emu
