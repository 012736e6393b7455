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
// block, a device never end); the values of the run then go to a fresh file in one commit.
TEST(SettingsStore, UnusableFileIsMovedAsideAndWrittenAfresh) {
  const std::string garbage = "[SOFTWARE\n\x01\x02 no key here\n";
  const struct {
    const char* kind;
    std::function<void(const std::string&)> make;
    const char* reason;
  } cases[] = {
      {"garbage", [&](const std::string& p) { std::ofstream(p) << garbage; },
       "Not a preference file"},
      {"directory", [](const std::string& p) { std::filesystem::create_directory(p); },
       "Not a regular file"},
      {"fifo", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); }, "Not a regular file"},
      {"too large",
       [](const std::string& p) { std::ofstream(p) << std::string(kPreferenceFileLimit + 1, ';'); },
       "File too large"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string file = dir.File("V7400.conf");
    c.make(file);
    SettingsStore store(QString::fromStdString(file));
    EXPECT_EQ(store.TakeOpenProblems(),
              std::vector<std::string>{"Cannot open file \"" + file + "\". " + c.reason +
                                       " Moved to \"" + file + ".bad\"."})
        << c.kind;
    EXPECT_TRUE(store.TakeOpenProblems().empty());
    EXPECT_TRUE(std::filesystem::exists(file + ".bad")) << c.kind;
    EXPECT_FALSE(store.KeyExists(kParaKey));
    store.WriteString(kParaKey, "AckMode", "0");
    store.WriteString(kParaKey, "AutoScroll", "0");
    EXPECT_FALSE(std::filesystem::exists(file)) << "written before the commit: " << c.kind;
    store.Commit();
    EXPECT_EQ(ReadFile(file), "[SOFTWARE]\nCorvane\\V7400\\para\\AckMode=0\n"
                              "Corvane\\V7400\\para\\AutoScroll=0\n") << c.kind;
  }
}

}  // namespace
}  // namespace v7400::testing
