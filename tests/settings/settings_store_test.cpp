#include "settings_keys.h"
#include "settings_store.h"
#include "settings_test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kv {
namespace {

using namespace Qt::StringLiterals;
using namespace settings;
using test::ReadBytes;
using test::WriteBytes;

using SettingsFile = test::TempSettings;

TEST_F(SettingsFile, MissingFileReadsEmptyAndIsNotCreatedByReading) {
    EXPECT_EQ(ReadSetting(store, kDisplay, kVolume), QString());
    EXPECT_FALSE(QFileInfo::exists(store.filePath));
}

TEST_F(SettingsFile, FirstWriteCreatesFolderFileSectionAndKey) {
    store.filePath = dir.filePath(u"config/kolvista/Default_Folder.ini"_s);
    ASSERT_TRUE(WriteSetting(store, kSource, kFolder, u"/media/card"));
    EXPECT_EQ(ReadBytes(store.filePath), QByteArray("[SOURCE]\nFOLDER=/media/card\n"));
    EXPECT_EQ(ReadSetting(store, kSource, kFolder), u"/media/card"_s);
}

TEST_F(SettingsFile, JapanesePathsRoundTripAsUtf8) {
    const QString folder = u"/home/太郎/ドラレコ 映像"_s;
    ASSERT_TRUE(WriteSetting(store, kFolderPath, kSnapshotFolder, folder));
    EXPECT_EQ(ReadSetting(store, kFolderPath, kSnapshotFolder), folder);
    EXPECT_TRUE(ReadBytes(store.filePath).contains(folder.toUtf8()));
}

TEST_F(SettingsFile, ReadsStopAt259Units) {
    const QString smiley = u"😀"_s; // two UTF-16 units
    struct Case {
        QString stored;
        QString read;
    };
    const Case cases[] = {
        {QString(259, u'a'), QString(259, u'a')},
        {QString(300, u'a'), QString(259, u'a')},
        {QString(257, u'a') + smiley + u"b"_s, QString(257, u'a') + smiley},
        // Never half a surrogate pair.
        {QString(258, u'a') + smiley, QString(258, u'a')},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteSetting(store, kSource, kFile, c.stored));
        EXPECT_EQ(ReadSetting(store, kSource, kFile), c.read) << c.stored.size();
    }
}

TEST_F(SettingsFile, WritesKeepAHandEditedFileAsItWas) {
    const QByteArray before = "; kept beside the viewer\r\n"
                              "[display]\r\n"
                              "Volume = 12\r\n"
                              "\r\n"
                              "[SOURCE]\r\n"
                              "SELECT=SD";
    ASSERT_TRUE(WriteBytes(store.filePath, before));
    ASSERT_TRUE(WriteSetting(store, kDisplay, kVolume, u"40000"));
    ASSERT_TRUE(WriteSetting(store, kSource, kFolder, u"/mnt/f"));
    ASSERT_TRUE(WriteSetting(store, kDisplay, kAspect, u"off"));
    EXPECT_EQ(ReadBytes(store.filePath), QByteArray("; kept beside the viewer\r\n"
                                                    "[display]\r\n"
                                                    "Volume = 40000\r\n"
                                                    "ASPECT=off\r\n"
                                                    "\r\n"
                                                    "[SOURCE]\r\n"
                                                    "SELECT=SD\r\n"
                                                    "FOLDER=/mnt/f\r\n"));
}

TEST_F(SettingsFile, RefusedWritesChangeNothing) {
    const QByteArray before = "[SOURCE]\nFOLDER=/a\n";
    ASSERT_TRUE(WriteBytes(store.filePath, before));
    EXPECT_FALSE(WriteSetting(store, kSource, kFolder, u"/a\n[DISPLAY]\nASPECT=off"));
    EXPECT_FALSE(WriteSetting(store, u"", kFolder, u"/b"));
    // One bad value refuses the whole batch.
    const SettingValue batch[] = {{kSource, kFolder, u"/b"_s}, {kSource, u"SD=", u"x"_s}};
    EXPECT_FALSE(WriteSettings(store, batch));
    EXPECT_EQ(ReadBytes(store.filePath), before);
}

TEST_F(SettingsFile, FailedWriteReportsFalseAndCreatesNothing) {
    // The folder that should hold the file is a file.
    const QString blocker = dir.filePath(u"not-a-folder"_s);
    ASSERT_TRUE(WriteBytes(blocker, "x"));
    store.filePath = blocker + u"/Default_Folder.ini"_s;
    EXPECT_FALSE(WriteSetting(store, kDisplay, kVolume, u"1"));
    EXPECT_EQ(ReadSetting(store, kDisplay, kVolume), QString());
    EXPECT_EQ(ReadBytes(blocker), QByteArray("x"));
}

TEST_F(SettingsFile, WritesLeaveNoTemporaryOrLockFilesBehind) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WriteSetting(store, kDisplay, kVolume, QString::number(i)));
    }
    ASSERT_TRUE(WriteSetting(store, kDisplay, kVolume, u"2")); // unchanged value
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{u"Default_Folder.ini"_s});
}

