#include "ui/attempt_marks_item.h"

#include <QPainter>
#include <cmath>

namespace v7400 {

namespace {

constexpr double kMarkSize = 5;

}  // namespace

AttemptMarksItem::AttemptMarksItem(std::array<QColor, kKinds> colours, QGraphicsItem* parent)
    : QGraphicsItem(parent), colours_(colours) {}

void AttemptMarksItem::SetMarks(const std::array<std::vector<QPointF>, kKinds>& centres,
                                const QRectF& area) {
  prepareGeometryChange();
  area_ = area.adjusted(-kMarkSize, -kMarkSize, kMarkSize, kMarkSize);
  for (std::size_t kind = 0; kind < kKinds; ++kind) {
    std::vector<QRectF>& marks = marks_[kind];
    marks.clear();
    QPointF last(-1, -1);
    for (const QPointF& centre : centres[kind]) {
      // Many attempts a second fall on one pixel: it is painted once.
      const QPointF pixel(std::round(centre.x()), std::round(centre.y()));
      if (pixel == last || !area.contains(centre)) continue;
      last = pixel;
      marks.emplace_back(pixel.x() - kMarkSize / 2, pixel.y() - kMarkSize / 2, kMarkSize,
                         kMarkSize);
    }
  }
  update();
}

void AttemptMarksItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* /*option*/,
                             QWidget* /*widget*/) {
  painter->setRenderHint(QPainter::Antialiasing, false);
  for (std::size_t kind = 0; kind < kKinds; ++kind) {
    if (marks_[kind].empty()) continue;
    painter->setPen(colours_[kind].darker(130));
    painter->setBrush(colours_[kind]);
    painter->drawRects(marks_[kind].data(), static_cast<int>(marks_[kind].size()));
  }
}

}  // namespace v7400
