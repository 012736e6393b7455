#include "ui/tform2.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QScreen>
#include <QUrl>

#include "app/qt/desktop_handler.h"
#include "app/run_options.h"
#include "ui/help_paths.h"
#include "ui/manual_window.h"
#include "ui_tform2.h"

namespace v7400 {

namespace {

QFont Arial(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  return font;
}

void SetBlackText(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::Text, Qt::black);
  widget->setPalette(palette);
}

}  // namespace

TForm2::TForm2(QString exe_dir, Opener open, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TForm2>()),
      exe_dir_(std::move(exe_dir)),
      open_(std::move(open)) {
  ui_->setupUi(this);
  // Only the system menu and the close box: the box has a fixed size.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui_->Label1->setFont(Arial(19));
  ui_->Label2->setFont(Arial(16));
  // One version for the about box and --version.
  ui_->Label2->setText(QStringLiteral("Ver ") + QString::fromLatin1(kProgramVersion));
  ui_->Memo1->setFont(Arial(12));
  for (QWidget* widget : {static_cast<QWidget*>(ui_->Label1), static_cast<QWidget*>(ui_->Label2),
                          static_cast<QWidget*>(ui_->Memo1)}) {
    SetBlackText(widget);
  }
  ui_->Memo1->setPlainText(QStringLiteral(
      "1)Support 4100 and SIA format.\n\n2)Support RS-232 and network connection.\n"));
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TForm2::BitBtn2Click);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

TForm2::~TForm2() = default;

QString TForm2::HelpFile() const {
  const QDir dir(exe_dir_);
  const QString compiled = dir.filePath(QString::fromLatin1(kCompiledHelpName));
  if (QFileInfo::exists(compiled)) return compiled;
  return ManualFile();
}

QString TForm2::ManualFile() const {
  return HelpDocumentPath(exe_dir_, QString::fromLatin1(kManualName));
}

// Where the desktop cannot open the help, the program shows the manual itself.
void TForm2::BitBtn2Click() {
  const QString file = HelpFile();
  if (!open_ || !open_(file)) ShowManualWindow(file, ManualFile(), this);
}

bool OpenWithDesktop(const QString& path) {
  const QString type = QMimeDatabase().mimeTypeForFile(path).name();
  return HasDesktopHandler(type) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ShowAboutBox(const QString& exe_dir, QWidget* parent) {
  TForm2 box(exe_dir, &OpenWithDesktop, parent);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    box.move(screen->availableGeometry().center() - box.rect().center());
  }
  box.exec();
}

}  // namespace v7400
