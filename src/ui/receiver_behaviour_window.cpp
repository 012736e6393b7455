#include "ui/receiver_behaviour_window.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QGraphicsPathItem>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineSeries>
#include <QPainterPath>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "app/window_placement.h"
#include "ui/attempt_marks_item.h"
#include "ui/screen_areas.h"

namespace v7400 {

namespace {

constexpr char kTitle[] = "Receiver behaviour";
constexpr char kSaveReport[] = "Save report";
constexpr char kSaveChart[] = "Save chart";
// The buttons' captions, with their keys: Alt+S, Alt+C, Alt+R.
constexpr char kSaveReportButton[] = "&Save report";
constexpr char kSaveChartButton[] = "Save &chart";
constexpr char kResetButton[] = "&Reset";
constexpr char kSeconds[] = "seconds";
constexpr char kSequenceAxis[] = "sequence";
constexpr char kEventAxis[] = "event";
constexpr char kOutage[] = "outage";
constexpr const char* kAnswerNames[] = {"ACK", "NACK", "missing", "spoiled"};
const QColor kAnswerColours[] = {QColor(0x2e, 0x9d, 0x3a), QColor(0xd6, 0x27, 0x28),
                                 QColor(0x8c, 0x8c, 0x8c), QColor(0xff, 0x8c, 0x00)};
const QColor kBandColour(0x46, 0x82, 0xdc, 0x40);
const QColor kRetryColour(0x60, 0x60, 0x60, 0xa0);

constexpr double kShownSeconds = 60;
// The chart scrolls in these steps while no attempt comes.
constexpr std::uint32_t kChartStepMs = 1000;
// The figures are looked at at most this often while attempts come, and this often anyway.
constexpr std::uint32_t kReportAfterMs = 1000;
constexpr std::uint32_t kReportEveryMs = 1000;
constexpr int kRefreshSteps = 3;
constexpr int kRefreshStepGapMs = 2;
constexpr int kDesignWidth = 980;
constexpr int kDesignHeight = 720;

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString PathText(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// Ticks wrap at 2^32: counted by their difference.
double Seconds(std::uint32_t tick, std::uint32_t origin) {
  return static_cast<std::int32_t>(tick - origin) / 1000.0;
}

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `parts`, at least 1.
double NiceStep(double span, int parts) {
  const double raw = std::max(span / parts, 1.0);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double times : {1.0, 2.0, 5.0}) {
    if (raw <= times * power) return times * power;
  }
  return 10 * power;
}

template <std::size_t N>
QTableWidget* MakeTable(const char* name, const std::array<const char*, N>& columns) {
  auto* table = new QTableWidget(0, static_cast<int>(N));
  table->setObjectName(QString::fromLatin1(name));
  QStringList labels;
  for (const char* column : columns) labels << QString::fromLatin1(column);
  table->setHorizontalHeaderLabels(labels);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  return table;
}

// Only the cells whose text changed are touched.
void Fill(QTableWidget& table, const std::vector<TextRow>& rows) {
  table.setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < table.rowCount(); ++r) {
    const TextRow& row = rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < table.columnCount() && c < static_cast<int>(row.size()); ++c) {
      const QString text = Text(row[static_cast<std::size_t>(c)]);
      QTableWidgetItem* item = table.item(r, c);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                      : Qt::AlignRight | Qt::AlignVCenter);
        table.setItem(r, c, item);
      }
      if (item->text() != text) item->setText(text);
    }
  }
}

QValueAxis* MakeAxis(const char* title, const char* format) {
  auto* axis = new QValueAxis;
  axis->setTitleText(QString::fromLatin1(title));
  axis->setLabelFormat(QString::fromLatin1(format));
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(10);
  return axis;
}

}  // namespace

