// The user manual shown by the program itself, for desktops with no program to open it: the
// bundled HTML manual when there is one, else a text naming the file that could not be opened.
#pragma once

#include <QDialog>

class QTextBrowser;

namespace v7400 {

class ManualWindow : public QDialog {
  Q_OBJECT

 public:
  // `unopened`: the file the desktop could not open; `manual`: the bundled HTML manual.
  ManualWindow(const QString& unopened, const QString& manual, QWidget* parent = nullptr);

  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_ = nullptr;
};

// Opens the window over the about box; it blocks the other windows until it is closed and is
// destroyed then.
ManualWindow* ShowManualWindow(const QString& unopened, const QString& manual, QWidget* parent);

}  // namespace v7400
