// The input-command help: a rich-text view of "InputCommandHelp.rtf" from the working directory.
// Each request opens one more window; "&Ok" destroys only its own.
#pragma once

#include <QWidget>
#include <memory>

#include "app/error_log.h"

namespace Ui {
class TcmdhelpFrm;
}

namespace v7400 {

class TcmdhelpFrm : public QWidget {
  Q_OBJECT

 public:
  // `owner`: the main window, which destroys the help windows left open when it goes.
  TcmdhelpFrm(const ErrorLog& error_log, QWidget* owner);
  ~TcmdhelpFrm() override;

  Ui::TcmdhelpFrm& Form() { return *ui_; }

 public slots:
  void Button1Click();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormCreate();
  void FormResize();

  std::unique_ptr<Ui::TcmdhelpFrm> ui_;
  const ErrorLog& error_log_;
};

// Creates a help window centred over `owner` and shows it without blocking the owner.
TcmdhelpFrm* OpenCommandHelp(const ErrorLog& error_log, QWidget* owner);

}  // namespace v7400
