// Cuts the byte stream of a serial link into the simulator's frames: SIA frames by their length
// field, "4100" answers as single bytes and "4100" commands up to their carriage return.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace v7400::emu {

class StreamSplitter {
 public:
  explicit StreamSplitter(bool sia) : sia_(sia) {}

  void Feed(std::string_view bytes);
  std::vector<std::string> TakeFrames();
  std::size_t Pending() const { return buffer_.size(); }

 private:
  bool CutSia();
  bool Cut4100();

  bool sia_;
  std::string buffer_;
  std::vector<std::string> frames_;
};

}  // namespace v7400::emu
