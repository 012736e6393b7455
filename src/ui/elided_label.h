// A label that takes the room it is given rather than asking for the room its text needs: a
// long text gives up its end ("...") and shows whole as the tool tip, so a status-bar note never
// widens the window.
#pragma once

#include <QLabel>
#include <QPainter>

namespace v7400 {

class ElidedLabel : public QLabel {
 public:
  using QLabel::QLabel;

  void SetNote(const QString& note) {
    setText(note);
    setToolTip(note);
    setVisible(!note.isEmpty());
    update();
  }
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
  // It asks for no width: it has what the other panels leave.
  QSize sizeHint() const override { return minimumSizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width()));
  }
};

}  // namespace v7400
