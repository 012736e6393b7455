// "Receiver behaviour": how the receiver under test retries, line by line, what became of each
// outage, and a timeline of its recent attempts by the answer each got. A window of its own,
// not modal, that follows the traffic on its owner's display clock, never once per frame:
//
//   auto* behaviour = new ReceiverBehaviourWindow(source, this);  // a top-level window
//   behaviour->show();                                             // e.g. on Ctrl+R
//   behaviour->Refresh();                                          // on every display tick
#pragma once

#include <QPointF>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/preference_store.h"
#include "core/prompts.h"
#include "display/attempt_timeline.h"
#include "display/behaviour_rows.h"
#include "display/receiver_ledger.h"

class QAreaSeries;
class QChart;
class QChartView;
class QGraphicsPathItem;
class QLineSeries;
class QScatterSeries;
class QTableWidget;
class QValueAxis;

namespace v7400 {

class AttemptMarksItem;

struct BehaviourSource {
  std::function<LedgerReport()> report;
  const AttemptTimeline* timeline = nullptr;
  // The clock's millisecond tick, where the time axis ends.
  std::function<std::uint32_t()> now_tick;
  // The outage under way: its number and the milliseconds it has left, or nothing.
  std::function<std::optional<std::pair<int, std::uint32_t>>()> running_outage;
  // Writes the summary JSON to `path` and the JUnit file beside it; empty, or the error.
  std::function<std::string(const std::string& path)> save_report;
  // The figures start afresh.
  std::function<void()> reset;
  Prompts* prompts = nullptr;
  PreferenceStore* preferences = nullptr;  // where the window's place is kept
};

class ReceiverBehaviourWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ReceiverBehaviourWindow(BehaviourSource source, QWidget* parent = nullptr);

  // Brings the tables and the chart up to date; cheap while nothing changed or hidden.
  void Refresh();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildChart();
  void BuildTables();
  // The whole refresh at once, as on showing and after a reset.
  void Update();
  void RunStep(int step);
  void UpdateLines(std::uint32_t now);
  void UpdateOutages();
  void UpdateChart(std::uint32_t now);
  void DrawChart(std::uint32_t now, bool attempts_changed);
  void DrawAttempts(std::uint32_t origin, double start, const std::array<qsizetype, 4>& counts);
  void DrawBands(std::uint32_t origin, double start, double end, double low, double high);
  // The retry lines and the attempts' marks, mapped onto the plot as it is laid out now.
  void DrawOverlay();
  void FitValueAxis(double low, double high);
  // Where a point in chart values lies on the plot.
  QPointF Position(const QPointF& value) const;
  // The next refresh draws the chart whole.
  void ForgetChart() {
    chart_step_.reset();
    chart_version_.reset();
  }
  void SaveReport();
  void SaveChart();
  void ResetFigures();
  void PlaceOnScreen();
  void SavePlace();

  BehaviourSource source_;
  QTableWidget* lines_ = nullptr;
  QTableWidget* outages_ = nullptr;
  QChartView* chart_view_ = nullptr;
  QChart* chart_ = nullptr;
  QValueAxis* x_axis_ = nullptr;
  QValueAxis* y_axis_ = nullptr;
  std::array<QScatterSeries*, 4> attempts_{};  // by AttemptAnswer
  QAreaSeries* bands_ = nullptr;
  QLineSeries* band_top_ = nullptr;
  QLineSeries* band_bottom_ = nullptr;
  QGraphicsPathItem* retries_ = nullptr;
  AttemptMarksItem* marks_ = nullptr;
  // The attempts shown, in chart values, by answer.
  std::array<std::vector<QPointF>, 4> shown_;
  // Each retry line in chart values: from its first attempt to the x of the repeat.
  std::vector<std::pair<QPointF, double>> retry_lines_;

  std::optional<std::uint64_t> report_version_;
  std::uint32_t report_tick_ = 0;
  std::vector<OutageFigures> shown_outages_;
  std::optional<OutageUnderWay> shown_running_;  // with whole seconds left
  std::optional<std::uint32_t> chart_step_;     // the time step the chart was drawn at
  std::optional<std::uint64_t> chart_version_;
  bool placed_ = false;
  bool outages_changed_ = false;
  int next_step_ = 0;  // of the refresh under way; 0 none
  std::uint64_t refresh_generation_ = 0;
};

}  // namespace v7400
