#include "ui/uniform_list_view.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionSlider>
#include <algorithm>

namespace v7400 {

void SteadyScrollBar::paintEvent(QPaintEvent* event) {
  // Hovered and pressed parts are drawn from state only the bar itself knows.
  if (underMouse() || isSliderDown()) {
    QScrollBar::paintEvent(event);
    return;
  }
  QStyleOptionSlider option;
  initStyleOption(&option);
  option.subControls = QStyle::SC_All;
  const Look look{
      option.rect,
      style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
      static_cast<int>(option.state),
      option.palette.cacheKey(),
      value() == minimum(),
      value() == maximum(),
      devicePixelRatioF()};
  if (picture_.isNull() || !(look == pictured_)) {
    picture_ = QPixmap(size() * look.pixel_ratio);
    picture_.setDevicePixelRatio(look.pixel_ratio);
    picture_.fill(Qt::transparent);
    QPainter painter(&picture_);
    style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
    pictured_ = look;
  }
  QPainter(this).drawPixmap(0, 0, picture_);
}

UniformListView::UniformListView(QWidget* parent) : QAbstractItemView(parent) {
  setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical, this));
  setHorizontalScrollBar(new SteadyScrollBar(Qt::Horizontal, this));
  setHorizontalScrollMode(ScrollPerPixel);
  setVerticalScrollMode(ScrollPerPixel);
  setSelectionBehavior(SelectRows);
  setEditTriggers(NoEditTriggers);
  row_text_.SetFont(font());
  row_height_ = fontMetrics().height() + 1;
}

bool UniformListView::event(QEvent* event) {
  // The copy key belongs to the list, not to a window-wide shortcut.
  if (event->type() == QEvent::ShortcutOverride &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    event->accept();
    return true;
  }
  return QAbstractItemView::event(event);
}

void UniformListView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    emit copyRequested();
    event->accept();
    return;
  }
  QAbstractItemView::keyPressEvent(event);
}

void UniformListView::SetContentWidth(int width) {
  content_width_ = width;
  Relayout();
}

int UniformListView::RowCount() const { return model() != nullptr ? model()->rowCount() : 0; }

QRect UniformListView::RowRect(int row) const {
  const int width = std::max(content_width_, viewport()->width());
  return QRect(-horizontalOffset(), row * row_height_ - verticalOffset(), width, row_height_);
}

QRect UniformListView::visualRect(const QModelIndex& index) const {
  if (!index.isValid()) return {};
  return RowRect(index.row());
}

void UniformListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid()) return;
  const int top = index.row() * row_height_;
  const int height = viewport()->height();
  QScrollBar* bar = verticalScrollBar();
  if (hint == PositionAtTop) {
    bar->setValue(top);
  } else if (hint == PositionAtBottom) {
    bar->setValue(top + row_height_ - height);
  } else if (hint == PositionAtCenter) {
    bar->setValue(top - (height - row_height_) / 2);
  } else if (top < bar->value()) {
    bar->setValue(top);
  } else if (top + row_height_ > bar->value() + height) {
    bar->setValue(top + row_height_ - height);
  }
}

QModelIndex UniformListView::indexAt(const QPoint& point) const {
  if (model() == nullptr || point.y() < 0) return {};
  const int row = (point.y() + verticalOffset()) / row_height_;
  return row < RowCount() ? model()->index(row, 0, rootIndex()) : QModelIndex();
}

QModelIndex UniformListView::moveCursor(CursorAction action, Qt::KeyboardModifiers /*mods*/) {
  const int rows = RowCount();
  if (rows == 0) return {};
  const int page = std::max(1, viewport()->height() / row_height_);
  int row = currentIndex().isValid() ? currentIndex().row() : 0;
  switch (action) {
    case MoveUp:
    case MovePrevious:
      row -= 1;
      break;
    case MoveDown:
    case MoveNext:
      row += 1;
      break;
    case MovePageUp:
      row -= page;
      break;
    case MovePageDown:
      row += page;
      break;
    case MoveHome:
      row = 0;
      break;
    case MoveEnd:
      row = rows - 1;
      break;
    default:
      break;
  }
  return model()->index(std::clamp(row, 0, rows - 1), 0, rootIndex());
}

