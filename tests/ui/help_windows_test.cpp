#include <QCloseEvent>
#include <QDir>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextEdit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "app/qt/desktop_handler.h"
#include "form_fixture.h"
#include "ui/manual_window.h"
#include "ui/tcmdhelpfrm.h"
#include "ui/tform2.h"
#include "ui_tcmdhelpfrm.h"
#include "ui_tform2.h"

namespace v7400::testing {
namespace {

// Runs the test in its own working directory, where the help document is looked for.
class HelpWindowTest : public FormTest {
 protected:
  HelpWindowTest() : previous_(QDir::currentPath()) {
    QDir::setCurrent(QString::fromStdString(dir_.path().string()));
  }
  ~HelpWindowTest() override { QDir::setCurrent(previous_); }

  void WriteDocument(const std::string& bytes) {
    std::ofstream(dir_.File("InputCommandHelp.rtf"), std::ios::binary) << bytes;
  }
  static QList<TcmdhelpFrm*> HelpWindows(QWidget& owner) {
    return owner.findChildren<TcmdhelpFrm*>(QString(), Qt::FindDirectChildrenOnly);
  }

  QString previous_;
};

TEST_F(HelpWindowTest, AboutBoxOpensTheHelpFileBesideTheExecutable) {
  std::vector<QString> opened;
  TForm2 box(QString::fromStdString(dir_.path().string()), [&](const QString& path) {
    opened.push_back(path);
    return true;
  });
  EXPECT_EQ(box.windowTitle(), QStringLiteral("Help"));

  // Without the compiled help the bundled manual is opened; with it, the compiled help.
  box.Form().BitBtn2->click();
  std::ofstream(dir_.File("V7400.Chm")) << "chm";
  box.Form().BitBtn2->click();
  EXPECT_EQ(opened, (std::vector<QString>{QString::fromStdString(dir_.File("V7400Manual.html")),
                                          QString::fromStdString(dir_.File("V7400.Chm"))}));
  box.show();
  box.Form().BitBtn1->click();
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.result(), QDialog::Rejected);
}

// The offscreen platform, like a desktop without xdg-open, has no program to open the help:
// the program shows the bundled manual itself, or names the file it could not open.
TEST_F(HelpWindowTest, WithoutADesktopOpenerTheManualIsShownByTheProgram) {
  const struct {
    const char* file;
    const char* content;
    std::string shown;
  } cases[] = {
      {"V7400Manual.html", "<html><body><h1>Starting</h1><p>Press Settings.</p></body></html>",
       "Starting\nPress Settings."},
      {"V7400.Chm", "chm", dir_.File("V7400.Chm")},
  };
  for (const auto& c : cases) {
    std::remove(dir_.File("V7400Manual.html").c_str());
    std::ofstream(dir_.File(c.file)) << c.content;
    TForm2 box(QString::fromStdString(dir_.path().string()), &OpenWithDesktop);
    box.show();
    box.Form().BitBtn2->click();
    auto* manual = box.findChild<ManualWindow*>();
    ASSERT_NE(manual, nullptr) << c.file;
    EXPECT_TRUE(manual->isVisible());
    EXPECT_NE(manual->Browser()->toPlainText().toStdString().find(c.shown), std::string::npos)
        << manual->Browser()->toPlainText().toStdString();
  }
}

TEST_F(HelpWindowTest, EachHelpPressOpensOneMoreWindowAndOkClosesOnlyItsOwn) {
  WriteDocument(R"({\rtf1{\fonttbl{\f0 Arial;}}{\b Set Date}\par sends !D})");
  auto form = MakeForm();
  command_help_ = [&] { OpenCommandHelp(error_log_, form.get()); };
  form->Form().btnHelp->click();
  EXPECT_EQ(about_boxes_, 1);
  form->Form().Button3->click();
  form->Form().Button3->click();
  QList<TcmdhelpFrm*> windows = HelpWindows(*form);
  ASSERT_EQ(windows.size(), 2);
  for (TcmdhelpFrm* window : windows) {
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("General help about Input Command control"));
    EXPECT_EQ(window->Form().RichEdit1->toPlainText(), QStringLiteral("Set Date\nsends !D"));
  }
  EXPECT_TRUE(windows[0]
                  ->Form()
                  .RichEdit1->document()
                  ->firstBlock()
                  .begin()
                  .fragment()
                  .charFormat()
                  .fontWeight() > QFont::Normal);

