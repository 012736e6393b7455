// A single-column list view whose rows all have one height and one width. Every position is
// computed from the row number, so inserting, dropping the first row and scrolling cost the same
// however long the list is (QListView lays all rows out again on each change).
#pragma once

#include <QAbstractItemView>
#include <QPixmap>
#include <QScrollBar>

#include "ui/row_text_painter.h"

namespace v7400 {

// A scroll bar that paints from a picture of its last look. The list's scroll area lays out and
// raises both bars whenever a range changes, which repaints them with everything behind them at
// every refresh of a growing list; drawn by the style, the two bars cost as much as the rows.
class SteadyScrollBar : public QScrollBar {
  Q_OBJECT

 public:
  explicit SteadyScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr)
      : QScrollBar(orientation, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Everything the style draws a bar from, while the pointer is away from it.
  struct Look {
    QRect rect;
    QRect handle;
    int state = 0;
    qint64 palette = 0;
    bool at_minimum = false;
    bool at_maximum = false;
    qreal pixel_ratio = 1;
    bool operator==(const Look&) const = default;
  };
  QPixmap picture_;
  Look pictured_;
};

class UniformListView : public QAbstractItemView {
  Q_OBJECT

 public:
  explicit UniformListView(QWidget* parent = nullptr);

  // The width every row has; the view scrolls sideways over it.
  void SetContentWidth(int width);
  int RowHeight() const { return row_height_; }

  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;

 signals:
  // Ctrl+C (the platform's copy key) was pressed on the list.
  void copyRequested();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex& index) const override;
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void updateGeometries() override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void rowsInserted(const QModelIndex& parent, int start, int end) override;
  void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
  void dataChanged(const QModelIndex& top_left, const QModelIndex& bottom_right,
                   const QList<int>& roles) override;
  void reset() override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  int RowCount() const;
  QRect RowRect(int row) const;
  void Relayout();

  static constexpr int kTextMargin = 3;
  RowTextPainter row_text_;

  int row_height_ = 16;
  int content_width_ = 0;
};

}  // namespace v7400
