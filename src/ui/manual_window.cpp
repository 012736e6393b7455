#include "ui/manual_window.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace v7400 {

ManualWindow::ManualWindow(const QString& unopened, const QString& manual, QWidget* parent)
    : QDialog(parent), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("ManualWindow"));
  setWindowTitle(QStringLiteral("V7400 Automation Simulator - User manual"));
  browser_->setObjectName(QStringLiteral("ManualText"));
  browser_->setOpenExternalLinks(false);
  const QFileInfo html(manual);
  if (html.isFile() && html.isReadable()) {
    browser_->setSource(QUrl::fromLocalFile(html.absoluteFilePath()));
  } else {
    browser_->setPlainText(
        QStringLiteral("No program on this desktop opens the manual, and it is not where it should "
                       "be either:\n\n%1\n\nOpen that file with a viewer of your choice.")
            .arg(unopened));
  }
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("btnCloseManual"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_);
  layout->addWidget(buttons);
  resize(760, 560);
}

ManualWindow* ShowManualWindow(const QString& unopened, const QString& manual, QWidget* parent) {
  auto* window = new ManualWindow(unopened, manual, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowModality(Qt::ApplicationModal);
  window->show();
  return window;
}

}  // namespace v7400
