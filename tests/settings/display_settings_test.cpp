#include "display_settings.h"
#include "folder_choice.h"
#include "setting_text.h"
#include "settings_keys.h"
#include "settings_test_files.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace kv {
namespace {

using namespace Qt::StringLiterals;
using namespace settings;
using test::ReadBytes;
using test::WriteBytes;

using DisplaySettings = test::TempSettings;

TEST_F(DisplaySettings, FirstStartWritesTheThreeDisplayDefaults) {
    ASSERT_TRUE(EnsureDefaults(store));
    EXPECT_EQ(ReadBytes(store.filePath),
              QByteArray("[DISPLAY]\nINFOCHECK=31\nASPECT=on\nVOLUME=65535\n"));
    EXPECT_TRUE(KeepAspect(store));
    EXPECT_EQ(ReadVolume(store), 65535);
    EXPECT_FALSE(HardwareDecodingOn(store));
}

TEST_F(DisplaySettings, DefaultsLeaveAnExistingFileAlone) {
    const QByteArray files[] = {
        "",
        "[DISPLAY]\nASPECT=off\n",
        "[SOURCE]\r\nFOLDER=/x",
    };
    for (const QByteArray& file : files) {
        ASSERT_TRUE(WriteBytes(store.filePath, file));
        EXPECT_TRUE(EnsureDefaults(store));
        EXPECT_EQ(ReadBytes(store.filePath), file);
    }
}

TEST_F(DisplaySettings, StartupFlagsAreOnOnlyForOn) {
    struct Case {
        const char* file;
        bool hardware;
        bool keepAspect;
    };
    const Case cases[] = {
        {"[DECODE]\nHW=on\n[DISPLAY]\nASPECT=on\n", true, true},
        {"[decode]\nhw = on \n[display]\naspect\t=on\n", true, true},
        {"[DECODE]\nHW=ON\n[DISPLAY]\nASPECT=On\n", false, false},
        {"[DECODE]\nHW=off\n[DISPLAY]\nASPECT=off\n", false, false},
        {"[DECODE]\nHW=1\n[DISPLAY]\nASPECT=onx\n", false, false},
        {"[DECODE]\nHW=\n[DISPLAY]\nASPECT=\n", false, false},
        {"[DISPLAY]\nHW=on\n[DECODE]\nASPECT=on\n", false, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteBytes(store.filePath, c.file));
        EXPECT_EQ(HardwareDecodingOn(store), c.hardware) << c.file;
        EXPECT_EQ(KeepAspect(store), c.keepAspect) << c.file;
    }
    ASSERT_TRUE(QFile::remove(store.filePath));
    EXPECT_FALSE(HardwareDecodingOn(store));
    EXPECT_FALSE(KeepAspect(store));
}

TEST_F(DisplaySettings, AspectAndVolumeWritesReadBack) {
    ASSERT_TRUE(WriteKeepAspect(store, false));
    EXPECT_EQ(ReadSetting(store, kDisplay, kAspect), u"off"_s);
    EXPECT_FALSE(KeepAspect(store));
    ASSERT_TRUE(WriteKeepAspect(store, true));
    EXPECT_TRUE(KeepAspect(store));

    struct Case {
        int written;
        const char16_t* text;
    };
    const Case cases[] = {
        {0, u"0"}, {1234, u"1234"}, {65535, u"65535"}, {70000, u"65535"}, {-3, u"0"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteVolume(store, c.written));
        EXPECT_EQ(ReadSetting(store, kDisplay, kVolume), QStringView(c.text)) << c.written;
        EXPECT_EQ(ReadVolume(store), VolumeFromText(c.text)) << c.written;
    }
}

TEST_F(DisplaySettings, EmptyOrMissingVolumeIsFull) {
    const QByteArray files[] = {"[DISPLAY]\nVOLUME=\n", "[DISPLAY]\nVOLUME=  \n", "[DISPLAY]\n",
                                ""};
    for (const QByteArray& file : files) {
        ASSERT_TRUE(WriteBytes(store.filePath, file));
        EXPECT_EQ(ReadVolume(store), 65535) << file.toStdString();
    }
    ASSERT_TRUE(WriteBytes(store.filePath, "[DISPLAY]\nVOLUME=0\n"));
    EXPECT_EQ(ReadVolume(store), 0);
}

TEST(SettingText, VolumeReadsLikeAtoiWithinRange) {
    struct Case {
        const char16_t* text;
        int volume;
    };
    const Case cases[] = {
        {u"", 65535},
        {u" \t", 65535},
        {u"0", 0},
        {u"65535", 65535},
        {u"65536", 65535},
        {u"-1", 0},
        {u"+42", 42},
        {u" 42", 42},
        {u"12abc", 12},
        {u"4 2", 4},
        {u"abc", 0},
        {u"--1", 0},
        {u"0x10", 0},
        {u"１２", 0},
        {u"007", 7},
        {u"-", 0},
        {u"99999999999999999999999", 65535},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VolumeFromText(c.text), c.volume) << QStringView(c.text).toString().toStdString();
    }
}

