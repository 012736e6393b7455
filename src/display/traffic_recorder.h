// The one observer of every frame: counts what the run received and answered, follows each
// link's sequence numbers (repeats and gaps, booked per line), and writes the CSV rows when a
// file is open.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "core/clock.h"
#include "core/frame_observer.h"
#include "core/simulator_state.h"
#include "display/traffic_csv.h"
#include "display/traffic_pcap.h"

namespace v7400 {

struct LineTally {
  std::int64_t repeats = 0;
  std::int64_t gaps = 0;  // sequence numbers skipped
  // Events decoded from the line's frames in, by two-letter code; NACKed frames not counted.
  std::map<std::string, std::int64_t> events;
};

// Frames in: every frame except the ignored ones, whatever its verdict.
struct TrafficTally {
  std::int64_t received = 0;
  std::int64_t acked = 0;
  std::int64_t nacked = 0;
  std::int64_t unanswered = 0;
  std::int64_t dropped = 0;
  std::int64_t ignored = 0;
  std::int64_t sent = 0;
  // Frames refused or unanswered by the likely cause their reason names ("lower-case digits").
  std::map<std::string, std::int64_t> causes;
  std::array<LineTally, kLineCount> lines{};
};

class TrafficRecorder : public FrameObserver {
 public:
  // Rows go to `csv` when it is given and open.
  TrafficRecorder(const SimulatorState& state, const Clock& clock, TrafficCsv* csv = nullptr)
      : state_(state), clock_(clock), csv_(csv) {}

  // Packets also go to `pcap` while it is open.
  void SetPcap(TrafficPcap* pcap) { pcap_ = pcap; }

  // What the peer column says for the serial port (its device).
  void SetSerialPeer(std::string peer) { serial_peer_ = std::move(peer); }

  void OnFrame(const FrameReport& report) override;

  const TrafficTally& Tally() const { return tally_; }

 private:
  // Fills the repeat and gap of an SIA frame in from a line 1 to 32 with a numbered sequence.
  void Track(const FrameReport& report, CsvRow& row);
  void Count(const FrameReport& report);
  std::string Peer(const FrameReport& report) const;

  const SimulatorState& state_;
  const Clock& clock_;
  TrafficCsv* csv_;
  TrafficPcap* pcap_ = nullptr;
  std::string serial_peer_;
  TrafficTally tally_;
  int last_sequence_ = 0;  // the link's last sequence number; 0: none seen yet
};

}  // namespace v7400
