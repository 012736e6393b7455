// The timeline's attempts as one chart item: a small square per attempt in its answer's colour,
// painted in one pass. A scatter series keeps an item per point, which at thousands of points
// costs the event loop tens of milliseconds on every redraw.
#pragma once

#include <QColor>
#include <QGraphicsItem>
#include <QRectF>
#include <array>
#include <vector>

namespace v7400 {

class AttemptMarksItem : public QGraphicsItem {
 public:
  static constexpr std::size_t kKinds = 4;
  AttemptMarksItem(std::array<QColor, kKinds> colours, QGraphicsItem* parent);

  // The marks' centres in the chart's coordinates, by answer, inside `area`.
  void SetMarks(const std::array<std::vector<QPointF>, kKinds>& centres, const QRectF& area);
  std::size_t Marks(std::size_t kind) const { return marks_[kind].size(); }
  QRectF boundingRect() const override { return area_; }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  std::array<QColor, kKinds> colours_;
  std::array<std::vector<QRectF>, kKinds> marks_;
  QRectF area_;
};

}  // namespace v7400
