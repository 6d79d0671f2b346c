#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <QDir>

#include "test_support.h"

namespace atalaya {
namespace {

TEST(SettingsStoreTest, SavingKeepsTheOtherLinesAndLoadsBack) {
  DataFolder data;
  data.Write("Atalaya.ini",
             "; mine\r\n[TForm1]\r\nIdioma0=English\r\nVelocidad=3\r\nUnknown=keep me\r\n"
             "\r\n[Tools]\r\nx=1\r\n");
  data.Write("English.ini", "[English]\r\ntraduc47=Eeprom EN\r\n");
  SettingsStore store(data.folder());
  Settings settings = store.Load({});
  EXPECT_FALSE(store.read_error());
  EXPECT_EQ(settings.languages, std::vector<std::string>{"English"});
  EXPECT_EQ(settings.baud, 3);

  TextTable texts;
  store.LoadTexts(settings, texts);
  EXPECT_EQ(texts.Text(47), "Eeprom EN");

  settings.baud = 8;
  ASSERT_FALSE(store.Save(settings));
  const QByteArray saved = data.Read("Atalaya.ini");
  EXPECT_TRUE(saved.startsWith("; mine\r\n[TForm1]\r\nIdioma0=English\r\nVelocidad=8\r\n"))
      << saved.toStdString();
  EXPECT_TRUE(saved.contains("Unknown=keep me\r\n"));
  EXPECT_TRUE(saved.contains("\r\n[Tools]\r\nx=1\r\n"));
  EXPECT_EQ(store.Load({}).baud, 8);
}

TEST(SettingsStoreTest, AMissingDataFolderFailsTheSaveWithAReason) {
  DataFolder data;
  SettingsStore store(data.folder() + "nowhere/");
  const Settings settings = store.Load({});
  EXPECT_FALSE(store.read_error());  // a missing file is no error
  const auto error = store.Save(settings);
  ASSERT_TRUE(error);
  EXPECT_FALSE(error->empty());
}

TEST(SettingsStoreTest, AnUnreadableFileGivesEveryDefaultAndSaysWhy) {
  DataFolder data;
  // A folder where the file should be cannot be read, even by root.
  QDir(data.path()).mkdir("Atalaya.ini");
  SettingsStore store(data.folder());
  const Settings settings = store.Load({"ttyS0"});
  ASSERT_TRUE(store.read_error());
  EXPECT_EQ(settings.parallel_base, 0x378);
  EXPECT_EQ(settings.baud, 6);
  EXPECT_EQ(settings.window_width, 736);
}

}  // namespace
}  // namespace atalaya
