// What the information panel shows for its fields: the time of the picture,
// the acceleration, speed and voltage texts with their no-value cases, the
// status mark and kind icon choices.

#include "info_values.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace kv::views {
namespace {

CalendarTime Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    CalendarTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(mo);
    t.day = static_cast<std::uint16_t>(d);
    t.hour = static_cast<std::uint16_t>(h);
    t.minute = static_cast<std::uint16_t>(mi);
    t.second = static_cast<std::uint16_t>(s);
    return t;
}

struct TimeCase {
    const char* name;
    CalendarTime start;
    bool valid;
    int frame;
    float interval;
    bool timeLapse;
    const char* expected; // "" = placeholder
};

class PictureTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(PictureTimeTest, Text) {
    const TimeCase& c = GetParam();
    InfoState state;
    state.startTimeValid = c.valid;
    state.startTime = c.start;
    state.frameIndex = c.frame;
    state.frameIntervalMs = c.interval;
    state.timeLapse = c.timeLapse;
    EXPECT_EQ(PictureTimeText(state).toStdString(), std::string(c.expected));
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Frames, PictureTimeTest,
    ::testing::Values(
        TimeCase{"frame100", Date(2015, 1, 1), true, 100, 40.0f, false, "2015/01/01 00:00:04"},
        TimeCase{"frame100TimeLapse", Date(2015, 1, 1), true, 100, 40.0f, true,
                 "2015/01/01 00:00:59"},
        TimeCase{"frameZero", Date(2026, 12, 5, 9, 30, 0), true, 0, 33.366f, false,
                 "2026/12/05 09:30:00"},
        TimeCase{"acrossMidnightAndYear", Date(2025, 12, 31, 23, 59, 59), true, 30, 33.3667f, false,
                 "2026/01/01 00:00:00"},
        TimeCase{"leapDay", Date(2024, 2, 28, 23, 59, 59), true, 10, 100.0f, false,
                 "2024/02/29 00:00:00"},
        TimeCase{"year2051ShownAs2016", Date(2051, 3, 4, 5, 6, 7), true, 0, 40.0f, false,
                 "2016/03/04 05:06:07"},
        TimeCase{"year2049Kept", Date(2049, 3, 4), true, 0, 40.0f, false, "2049/03/04 00:00:00"},
        TimeCase{"noFrame", Date(2015, 1, 1), true, -1, 40.0f, false, ""},
        TimeCase{"noStartTime", Date(2015, 1, 1), false, 100, 40.0f, false, ""},
        TimeCase{"startOutsideCalendar", CalendarTime{}, true, 100, 40.0f, false, ""},
        TimeCase{"impossibleDay", Date(2015, 2, 30), true, 0, 40.0f, false, ""},
        TimeCase{"negativeInterval", Date(2015, 1, 1), true, 100, -40.0f, false, ""},
        TimeCase{"notANumberInterval", Date(2015, 1, 1), true, 100, kNaN, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileTime, RoundTripsAndKnownValue) {
    // 2015-01-01 00:00:00 as the system counts it from 1601.
    EXPECT_EQ(ToFileTime(Date(2015, 1, 1)).value(), 130645440000000000ull);
    const CalendarTime t = Date(1999, 12, 31, 23, 59, 58);
    const std::optional<CalendarTime> back = FromFileTime(ToFileTime(t).value());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->year, 1999);
    EXPECT_EQ(back->month, 12);
    EXPECT_EQ(back->day, 31);
    EXPECT_EQ(back->second, 58);
    EXPECT_EQ(back->dayOfWeek, 5); // a Friday
    EXPECT_FALSE(FromFileTime(0x8000'0000'0000'0000ull).has_value());
}

TEST(ValueTexts, AccelerationTruncatedToHundredths) {
    const std::vector<std::pair<double, const char*>> cases = {
        {-4.999, "-4.99G"},
        {-5.0, ""},
        {-5.1, ""},
        {0.129, "0.12G"},
        {-0.005, "0.00G"},
        {0.0, "0.00G"},
        {1.999, "1.99G"},
        {-0.129, "-0.12G"},
        {2.5, "2.50G"},
        {std::numeric_limits<double>::quiet_NaN(), ""},
        {std::numeric_limits<double>::infinity(), ""}};
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(AccelText(value).toStdString(), std::string(expected)) << value;
    }
}

TEST(ValueTexts, SpeedOnlyWithFixAndInRange) {
    struct Case {
        bool fix;
        double speed;
        const char* expected;
    };
    const std::vector<Case> cases = {{true, 999.4, "999 "}, {true, 999.5, ""},   {true, 1000, ""},
                                     {true, 0.0, "0 "},     {true, 42.6, "43 "}, {true, -1.0, ""},
                                     {false, 50.0, ""},     {true, 32767.0, ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(SpeedText(c.fix, c.speed).toStdString(), std::string(c.expected)) << c.speed;
    }
}

TEST(ValueTexts, VoltageMarksAndIcons) {
    EXPECT_EQ(VoltageText(124).toStdString(), "12.4");
    EXPECT_EQ(VoltageText(0).toStdString(), "0.0");
    EXPECT_TRUE(VoltageText(-1).isEmpty());
    EXPECT_EQ(StatusMarkImage('R'), 0);
    EXPECT_EQ(StatusMarkImage('r'), 1);
    EXPECT_EQ(StatusMarkImage('M'), 2);
    EXPECT_EQ(StatusMarkImage(0), 2);
    EXPECT_EQ(RecordingKindIcon(0), -1);
    EXPECT_EQ(RecordingKindIcon(1), 0);
    EXPECT_EQ(RecordingKindIcon(12), 11);
    EXPECT_EQ(RecordingKindIcon(13), -1);
}

} // namespace
} // namespace kv::views