int UniformListView::horizontalOffset() const { return horizontalScrollBar()->value(); }
int UniformListView::verticalOffset() const { return verticalScrollBar()->value(); }
bool UniformListView::isIndexHidden(const QModelIndex& /*index*/) const { return false; }

void UniformListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
  const int rows = RowCount();
  if (rows == 0 || selectionModel() == nullptr) return;
  const QRect normal = rect.normalized();
  const int first = std::clamp((normal.top() + verticalOffset()) / row_height_, 0, rows - 1);
  const int last = std::clamp((normal.bottom() + verticalOffset()) / row_height_, 0, rows - 1);
  const QItemSelection selection(model()->index(first, 0, rootIndex()),
                                 model()->index(last, 0, rootIndex()));
  selectionModel()->select(selection, flags);
}

QRegion UniformListView::visualRegionForSelection(const QItemSelection& selection) const {
  QRegion region;
  for (const QItemSelectionRange& range : selection) {
    const QRect top = RowRect(range.top());
    region += QRect(top.left(), top.top(), top.width(), range.height() * row_height_)
                  .intersected(viewport()->rect());
  }
  return region;
}

void UniformListView::updateGeometries() {
  const int rows = RowCount();
  const QSize view = viewport()->size();
  verticalScrollBar()->setSingleStep(row_height_);
  verticalScrollBar()->setPageStep(view.height());
  verticalScrollBar()->setRange(0, std::max(0, rows * row_height_ - view.height()));
  horizontalScrollBar()->setSingleStep(row_height_);
  horizontalScrollBar()->setPageStep(view.width());
  horizontalScrollBar()->setRange(0, std::max(0, content_width_ - view.width()));
  QAbstractItemView::updateGeometries();
}

void UniformListView::paintEvent(QPaintEvent* event) {
  if (model() == nullptr) return;
  QPainter painter(viewport());
  painter.setFont(font());
  const int rows = RowCount();
  const QRect area = event->rect();
  const int first = std::max(0, (area.top() + verticalOffset()) / row_height_);
  const int last = std::min(rows - 1, (area.bottom() + verticalOffset()) / row_height_);
  const QPalette::ColorGroup group = isActiveWindow() ? QPalette::Active : QPalette::Inactive;
  const int baseline = (row_height_ - fontMetrics().height()) / 2 + fontMetrics().ascent();
  for (int row = first; row <= last; ++row) {
    const QModelIndex index = model()->index(row, 0, rootIndex());
    const QRect rect = RowRect(row);
    const bool selected = selectionModel() != nullptr && selectionModel()->isSelected(index);
    if (selected) painter.fillRect(rect, palette().brush(group, QPalette::Highlight));
    painter.setPen(palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    row_text_.Draw(painter, index.data().toString(),
                   QPointF(rect.left() + kTextMargin, rect.top() + baseline), area.left(),
                   area.right() + 1);
    if (index == currentIndex() && hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = rect;
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
  }
}

void UniformListView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    row_text_.SetFont(font());
    row_height_ = fontMetrics().height() + 1;
    Relayout();
  }
  QAbstractItemView::changeEvent(event);
}

void UniformListView::rowsInserted(const QModelIndex& parent, int start, int end) {
  QAbstractItemView::rowsInserted(parent, start, end);
  Relayout();
}

void UniformListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
  QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
  viewport()->update();
}

void UniformListView::dataChanged(const QModelIndex& top_left, const QModelIndex& bottom_right,
                                  const QList<int>& roles) {
  QAbstractItemView::dataChanged(top_left, bottom_right, roles);
  viewport()->update();
}

void UniformListView::reset() {
  QAbstractItemView::reset();
  Relayout();
}

void UniformListView::scrollContentsBy(int dx, int dy) { viewport()->scroll(dx, dy); }

void UniformListView::Relayout() {
  updateGeometries();
  viewport()->update();
}

}  // namespace v7400