TEST(SettingText, ScaleIsAPositiveFiniteLeadingNumber) {
    struct Case {
        const char16_t* text;
        std::optional<double> scale;
    };
    const Case cases[] = {
        {u"1.000000", 1.0},
        {u"1.250000", 1.25},
        {u"0.75", 0.75},
        {u" .5", 0.5},
        {u"+2", 2.0},
        {u"1.5px", 1.5},
        {u"1e1", 10.0},
        {u"1,5", 1.0},
        {u"0", std::nullopt},
        {u"0.000000", std::nullopt},
        {u"-1.5", std::nullopt},
        {u"", std::nullopt},
        {u"abc", std::nullopt},
        {u"inf", std::nullopt},
        {u"nan", std::nullopt},
        {u"1e999", std::nullopt},
        {u"--1", std::nullopt},
        {u"+-1", std::nullopt},
        {u"０.５", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScaleFromText(c.text), c.scale) << QStringView(c.text).toString().toStdString();
    }
}

TEST_F(DisplaySettings, ScalesAreKeptPerWindowInPrintfFormat) {
    ASSERT_TRUE(WriteScale(store, kMapDisplay, 1.5, 0.75));
    EXPECT_EQ(ReadBytes(store.filePath),
              QByteArray("[MAPDISPLAY]\nSCALEX=1.500000\nSCALEY=0.750000\n"));
    EXPECT_EQ(ReadScale(store, kMapDisplay, kScaleX), 1.5);
    EXPECT_EQ(ReadScale(store, kMapDisplay, kScaleY), 0.75);
    EXPECT_EQ(ReadScale(store, kDisplay, kScaleX), std::nullopt);
    EXPECT_EQ(ReadScale(store, kMovieDisplay, kScaleY), std::nullopt);

    ASSERT_TRUE(WriteScale(store, kMapDisplay, 2.0, 0.0));
    EXPECT_EQ(ReadScale(store, kMapDisplay, kScaleX), 2.0);
    EXPECT_EQ(ReadScale(store, kMapDisplay, kScaleY), std::nullopt); // 0: unchanged

    const QByteArray before = ReadBytes(store.filePath);
    EXPECT_FALSE(WriteScale(store, kDisplay, std::nan(""), 1.0));
    EXPECT_FALSE(WriteScale(store, kDisplay, 1.0, std::numeric_limits<double>::infinity()));
    EXPECT_EQ(ReadBytes(store.filePath), before);
}

TEST_F(DisplaySettings, FolderChoiceStartsInTheRememberedOrTheStartFolder) {
    // The settings file in a configuration folder, apart from the start folder.
    store.filePath = dir.filePath(u"config/Default_Folder.ini"_s);
    ASSERT_TRUE(WriteSetting(store, kFolderPath, kCsvFolder, u"/home/me/csv"));
    EXPECT_EQ(InitialFolder(store, kFolderPath, kCsvFolder), u"/home/me/csv"_s);
    EXPECT_EQ(InitialFolder(store, kFolderPath, kRepairFolder), dir.path());
    EXPECT_EQ(InitialFolder(store, kFolderPath, kConnectFolder), dir.path());
}

} // namespace
} // namespace kv
