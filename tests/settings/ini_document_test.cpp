#include "ini_document.h"
#include "settings_test_files.h"

#include <gtest/gtest.h>

#include <optional>

namespace kv {
namespace {

using namespace Qt::StringLiterals;

QByteArray Bytes(const char* text) {
    return QByteArray(text);
}

TEST(IniDocument, LooksUpLikeThePrivateProfileFunctions) {
    struct Case {
        const char* file;
        const char16_t* section;
        const char16_t* key;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"[DISPLAY]\nVOLUME=100\n", u"DISPLAY", u"VOLUME", u"100"_s},
        // Names compare without case, in the file and in the request.
        {"[display]\nvolume=100\n", u"DISPLAY", u"VOLUME", u"100"_s},
        {"[DISPLAY]\nVOLUME=100\n", u"Display", u"vOLUME", u"100"_s},
        // Blanks around names and values are not part of them; inner blanks are.
        {"  [ DISPLAY ]  \n\t VOLUME \t=\t 100 \t\n", u"DISPLAY", u"VOLUME", u"100"_s},
        {"[SOURCE]\nFOLDER=  /media/my card  \n", u"SOURCE", u"FOLDER", u"/media/my card"_s},
        {"[DISPLAY]\nVOLUME=100\n", u" DISPLAY ", u" VOLUME\t", u"100"_s},
        // A full-width space is not a blank.
        {"[SOURCE]\nFOLDER=/x\xE3\x80\x80\n", u"SOURCE", u"FOLDER", u"/x\u3000"_s},
        // Present but empty is an empty text; absent is no value.
        {"[DISPLAY]\nVOLUME=\n", u"DISPLAY", u"VOLUME", u""_s},
        {"[DISPLAY]\nVOLUME=   \n", u"DISPLAY", u"VOLUME", u""_s},
        {"[DISPLAY]\nASPECT=on\n", u"DISPLAY", u"VOLUME", std::nullopt},
        {"[OTHER]\nVOLUME=1\n", u"DISPLAY", u"VOLUME", std::nullopt},
        {"", u"DISPLAY", u"VOLUME", std::nullopt},
        // Keys belong to the section above them; none before the first header.
        {"VOLUME=1\n[DISPLAY]\n", u"DISPLAY", u"VOLUME", std::nullopt},
        {"[DISPLAY]\n[OTHER]\nVOLUME=1\n", u"DISPLAY", u"VOLUME", std::nullopt},
        // First match wins: the first key, and only the first section is searched.
        {"[DISPLAY]\nVOLUME=1\nvolume=2\n", u"DISPLAY", u"VOLUME", u"1"_s},
        {"[DISPLAY]\nVOLUME=1\n[display]\nASPECT=on\n", u"DISPLAY", u"ASPECT", std::nullopt},
        {"[DISPLAY]\nVOLUME=1\n[display]\nVOLUME=2\n", u"DISPLAY", u"VOLUME", u"1"_s},
        // The first '=' splits; quotes and text after a ';' belong to the value.
        {"[SOURCE]\nFOLDER=/a=b/c\n", u"SOURCE", u"FOLDER", u"/a=b/c"_s},
        {"[SOURCE]\nFOLDER=\"/x\" ; last\n", u"SOURCE", u"FOLDER", u"\"/x\" ; last"_s},
        // Comments, text without '=' and broken headers never match.
        {"[DISPLAY]\n; VOLUME=7\nVOLUME\n", u"DISPLAY", u"VOLUME", std::nullopt},
        {"[DISPLAY\nVOLUME=7\n", u"DISPLAY", u"VOLUME", std::nullopt},
        {"[DISPLAY] main window\nVOLUME=7\n", u"DISPLAY", u"VOLUME", u"7"_s},
        // Line ends, byte-order mark, no final line end, UTF-8 text.
        {"[SOURCE]\r\nFOLDER=/media/\xE3\x83\x89\xE3\x83\xA9\r\n", u"SOURCE", u"FOLDER",
         u"/media/ドラ"_s},
        {"\xEF\xBB\xBF[DISPLAY]\nVOLUME=7", u"DISPLAY", u"VOLUME", u"7"_s},
        {"[DISPLAY]\nVOLUME=5\r", u"DISPLAY", u"VOLUME", u"5"_s},
        {"[\xE8\xA8\xAD\xE5\xAE\x9A]\nK=1\n", u"設定", u"k", u"1"_s},
    };
    for (const Case& c : cases) {
        const IniDocument document(Bytes(c.file));
        EXPECT_EQ(document.value(c.section, c.key), c.expected)
            << c.file << " / " << QStringView(c.section).toString().toStdString() << " / "
            << QStringView(c.key).toString().toStdString();
    }
}

TEST(IniDocument, GivesBackEveryByteItRead) {
    const QByteArray files[] = {
        QByteArray(),          Bytes("\n"),
        Bytes("no line end"),  Bytes("[A]\r\nk = v \r\n\r\n; note\n[B]\nx"),
        Bytes("\xEF\xBB\xBF"), Bytes("\xEF\xBB\xBF\r\n"),
        Bytes("\r\r\n\n\r"),   QByteArray("\xFF\xFE[x]\n\0k=v\0\n]=[\n", 15),
    };
    for (const QByteArray& file : files) {
        EXPECT_EQ(IniDocument(file).bytes(), file) << file.toStdString();
    }
}

TEST(IniDocument, SetsValuesWhereWindowsWouldAndKeepsTheRest) {
    struct Case {
        const char* before;
        const char16_t* section;
        const char16_t* key;
        const char16_t* value;
        const char* after;
    };
    const Case cases[] = {
        // A new file.
        {"", u"DISPLAY", u"VOLUME", u"65535", "[DISPLAY]\nVOLUME=65535\n"},
        {"", u" SOURCE ", u"\tFOLDER ", u"/x", "[SOURCE]\nFOLDER=/x\n"},
        {"", u"SOURCE", u"FOLDER", u"/media/ドラ",
         "[SOURCE]\nFOLDER=/media/\xE3\x83\x89\xE3\x83\xA9\n"},
        // In place: the name as written and the blanks before the value stay.
        {"[DISPLAY]\nVOLUME = 3  \nASPECT=on\n", u"DISPLAY", u"VOLUME", u"100",
         "[DISPLAY]\nVOLUME = 100\nASPECT=on\n"},
        {"[display]\nvolume=3\n", u"DISPLAY", u"VOLUME", u"4", "[display]\nvolume=4\n"},
        {"[D]\nK=\n", u"D", u"K", u"x", "[D]\nK=x\n"},
        {"[D]\nK=1\n", u"D", u"K", u"", "[D]\nK=\n"},
        {"[D]\r\nK=1\r\nL=2", u"D", u"K", u"a=b", "[D]\r\nK=a=b\r\nL=2"},
        // First match: only the first section and the first key change.
        {"[D]\nK=1\nK=2\n", u"D", u"K", u"9", "[D]\nK=9\nK=2\n"},
        {"[D]\nA=1\n[S]\n[D]\nB=2\n", u"D", u"B", u"3", "[D]\nA=1\nB=3\n[S]\n[D]\nB=2\n"},
        // A new key follows the section's last key, ahead of blank lines and
        // comments that lead into the next section.
        {"[DISPLAY]\nASPECT=on\n\n; map window\n[MAPDISPLAY]\nSCALEX=1\n", u"DISPLAY", u"VOLUME",
         u"5", "[DISPLAY]\nASPECT=on\nVOLUME=5\n\n; map window\n[MAPDISPLAY]\nSCALEX=1\n"},
        {"[DISPLAY]\n\n[SOURCE]\n", u"DISPLAY", u"VOLUME", u"5",
         "[DISPLAY]\nVOLUME=5\n\n[SOURCE]\n"},
        {"K=1\n[D]\n", u"D", u"K", u"2", "K=1\n[D]\nK=2\n"},
        // A last line without a line end gets one before anything follows it.
        {"[DISPLAY]\nVOLUME=5", u"DISPLAY", u"ASPECT", u"on", "[DISPLAY]\nVOLUME=5\nASPECT=on\n"},
        {"[DISPLAY]\nVOLUME=5", u"SOURCE", u"FOLDER", u"/x",
         "[DISPLAY]\nVOLUME=5\n[SOURCE]\nFOLDER=/x\n"},
        {"[DISPLAY]", u"DISPLAY", u"VOLUME", u"5", "[DISPLAY]\nVOLUME=5\n"},
        // New lines take the file's line end; the byte-order mark stays.
        {"[DISPLAY]\r\nVOLUME=5\r\n", u"SOURCE", u"FILE", u"/a",
         "[DISPLAY]\r\nVOLUME=5\r\n[SOURCE]\r\nFILE=/a\r\n"},
        {"\xEF\xBB\xBF[D]\nK=1\n", u"D", u"K", u"2", "\xEF\xBB\xBF[D]\nK=2\n"},
        {"\xEF\xBB\xBF", u"D", u"K", u"2", "\xEF\xBB\xBF[D]\nK=2\n"},
        // Bytes that are not UTF-8 elsewhere in the file survive.
        {"[D]\nK=\xFF\xFE\n[E]\n", u"E", u"K", u"1", "[D]\nK=\xFF\xFE\n[E]\nK=1\n"},
    };
    for (const Case& c : cases) {
        IniDocument document(Bytes(c.before));
        ASSERT_TRUE(document.setValue(c.section, c.key, c.value)) << c.before;
        EXPECT_EQ(document.bytes(), Bytes(c.after)) << c.before;
        EXPECT_EQ(document.value(c.section, c.key), QStringView(c.value).toString()) << c.before;
    }
}

TEST(IniDocument, RefusesWhatTheFileCannotHold) {
    struct Case {
        QString section;
        QString key;
        QString value;
    };
    const Case cases[] = {
        {u""_s, u"K"_s, u"v"_s},     {u" \t"_s, u"K"_s, u"v"_s},
        {u"D]"_s, u"K"_s, u"v"_s},   {u"D\n"_s, u"K"_s, u"v"_s},
        {u"D"_s, u""_s, u"v"_s},     {u"D"_s, u"K=1"_s, u"v"_s},
        {u"D"_s, u"[K"_s, u"v"_s},   {u"D"_s, u" [K]"_s, u"v"_s},
        {u"D"_s, u"K\r"_s, u"v"_s},  {u"D"_s, u"K"_s, u"a\nb"_s},
        {u"D"_s, u"K"_s, u"a\rb"_s}, {u"D"_s, u"K"_s, QString(QChar(u'\0'))},
        {u"D\0"_s, u"K"_s, u"v"_s},
    };
    const QByteArray before("[D]\nK=1\n");
    for (const Case& c : cases) {
        IniDocument document(before);
        EXPECT_FALSE(document.setValue(c.section, c.key, c.value))
            << c.section.toStdString() << " / " << c.key.toStdString();
        EXPECT_EQ(document.bytes(), before);
    }
}

} // namespace
} // namespace kv
