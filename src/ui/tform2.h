// The about box: product name, version, what it supports, and the way to the user manual.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

namespace Ui {
class TForm2;
}

namespace v7400 {

inline constexpr char kCompiledHelpName[] = "V7400.Chm";
// Shipped beside the executable for desktops without a viewer for the compiled help.
inline constexpr char kManualName[] = "V7400Manual.html";

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  // Hands a file to the desktop's default handler; false when the desktop has none.
  using Opener = std::function<bool(const QString& path)>;

  TForm2(QString exe_dir, Opener open, QWidget* parent = nullptr);
  ~TForm2() override;

  Ui::TForm2& Form() { return *ui_; }
  // The compiled help beside the executable, or the bundled manual when it is absent.
  QString HelpFile() const;
  // The bundled HTML manual, wherever it was installed.
  QString ManualFile() const;

 public slots:
  void BitBtn2Click();

 private:
  std::unique_ptr<Ui::TForm2> ui_;
  QString exe_dir_;
  Opener open_;
};

// Opens the file with the desktop's default handler; false when there is none.
bool OpenWithDesktop(const QString& path);

// Creates the about box centred on the desktop, shows it modally and destroys it.
void ShowAboutBox(const QString& exe_dir, QWidget* parent);

}  // namespace v7400
