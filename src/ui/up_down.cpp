#include "ui/up_down.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace v7400 {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (const int delta : {1, -1}) {
    auto* button = new QToolButton(this);
    button->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(button, &QToolButton::clicked, this, [this, delta] { Step(delta); });
    layout->addWidget(button);
  }
}

void UpDown::Associate(QLineEdit* edit, int minimum, int maximum) {
  edit_ = edit;
  minimum_ = minimum;
  maximum_ = maximum;
}

void UpDown::Step(int delta) {
  if (edit_ == nullptr) return;
  bool ok = false;
  const int value = edit_->text().toInt(&ok);
  const int next = std::clamp(ok ? value + delta : minimum_, minimum_, maximum_);
  edit_->setText(QString::number(next));
  emit stepped();
}

}  // namespace v7400