  // Narrowing keeps "&Ok" centred in the bottom strip.
  for (const int width : {473, 300, 151}) {
    windows[0]->resize(width, 400);
    QApplication::processEvents();
    const QWidget* ok = windows[0]->Form().Button1;
    EXPECT_EQ(ok->x(), (windows[0]->Form().Panel3->width() - ok->width()) / 2) << width;
    EXPECT_EQ(windows[0]->Form().Panel3->height(), 41);
  }

  windows[0]->Form().Button1->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  windows = HelpWindows(*form);
  ASSERT_EQ(windows.size(), 1);
  // The close box only hides the window; it lives until the main window goes.
  windows[0]->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(HelpWindows(*form).size(), 1);
  EXPECT_FALSE(HelpWindows(*form)[0]->isVisible());
  EXPECT_TRUE(ErrorLogLines().empty());
}

TEST_F(HelpWindowTest, ADocumentThatCannotBeReadIsLoggedAndNeverStopsTheWindow) {
  auto form = MakeForm();
  struct Case {
    std::optional<std::string> document;
    QString shown;
    std::string logged;
  };
  const std::string path =
      QDir::current().absoluteFilePath(QStringLiteral("InputCommandHelp.rtf")).toStdString();
  const Case cases[] = {
      {std::nullopt, QString(),
       "TcmdhelpFrm  Cannot open file \"" + path + "\". No such file or directory"},
      {std::string("{\\rtf1 cut off {\\b"), QStringLiteral("{\\rtf1 cut off {\\b"),
       "TcmdhelpFrm  \"" + path + "\" is not valid RTF; shown as plain text"},
  };
  for (const Case& c : cases) {
    std::remove(dir_.File("error.log").c_str());
    std::remove(path.c_str());
    if (c.document) WriteDocument(*c.document);
    TcmdhelpFrm* window = OpenCommandHelp(error_log_, form.get());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Form().RichEdit1->toPlainText(), c.shown);
    const auto lines = ErrorLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(21), c.logged);
  }
}

// xdg-open "succeeds" by starting; only a program registered for the type counts.
TEST_F(HelpWindowTest, TheDesktopOpensHtmlOnlyWhereAProgramIsRegistered) {
  const QByteArray path = qgetenv("PATH");
  const std::string tools = dir_.path().string();
  qputenv("PATH", QByteArray::fromStdString(tools));
  const auto tool = [&](const char* name, const std::string& output) {
    std::ofstream(tools + "/" + name) << "#!/bin/sh\nprintf '" << output << "'\n";
    std::filesystem::permissions(tools + "/" + name, std::filesystem::perms::owner_all);
  };
  struct Case {
    std::optional<std::string> xdg_mime;
    std::optional<std::string> gio;
    bool handler;
  };
  const Case cases[] = {
      {"", std::nullopt, false},
      {"firefox.desktop", std::nullopt, true},
      {std::nullopt, "No default applications for text/html\nRegistered: vim.desktop", false},
      {std::nullopt, "Default application for text/html: firefox.desktop", true},
      {std::nullopt, std::nullopt, true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(tools + "/xdg-mime");
    std::filesystem::remove(tools + "/gio");
    if (c.xdg_mime) tool("xdg-mime", *c.xdg_mime);
    if (c.gio) tool("gio", *c.gio);
    EXPECT_EQ(HasDesktopHandler(QStringLiteral("text/html")), c.handler)
        << c.xdg_mime.value_or("-") << " / " << c.gio.value_or("-");
  }
  qputenv("PATH", path);
}

}  // namespace
}  // namespace v7400::testing
