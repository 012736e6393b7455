// A pair of arrow buttons that step the number in an associated edit field within a range.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

namespace v7400 {

class UpDown : public QWidget {
  Q_OBJECT

 public:
  explicit UpDown(QWidget* parent = nullptr);

  void Associate(QLineEdit* edit, int minimum, int maximum);
  // One step up (+1) or down (-1); a field without a number steps from the minimum.
  void Step(int delta);

 signals:
  // The associated field's text was changed by a step.
  void stepped();

 private:
  QPointer<QLineEdit> edit_;
  int minimum_ = 0;
  int maximum_ = 100;
};

}  // namespace v7400
