// What the program records about the traffic beside the displays, attached to the sink in the
// order it needs: the receiver's ledger first, since the CSV rows carry its attempt numbers.
// The window and the run without one attach the same.
#pragma once

#include "display/display_sink.h"
#include "display/receiver_ledger.h"
#include "display/retransmission_report.h"
#include "display/traffic_recorder.h"

namespace v7400 {

class TrafficObservers {
 public:
  TrafficObservers(DisplaySink& sink, const SimulatorState& state, TrafficCsv* csv)
      : sink_(sink), recorder_(state, csv, &ledger_) {
    sink_.AddObserver(&ledger_);
    sink_.AddObserver(&recorder_);
  }
  TrafficObservers(const TrafficObservers&) = delete;
  TrafficObservers& operator=(const TrafficObservers&) = delete;
  ~TrafficObservers() {
    sink_.RemoveObserver(&recorder_);
    sink_.RemoveObserver(&ledger_);
  }

  ReceiverLedger& Ledger() { return ledger_; }
  const ReceiverLedger& Ledger() const { return ledger_; }
  TrafficRecorder& Recorder() { return recorder_; }
  const TrafficRecorder& Recorder() const { return recorder_; }
  // The receiver's figures start afresh; the CSV and the capture go on.
  void ResetFigures() {
    ledger_ = ReceiverLedger();
    recorder_.ResetTally();
  }
  // What the answers verdict judges, from the tally.
  AnswerCounts Answers() const {
    const TrafficTally& tally = recorder_.Tally();
    return {tally.received, tally.nacked_own, tally.dropped, tally.refused};
  }

 private:
  DisplaySink& sink_;
  ReceiverLedger ledger_;
  TrafficRecorder recorder_;
};

}  // namespace v7400
