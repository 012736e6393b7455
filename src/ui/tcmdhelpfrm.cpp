#include "ui/tcmdhelpfrm.h"

#include <QDir>

#include "app/help_document.h"
#include "ui/help_paths.h"
#include "ui_tcmdhelpfrm.h"

namespace v7400 {

namespace {

constexpr char kComponent[] = "TcmdhelpFrm";

}  // namespace

TcmdhelpFrm::TcmdhelpFrm(const ErrorLog& error_log, QWidget* owner)
    : QWidget(owner, Qt::Window), ui_(std::make_unique<Ui::TcmdhelpFrm>()), error_log_(error_log) {
  ui_->setupUi(this);
  // A help window left open must not keep the program running after the main window closes.
  setAttribute(Qt::WA_QuitOnClose, false);
  // RTF paragraphs have no spacing of their own and keep their blanks.
  ui_->RichEdit1->document()->setDefaultStyleSheet(
      QStringLiteral("p { margin-top: 0px; margin-bottom: 0px; white-space: pre-wrap; }"));
  connect(ui_->Button1, &QPushButton::clicked, this, &TcmdhelpFrm::Button1Click);
  FormCreate();
  FormResize();
}

TcmdhelpFrm::~TcmdhelpFrm() = default;

// The document is looked for in the working directory of the moment, not beside the executable;
// an installed copy falls back to its own.
void TcmdhelpFrm::FormCreate() {
  Guarded(error_log_, kComponent, [this] {
    const std::string path =
        HelpDocumentPath(QDir::currentPath(), QString::fromLatin1(kCommandHelpFileName))
            .toLocal8Bit()
            .toStdString();
    const RtfDocument document = LoadHelpDocument(path);
    if (document.rich) {
      ui_->RichEdit1->setHtml(QString::fromUtf8(document.text));
      return;
    }
    ui_->RichEdit1->setPlainText(QString::fromUtf8(document.text));
    error_log_.AppException(kComponent, "\"" + path + "\" is not valid RTF; shown as plain text");
  });
}

void TcmdhelpFrm::FormResize() {
  QWidget* button = ui_->Button1;
  button->move((ui_->Panel3->width() - button->width()) / 2, button->y());
}

void TcmdhelpFrm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TcmdhelpFrm::Button1Click() { deleteLater(); }

TcmdhelpFrm* OpenCommandHelp(const ErrorLog& error_log, QWidget* owner) {
  auto* window = new TcmdhelpFrm(error_log, owner);
  if (owner != nullptr) {
    window->move(owner->frameGeometry().center() - window->rect().center());
  }
  window->show();
  return window;
}

}  // namespace v7400
