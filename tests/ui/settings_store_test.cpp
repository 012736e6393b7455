#include "app/qt/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QSettings>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "app/preferences.h"
#include "unit/fakes/temp_dir.h"

namespace v7400::testing {
namespace {

QString Path(const TempDir& dir, const char* name) {
  return QString::fromStdString(dir.File(name));
}

TEST(SettingsStore, KeysAreGroupsWithTheSamePathAndValueNames) {
  TempDir dir;
  {
    SettingsStore store(Path(dir, "prefs.ini"));
    EXPECT_FALSE(store.KeyExists(kParaKey));
    EXPECT_EQ(store.ReadString(kParaKey, "AckMode"), "");
    store.WriteString(kParaKey, "AckMode", "0");
    store.WriteString(kFont1Key, "Name", "Courier New");
    EXPECT_TRUE(store.KeyExists(kParaKey));
    EXPECT_FALSE(store.KeyExists(kFont2Key));
  }
  QSettings raw(Path(dir, "prefs.ini"), QSettings::IniFormat);
  EXPECT_EQ(raw.value(QStringLiteral("SOFTWARE/Corvane/V7400/para/AckMode")).toString(),
            QStringLiteral("0"));
  EXPECT_EQ(raw.value(QStringLiteral("SOFTWARE/Corvane/V7400/Font1/Name")).toString(),
            QStringLiteral("Courier New"));
}

TEST(SettingsStore, ValueOfAnotherTypeIsAnError) {
  TempDir dir;
  {
    QSettings raw(Path(dir, "prefs.ini"), QSettings::IniFormat);
    raw.setValue(QStringLiteral("SOFTWARE/Corvane/V7400/Font1/Size"),
                 QStringList{QStringLiteral("1"), QStringLiteral("2")});
  }
  SettingsStore store(Path(dir, "prefs.ini"));
  try {
    store.ReadString(kFont1Key, "Size");
    ADD_FAILURE();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'Size'");
  }
}

TEST(SettingsStore, UnwritableStoreFailsOnTheFirstValue) {
  TempDir dir;
  std::ofstream(dir.File("plain-file")) << "x";
  SettingsStore store(Path(dir, "plain-file/prefs.ini"));
  try {
    store.WriteString(kFont1Key, "Charset", "1");
    ADD_FAILURE();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'Charset'");
  }
}

// What the store cannot use is moved aside with one problem to report, never read (a FIFO would
// block); the values of the run then go to a fresh file in one commit.
TEST(SettingsStore, UnusableFileIsMovedAsideAndWrittenAfresh) {
  for (const char* kind : {"garbage", "directory", "fifo"}) {
    TempDir dir;
    const std::string file = dir.File("V7400.conf");
    if (kind[0] == 'g') std::ofstream(file) << "[SOFTWARE\n\x01\x02 no key here\n";
    if (kind[0] == 'd') std::filesystem::create_directory(file);
    if (kind[0] == 'f') ::mkfifo(file.c_str(), 0600);
    SettingsStore store(QString::fromStdString(file));
    const std::string reason = kind[0] == 'g' ? "Not a preference file" : "Not a regular file";
    EXPECT_EQ(store.TakeOpenProblems(),
              std::vector<std::string>{"Cannot open file \"" + file + "\". " + reason +
                                       " Moved to \"" + file + ".bad\"."});
    EXPECT_FALSE(store.KeyExists(kParaKey)) << kind;
    store.WriteString(kParaKey, "AckMode", "0");
    EXPECT_FALSE(std::filesystem::exists(file)) << "written before the commit: " << kind;
    store.Commit();
    EXPECT_EQ(ReadFile(file), "[SOFTWARE]\nCorvane\\V7400\\para\\AckMode=0\n") << kind;
  }
}

}  // namespace
}  // namespace v7400::testing
