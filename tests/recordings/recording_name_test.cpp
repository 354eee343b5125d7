#include "recording_name.h"

#include <random>
#include <regex>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(RecordingName, NameTests) {
    struct Case {
        const char* path;
        bool recording, front, rear, aviExtension, timeLapse, parking, impact, modeLetter;
    };
    const Case cases[] = {
        {"/card/Normal/Front/A__S-261205-093000-000101F.AVI", 1, 1, 0, 1, 0, 0, 0, 1},
        {"AG__-261205-093000-000102R.AVI", 1, 0, 1, 1, 0, 0, 1, 1},
        {"PG__-261205-093000-000102F.AVI", 1, 1, 0, 1, 0, 1, 1, 1},
        {"T___-261205-093000-000102F.AVI", 1, 1, 0, 1, 1, 0, 0, 1},
        {"__T_-261205-093000-000102F.AVI", 1, 1, 0, 1, 1, 1, 0, 1}, // parking time-lapse
        {"A_T_-261205-093000-000102F.AVI", 1, 1, 0, 1, 1, 0, 0, 1},
        {"A_O_-261205-093000-000102F.AVI", 0, 0, 0, 1, 0, 0, 0, 1}, // speed camera mark
        {"___S-261205-093000-000102F.AVI", 0, 0, 0, 1, 0, 0, 0, 0}, // no mode letter
        {"A__S-261205-093000-000101F.avi", 0, 0, 0, 1, 0, 0, 0, 1}, // the pattern wants AVI
        {"A__S-261205-093000-000101FxAVI", 1, 1, 0, 0, 0, 0, 0, 1}, // '.' matches any character
        {"A__S-261205-093000-00010F.AVI", 0, 0, 0, 1, 0, 0, 0, 1},  // five-digit number
        {"A__Sx261205-093000-000101F.AVI", 0, 0, 0, 1, 0, 0, 0, 1}, // no '-' at index 4
        {"A___-copy-A__S-261205-093000-000101F.AVI", 1, 1, 0, 1, 0, 0, 0, 1}, // found anywhere
        {"A__S-261205-093000-000101F.AVI.bak", 1, 1, 0, 0, 0, 0, 0, 1},
        {"A__S-261205-093000-000101F.AVIX", 1, 1, 0, 0, 0, 0, 0, 1},
        {"/card/Normal/A__S-261205-093000-000101F.AVI/readme.txt", 0, 0, 0, 0, 0, 0, 0, 0},
        {"", 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const QString p = QString::fromUtf8(c.path);
        EXPECT_EQ(IsRecordingName(p), c.recording);
        EXPECT_EQ(IsFrontName(p), c.front);
        EXPECT_EQ(IsRearName(p), c.rear);
        EXPECT_EQ(HasAviExtension(p), c.aviExtension);
        EXPECT_EQ(IsTimeLapse(p), c.timeLapse);
        EXPECT_EQ(IsParkingGroup(p), c.parking);
        EXPECT_EQ(IsImpactRecording(p), c.impact);
        EXPECT_EQ(HasModeLetter(p), c.modeLetter);
    }
}

// The hand-written matcher finds exactly what the recorder's regular
// expression finds, on names built mostly from the pattern's own characters.
TEST(RecordingName, MatchesTheRegularExpressionSearch) {
    const std::wregex pattern(
        L"[APT_]{1,1}[GMD_]{1,1}[T_]{1,1}[S_]{1,1}-[0-9]{6,6}-[0-9]{6,6}-[0-9]{6,6}[FR]{1,1}.AVI",
        std::regex::ECMAScript);
    const std::wstring base = L"A__S-261205-093000-000101F.AVI";
    const std::wstring noise = L"APT_GMDSFR-0123456789.AVIx\n\u3042";
    std::mt19937 random(11);
    int matches = 0;
    for (int i = 0; i < 20000; ++i) {
        std::wstring name = base;
        if (random() % 3 == 0) {
            name = name.substr(0, random() % 6) + name; // shifted copies: a search, not a match
        }
        const int changes = static_cast<int>(random() % 3);
        for (int k = 0; k < changes; ++k) {
            name[random() % name.size()] = noise[random() % noise.size()];
        }
        const QString q = QString::fromStdWString(name);
        const bool mode = !q.isEmpty() && (q[0] == u'A' || q[0] == u'P' || q[0] == u'T' ||
                                           (q.size() > 2 && q[2] == u'T'));
        const bool dash = q.size() <= 4 || q[4] == u'-';
        const bool expected = dash && mode && std::regex_search(name, pattern);
        ASSERT_EQ(IsRecordingName(q), expected) << q.toStdString();
        matches += expected;
    }
    EXPECT_GT(matches, 1000); // the sample exercised both answers
}

TEST(RecordingName, TriggerLabelsAndKindMasks) {
    struct Case {
        const char* head; // the first four characters
        const char* label;
        int mask;
    };
    const Case cases[] = {
        {"A___", "常時", 0x01},
        {"A_O_", "オービス", 0x21},
        {"A_T_", "駐車タイムラプス", 0x01},
        {"AD__", "後続車接近", 0x41},
        {"ADO_", "後続車接近+オービス", 0x61},
        {"AM__", "マニュアル", 0x03},
        {"AMO_", "マニュアル+オービス", 0x23},
        {"AG__", "衝撃", 0x05},
        {"AGOS", "衝撃+オービス", 0x25},
        {"P___", "駐車", 0x08},
        {"PG__", "駐車衝撃", 0x10},
        {"P_T_", "駐車タイムラプス", 0x09},
        {"PGT_", "駐車タイムラプス+衝撃", 0x11},
        {"P_O_", "", 0x28},
        {"PM__", "", 0x0A},
        {"T___", "常時タイムラプス", 0x01},
        {"T_O_", "常時タイムラプス+オービス", 0x21},
        {"TD__", "常時タイムラプス+後続車接近", 0x41},
        {"TM__", "常時タイムラプス+マニュアル", 0x03},
        {"TGO_", "常時タイムラプス+衝撃+オービス", 0x25},
        {"__T_", "", 0x01},
        {"XG__", "", 0x04},
    };
    for (const auto& c : cases) {
        const QString name =
            QString::fromUtf8(c.head) + QStringLiteral("-261205-093000-000101F.AVI");
        EXPECT_EQ(TriggerLabel(name), QString::fromUtf8(c.label)) << c.head;
        EXPECT_EQ(KindMask(name), c.mask) << c.head;
    }
    EXPECT_EQ(TriggerLabel(QStringLiteral("A___-261205-093000-000101F.AV")), QString());
}

TEST(RecordingName, NumberAndStartTime) {
    EXPECT_EQ(FileNumber(QStringLiteral("/x/A__S-261205-093000-004321F.AVI")), 4321);
    const CalendarTime t = StartTimeFromName(QStringLiteral("A__S-261205-093007-004321F.AVI"));
    EXPECT_EQ(t, (CalendarTime{2026, 12, 6, 5, 9, 30, 7, 0}));
    // Out-of-range fields are normalised like the telemetry stamps.
    const CalendarTime n = StartTimeFromName(QStringLiteral("A__S-261231-235960-000001F.AVI"));
    EXPECT_EQ(n, (CalendarTime{2027, 1, 5, 1, 0, 0, 0, 0}));
}

} // namespace
} // namespace kv