ReceiverBehaviourWindow::ReceiverBehaviourWindow(BehaviourSource source, QWidget* parent)
    : QWidget(parent, Qt::Window), source_(std::move(source)) {
  setObjectName(QStringLiteral("ReceiverBehaviour"));
  setWindowTitle(QString::fromLatin1(kTitle));
  BuildTables();
  BuildChart();
  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->addWidget(lines_);
  splitter->addWidget(outages_);
  splitter->addWidget(chart_view_);
  // Most of the room to the chart, a little to the outages.
  splitter->setSizes({240, 100, 420});
  splitter->setStretchFactor(2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  const std::pair<const char*, void (ReceiverBehaviourWindow::*)()> actions[] = {
      {kSaveReportButton, &ReceiverBehaviourWindow::SaveReport},
      {kSaveChartButton, &ReceiverBehaviourWindow::SaveChart},
      {kResetButton, &ReceiverBehaviourWindow::ResetFigures}};
  const char* names[] = {"btnSaveReport", "btnSaveChart", "btnReset"};
  for (std::size_t i = 0; i < std::size(actions); ++i) {
    auto* button = new QPushButton(QString::fromLatin1(actions[i].first));
    button->setObjectName(QString::fromLatin1(names[i]));
    connect(button, &QPushButton::clicked, this, actions[i].second);
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter);
  layout->addLayout(buttons);
  resize(kDesignWidth, kDesignHeight);
}

void ReceiverBehaviourWindow::BuildTables() {
  lines_ = MakeTable("tblLines", kLineColumns);
  outages_ = MakeTable("tblOutages", kOutageColumns);
}

void ReceiverBehaviourWindow::BuildChart() {
  chart_ = new QChart;
  x_axis_ = MakeAxis(kSeconds, "%.0f");
  y_axis_ = MakeAxis(kSequenceAxis, "%.0f");
  chart_->addAxis(x_axis_, Qt::AlignBottom);
  chart_->addAxis(y_axis_, Qt::AlignLeft);
  // The bands first, so the attempts are drawn over them.
  bands_ = new QAreaSeries;
  band_top_ = new QLineSeries(bands_);
  band_bottom_ = new QLineSeries(bands_);
  bands_->setUpperSeries(band_top_);
  bands_->setLowerSeries(band_bottom_);
  bands_->setName(QString::fromLatin1(kOutage));
  bands_->setColor(kBandColour);
  bands_->setBorderColor(Qt::transparent);
  std::vector<QAbstractSeries*> all = {bands_};
  for (std::size_t i = 0; i < attempts_.size(); ++i) {
    attempts_[i] = new QScatterSeries;
    attempts_[i]->setName(QString::fromLatin1(kAnswerNames[i]));
    attempts_[i]->setColor(kAnswerColours[i]);
    attempts_[i]->setBorderColor(kAnswerColours[i].darker(130));
    attempts_[i]->setMarkerSize(7);
    all.push_back(attempts_[i]);
  }
  for (QAbstractSeries* series : all) {
    chart_->addSeries(series);
    series->attachAxis(x_axis_);
    series->attachAxis(y_axis_);
  }
  // The series give the legend its entries; the marks item paints the attempts.
  retries_ = new QGraphicsPathItem(chart_);
  retries_->setPen(QPen(kRetryColour, 1));
  retries_->setZValue(1);
  marks_ = new AttemptMarksItem(
      {kAnswerColours[0], kAnswerColours[1], kAnswerColours[2], kAnswerColours[3]}, chart_);
  marks_->setZValue(2);
  connect(chart_, &QChart::plotAreaChanged, this, &ReceiverBehaviourWindow::DrawOverlay);
  chart_->legend()->setAlignment(Qt::AlignBottom);
  chart_view_ = new QChartView(chart_);
  chart_view_->setObjectName(QStringLiteral("chartTimeline"));
  chart_view_->setRenderHint(QPainter::Antialiasing, false);
  chart_view_->setMinimumHeight(260);
}

void ReceiverBehaviourWindow::Refresh() {
  if (!isVisible() || next_step_ != 0) return;  // the refresh under way goes on
  RunStep(0);
}

// A refresh runs as steps (the lines, the outages, the chart) with the links served between
// them, so that a frame never waits for a whole refresh.
void ReceiverBehaviourWindow::RunStep(int step) {
  const std::uint32_t now = source_.now_tick();
  if (step == 0) UpdateLines(now);
  if (step == 1) UpdateOutages();
  if (step == 2) UpdateChart(now);
  next_step_ = step + 1 < kRefreshSteps ? step + 1 : 0;
  if (next_step_ == 0) return;
  QTimer::singleShot(kRefreshStepGapMs, this, [this, generation = refresh_generation_] {
    if (generation == refresh_generation_ && next_step_ != 0 && isVisible()) RunStep(next_step_);
  });
}

void ReceiverBehaviourWindow::Update() {
  ++refresh_generation_;  // a refresh under way is done here whole
  next_step_ = 0;
  const std::uint32_t now = source_.now_tick();
  UpdateLines(now);
  UpdateOutages();
  UpdateChart(now);
}

void ReceiverBehaviourWindow::UpdateLines(std::uint32_t now) {
  // Every attempt and outage changes the timeline; a slow look catches the rest.
  const std::uint64_t version = source_.timeline->Version();
  const std::uint32_t since = now - report_tick_;
  if (report_version_ && (version == *report_version_ || since < kReportAfterMs) &&
      since < kReportEveryMs) {
    return;
  }
  report_version_ = version;
  report_tick_ = now;
  const LedgerReport report = source_.report();
  Fill(*lines_, LineRows(report));
  const std::size_t first =
      report.outages.size() > kShownOutages ? report.outages.size() - kShownOutages : 0;
  shown_outages_.assign(report.outages.begin() + static_cast<std::ptrdiff_t>(first),
                        report.outages.end());
  outages_changed_ = true;
}

void ReceiverBehaviourWindow::UpdateOutages() {
  const OutageUnderWay running = source_.running_outage();
  OutageUnderWay seconds_left;
  if (running) seconds_left.emplace(running->first, (running->second + 999) / 1000);
  if (std::exchange(outages_changed_, false) || !shown_running_ ||
      *shown_running_ != seconds_left) {
    shown_running_ = seconds_left;
    Fill(*outages_, OutageRows(shown_outages_, running));
  }
}

void ReceiverBehaviourWindow::UpdateChart(std::uint32_t now) {
  const std::uint32_t step = now / kChartStepMs;
  if (step == chart_step_) return;
  chart_step_ = step;
  const std::uint64_t version = source_.timeline->Version();
  DrawChart(now, std::exchange(chart_version_, version) != version);
}

void ReceiverBehaviourWindow::DrawChart(std::uint32_t now, bool attempts_changed) {
  const AttemptTimeline& timeline = *source_.timeline;
  const std::uint32_t origin = timeline.Origin().value_or(now);
  const auto& points = timeline.Points();
  // The last minute up to now, or up to the newest attempt.
  double end = std::max(kShownSeconds, Seconds(now, origin));
  if (!points.empty()) end = std::max(end, Seconds(points.back().tick, origin));
  const double start = end - kShownSeconds;
  std::array<qsizetype, 4> counts{};  // by answer
  double low = std::numeric_limits<double>::max();
  double high = std::numeric_limits<double>::lowest();
  for (const AttemptPoint& p : points) {
    if (Seconds(p.tick, origin) < start) continue;
    ++counts[static_cast<std::size_t>(p.answer)];
    low = std::min(low, static_cast<double>(p.value));
    high = std::max(high, static_cast<double>(p.value));
  }
  if (low > high) low = high = 1;
  x_axis_->setRange(start, end);
  FitValueAxis(low - 1, high + 1);
  y_axis_->setTitleText(QString::fromLatin1(timeline.Numbered() ? kSequenceAxis : kEventAxis));
  // The points keep their place in chart values: while none came, only the axes move.
  if (attempts_changed) DrawAttempts(origin, start, counts);
  DrawBands(origin, start, end, low, high);
  DrawOverlay();
}

// The range widened to whole ticks, so it changes seldom: each change lays the axis out again.
// The larger tick interval goes first, or a wide range would briefly have a label per number.
void ReceiverBehaviourWindow::FitValueAxis(double low, double high) {
  const double step = NiceStep(high - low, 5);
  low = std::floor(low / step) * step;
  high = std::ceil(high / step) * step;
  if (low == y_axis_->min() && high == y_axis_->max() && step == y_axis_->tickInterval()) return;
  y_axis_->setTickInterval(std::max(step, y_axis_->tickInterval()));
  y_axis_->setRange(low, high);
  y_axis_->setTickInterval(step);
}

void ReceiverBehaviourWindow::DrawAttempts(std::uint32_t origin, double start,
                                           const std::array<qsizetype, 4>& counts) {
  for (std::size_t i = 0; i < shown_.size(); ++i) {
    shown_[i].clear();
    shown_[i].reserve(static_cast<std::size_t>(counts[i]));
  }
  retry_lines_.clear();
  for (const AttemptPoint& p : source_.timeline->Points()) {
    const double x = Seconds(p.tick, origin);
    if (x < start) continue;
    const auto y = static_cast<double>(p.value);
    shown_[static_cast<std::size_t>(p.answer)].emplace_back(x, y);
    if (p.first_tick) retry_lines_.emplace_back(QPointF(Seconds(*p.first_tick, origin), y), x);
  }
}

void ReceiverBehaviourWindow::DrawBands(std::uint32_t origin, double start, double end, double low,
                                        double high) {
  // One area over the whole height: up at each band's start, down at its end.
  QList<QPointF> top;
  QList<QPointF> bottom;
  for (const OutageBand& band : source_.timeline->Bands()) {
    const double from = std::max(start, Seconds(band.start_tick, origin));
    const double to = std::min(end, Seconds(band.start_tick + band.duration_ms, origin));
    if (to <= from) continue;
    top << QPointF(from, low) << QPointF(from, high) << QPointF(to, high) << QPointF(to, low);
    if (bottom.isEmpty()) bottom << QPointF(from, low);
  }
  if (!top.isEmpty()) bottom << QPointF(top.back().x(), low);
  band_top_->replace(top);
  band_bottom_->replace(bottom);
}

QPointF ReceiverBehaviourWindow::Position(const QPointF& value) const {
  const QRectF area = chart_->plotArea();
  const double x_span = x_axis_->max() - x_axis_->min();
  const double y_span = y_axis_->max() - y_axis_->min();
  if (x_span <= 0 || y_span <= 0) return area.topLeft();
  return {area.left() + (value.x() - x_axis_->min()) / x_span * area.width(),
          area.bottom() - (value.y() - y_axis_->min()) / y_span * area.height()};
}

void ReceiverBehaviourWindow::DrawOverlay() {
  // Cut at the plot's left edge: a first attempt may lie before the axis start.
  const QRectF area = chart_->plotArea();
  QPainterPath path;
  for (const auto& [from, to_x] : retry_lines_) {
    const QPointF to = Position(QPointF(to_x, from.y()));
    if (to.x() < area.left()) continue;
    const QPointF at = Position(from);
    path.moveTo(std::max(at.x(), area.left()), at.y());
    path.lineTo(to);
  }
  retries_->setPath(path);
  std::array<std::vector<QPointF>, AttemptMarksItem::kKinds> centres;
  for (std::size_t kind = 0; kind < centres.size(); ++kind) {
    centres[kind].reserve(shown_[kind].size());
    for (const QPointF& value : shown_[kind]) centres[kind].push_back(Position(value));
  }
  marks_->SetMarks(centres, area);
}

void ReceiverBehaviourWindow::SaveReport() {
  const std::optional<std::string> path =
      source_.prompts->AskSaveFile({.title = kSaveReport,
                                    .proposed_name = "receiver-report.json",
                                    .initial_dir = {},
                                    .default_extension = "json",
                                    .filter = "JSON files|*.json"});
  if (!path) return;
  const std::string error = source_.save_report(*path);
  if (!error.empty()) source_.prompts->ShowError(error);
}

void ReceiverBehaviourWindow::SaveChart() {
  const std::optional<std::string> path =
      source_.prompts->AskSaveFile({.title = kSaveChart,
                                    .proposed_name = "receiver-timeline.png",
                                    .initial_dir = {},
                                    .default_extension = "png",
                                    .filter = "PNG images|*.png"});
  if (!path) return;
  if (!chart_view_->grab().save(PathText(*path), "PNG")) {
    source_.prompts->ShowError("The chart could not be written to \"" + *path + "\".");
  }
}

void ReceiverBehaviourWindow::ResetFigures() {
  source_.reset();
  for (std::vector<QPointF>& shown : shown_) shown.clear();
  band_top_->clear();
  band_bottom_->clear();
  retry_lines_.clear();
  DrawOverlay();
  report_version_.reset();
  shown_running_.reset();
  ForgetChart();
  Refresh();
}

void ReceiverBehaviourWindow::showEvent(QShowEvent* event) {
  if (!placed_) {
    placed_ = true;
    PlaceOnScreen();
  }
  QWidget::showEvent(event);
  report_version_.reset();
  ForgetChart();
  Update();
}

void ReceiverBehaviourWindow::hideEvent(QHideEvent* event) {
  SavePlace();
  QWidget::hideEvent(event);
}

void ReceiverBehaviourWindow::PlaceOnScreen() {
  if (source_.preferences == nullptr) return;
  const std::optional<WindowRect> saved = LoadWindowRect(*source_.preferences, kBehaviourWindowKey);
  const std::vector<WindowRect> screens = AvailableScreenAreas();
  // Before the first show the frame is not known: room for a title bar is kept.
  const WindowRect placed =
      PlaceWindow(saved, WindowRect{0, 0, width(), height()}, screens, FrameMargins{4, 30, 4, 4});
  setGeometry(placed.Left, placed.Top, placed.Width, placed.Height);
}

void ReceiverBehaviourWindow::SavePlace() {
  if (source_.preferences == nullptr) return;
  const QRect normal = windowState() == Qt::WindowNoState ? geometry() : normalGeometry();
  try {
    SaveWindowRect(*source_.preferences, {normal.x(), normal.y(), normal.width(), normal.height()},
                   kBehaviourWindowKey);
    source_.preferences->Commit();
  } catch (const std::runtime_error&) {
    // A place not kept only costs the next opening its place.
  }
}

}  // namespace v7400
