// Counts what the run received and answered, follows the link's sequence numbers (repeats and
// gaps, booked per line), and writes the CSV rows and capture packets when those files are open.
// Observes the frames after the receiver's ledger, whose attempt numbers the rows carry.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/frame_observer.h"
#include "core/sequence_number.h"
#include "core/simulator_state.h"
#include "display/receiver_ledger.h"
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
  std::int64_t nacked_own = 0;  // for their own checksum, not by a fault or option
  std::int64_t unanswered = 0;
  std::int64_t dropped = 0;
  std::int64_t ignored = 0;
  std::int64_t sent = 0;
  // Frames refused or unanswered by the likely cause their reason names ("lower-case digits").
  std::map<std::string, std::int64_t> causes;
  std::array<LineTally, kLineCount> lines{};
  // The sequence fields of the first frames NACKed for their own checksum or dropped.
  std::vector<std::string> refused;
};

class TrafficRecorder : public FrameObserver {
 public:
  // Rows go to `csv` when it is given and open.
  TrafficRecorder(const SimulatorState& state, TrafficCsv* csv = nullptr,
                  const ReceiverLedger* ledger = nullptr)
      : state_(state), csv_(csv), ledger_(ledger) {}

  // Packets also go to `pcap` while it is open.
  void SetPcap(TrafficPcap* pcap) { pcap_ = pcap; }

  // What the peer column says for the serial port (its device).
  void SetSerialPeer(std::string peer) { serial_peer_ = std::move(peer); }

  void OnFrame(const FrameReport& report) override;

  const TrafficTally& Tally() const { return tally_; }
  void ResetTally() { tally_ = {}; }

 private:
  // Fills the repeat and gap of an SIA frame in from a line 1 to 32 with a numbered sequence.
  void Track(const FrameReport& report, CsvRow& row);
  void Count(const FrameReport& report);
  std::string Peer(const FrameReport& report) const;

  const SimulatorState& state_;
  TrafficCsv* csv_;
  const ReceiverLedger* ledger_;
  TrafficPcap* pcap_ = nullptr;
  std::string serial_peer_;
  TrafficTally tally_;
  std::optional<int> last_sequence_;  // the link's last sequence number
  SequenceLine numbering_;
};

}  // namespace v7400
