// Ports that do nothing, for measuring and fuzzing the logic alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/clock.h"
#include "core/display_view.h"
#include "core/link_ports.h"

namespace v7400 {

class NullView : public DisplayView {
 public:
  void BeginAppend(DisplayList) override {}
  void EndAppend(DisplayList) override {}
  void BeginRemoveFirst(DisplayList) override {}
  void EndRemoveFirst(DisplayList) override {}
  void BeginClear(DisplayList) override {}
  void EndClear(DisplayList) override {}
  bool AutoScroll() const override { return true; }
  void SelectLast(DisplayList) override {}
  void ShowStatus(int, const std::string&) override {}
  void SetLogChecked(bool) override {}
  void SetEmptyLogEnabled(bool) override {}
};

class FixedClock : public Clock {
 public:
  LocalTime Now() const override { return {}; }
  std::uint32_t TickMs() const override { return 0; }
};

// Reads from a buffer; writes go nowhere.
class BufferPort : public SerialPort {
 public:
  bool ByteReady() override { return pos < data.size(); }
  char ReadByte() override { return data[pos++]; }
  void Write(const std::string&) override {}
  std::string data;
  std::size_t pos = 0;
};

}  // namespace v7400