// Two viewers writing the same file: every write of either lands, and a reader
// never sees a partly written file.
TEST_F(SettingsFile, ConcurrentWritersLoseNothingAndReadersSeeWholeFiles) {
    ASSERT_TRUE(WriteSetting(store, kSource, kFolder, u"/sentinel"));
    constexpr int kWrites = 40;
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::atomic<int> badReads{0};
    std::atomic<int> failedWrites{0};

    std::thread reader([&] {
        while (!stop.load()) {
            if (ReadSetting(store, kSource, kFolder) != u"/sentinel"_s) {
                ++badReads;
            }
            ++reads;
        }
    });
    auto writer = [&](QStringView key) {
        const SettingsStore own = store; // a second viewer has its own store
        for (int i = 1; i <= kWrites; ++i) {
            if (!WriteSetting(own, u"TEST", key, QString::number(i))) {
                ++failedWrites;
            }
        }
    };
    std::thread first(writer, u"FIRST");
    std::thread second(writer, u"SECOND");
    first.join();
    second.join();
    stop = true;
    reader.join();

    EXPECT_EQ(failedWrites.load(), 0);
    EXPECT_EQ(badReads.load(), 0) << "of " << reads.load() << " reads";
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(ReadSetting(store, u"TEST", u"FIRST"), QString::number(kWrites));
    EXPECT_EQ(ReadSetting(store, u"TEST", u"SECOND"), QString::number(kWrites));
}

TEST(SettingsLocation, PrefersAFileInTheStartFolder) {
    QTemporaryDir start;
    QTemporaryDir config;
    ASSERT_TRUE(start.isValid() && config.isValid());
    const QString beside = start.filePath(u"Default_Folder.ini"_s);
    const QString inConfig = config.filePath(u"Default_Folder.ini"_s);

    SettingsStore store = LocateSettings(start.path(), config.path());
    EXPECT_EQ(store.filePath, inConfig);
    EXPECT_EQ(SettingsFolder(store), start.path());
    EXPECT_EQ(LocateSettings(start.path(), QString()).filePath, beside);

    // A folder of that name is not a settings file.
    ASSERT_TRUE(QDir(start.path()).mkdir(u"Default_Folder.ini"_s));
    EXPECT_EQ(LocateSettings(start.path(), config.path()).filePath, inConfig);
    ASSERT_TRUE(QDir(start.path()).rmdir(u"Default_Folder.ini"_s));

    ASSERT_TRUE(WriteBytes(beside, ""));
    store = LocateSettings(start.path(), config.path());
    EXPECT_EQ(store.filePath, beside);
    EXPECT_EQ(SettingsFolder(store), start.path());
}

TEST(SettingsLocation, AMenuStartKeepsTheSettingsInTheConfigFolder) {
    // Started from the desktop's menu, the viewer's current folder is the home
    // folder (or the root folder), which holds other files but no settings
    // file: the settings go to the configuration folder, the folder choosers
    // still start in the current folder.
    QTemporaryDir home;
    QTemporaryDir config;
    ASSERT_TRUE(home.isValid() && config.isValid());
    ASSERT_TRUE(WriteBytes(home.filePath(u".profile"_s), "PATH=/usr/bin\n"));
    ASSERT_TRUE(QDir(home.path()).mkdir(u"Videos"_s));
    const QString inConfig = config.filePath(u"Default_Folder.ini"_s);

    const SettingsStore fromHome = LocateSettings(home.path(), config.path());
    EXPECT_EQ(fromHome.filePath, inConfig);
    EXPECT_EQ(SettingsFolder(fromHome), home.path());

    if (QFileInfo::exists(u"/Default_Folder.ini"_s)) {
        GTEST_SKIP() << "this machine has a settings file in its root folder";
    }
    const SettingsStore fromRoot = LocateSettings(u"/"_s, config.path());
    EXPECT_EQ(fromRoot.filePath, inConfig);
    EXPECT_EQ(SettingsFolder(fromRoot), u"/"_s);
}

TEST(SettingsLocation, StartupUsesTheCurrentDirectoryOrTheConfigLocation) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir start;
    ASSERT_TRUE(start.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(start.path()));
    const QString current = QDir::currentPath();

    const SettingsStore inConfig = SettingsAtStartup();
    const SettingsStore beside = WriteBytes(start.filePath(u"Default_Folder.ini"_s), "")
                                     ? SettingsAtStartup()
                                     : SettingsStore{};
    QDir::setCurrent(previous);

    EXPECT_EQ(inConfig.filePath,
              QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                  .absoluteFilePath(u"Default_Folder.ini"_s));
    EXPECT_FALSE(inConfig.filePath.startsWith(current));
    EXPECT_EQ(inConfig.startFolder, current);
    EXPECT_EQ(beside.filePath, current + u"/Default_Folder.ini"_s);
    EXPECT_EQ(beside.startFolder, current);
}

} // namespace
} // namespace kv
