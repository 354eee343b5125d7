#include "local_time.h"

#include <cstdlib>
#include <ctime>
#include <random>

#include <gtest/gtest.h>

namespace kv {
namespace {

class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            saved_ = old;
            had_ = true;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (had_) {
            setenv("TZ", saved_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::string saved_;
    bool had_ = false;
};

CalendarTime FromLibc(std::int64_t t) {
    const std::time_t value = static_cast<std::time_t>(t);
    std::tm tm{};
    localtime_r(&value, &tm);
    CalendarTime c;
    c.year = static_cast<std::uint16_t>(tm.tm_year + 1900);
    c.month = static_cast<std::uint16_t>(tm.tm_mon + 1);
    c.dayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
    c.day = static_cast<std::uint16_t>(tm.tm_mday);
    c.hour = static_cast<std::uint16_t>(tm.tm_hour);
    c.minute = static_cast<std::uint16_t>(tm.tm_min);
    c.second = static_cast<std::uint16_t>(tm.tm_sec);
    return c;
}

// The cached conversions agree with the C library, also across daylight-saving changes.
TEST(LocalTimeConverter, AgreesWithTheCLibrary) {
    for (const char* zone : {"JST-9", "CET-1CEST,M3.5.0,M10.5.0/3", "UTC0"}) {
        SCOPED_TRACE(zone);
        ZoneGuard guard(zone);
        // Walks of 100 ms records through a whole year sampled every 17 minutes,
        // so both transitions of the zone are crossed.
        LocalTimeConverter clock;
        const std::int64_t start = 1798761600; // 2027-01-01 UTC
        for (std::int64_t t = start; t < start + 366 * 86400; t += 17 * 60 + 3) {
            const CalendarTime mine = clock.ToCalendar(t);
            const CalendarTime theirs = FromLibc(t);
            ASSERT_EQ(mine, theirs) << t;
            std::int64_t back = 0;
            ASSERT_TRUE(clock.ToTime(mine.year, mine.month, mine.day, mine.hour, mine.minute,
                                     mine.second, back));
            // A repeated local hour may map to either instant; both show the same fields.
            ASSERT_EQ(FromLibc(back), theirs) << t;
        }
        std::mt19937 random(7);
        for (int i = 0; i < 2000; ++i) {
            const int y = 2000 + static_cast<int>(random() % 60), m = 1 + random() % 12,
                      d = 1 + random() % 31, h = random() % 24, mi = random() % 60,
                      s = random() % 61;
            std::tm tm{};
            tm.tm_year = y - 1900;
            tm.tm_mon = m - 1;
            tm.tm_mday = d;
            tm.tm_hour = h;
            tm.tm_min = mi;
            tm.tm_sec = s;
            tm.tm_isdst = -1;
            const std::int64_t expected = std::mktime(&tm);
            std::int64_t got = 0;
            ASSERT_TRUE(clock.ToTime(y, m, d, h, mi, s, got));
            // Outside the hour of a change the two agree to the second.
            std::tm a{}, b{};
            const std::time_t before = expected - 7200, after = expected + 7200;
            localtime_r(&before, &a);
            localtime_r(&after, &b);
            if (a.tm_gmtoff == b.tm_gmtoff) {
                ASSERT_EQ(got, expected) << y << "-" << m << "-" << d << " " << h << ":" << mi;
            }
        }
    }
}

TEST(LocalTimeConverter, DaysFromCivilNormalisesMonths) {
    EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(DaysFromCivil(2000, 3, 1), 11017);
    EXPECT_EQ(DaysFromCivil(2026, 13, 1), DaysFromCivil(2027, 1, 1));
    EXPECT_EQ(DaysFromCivil(2026, 0, 31), DaysFromCivil(2025, 12, 31));
    EXPECT_EQ(DaysFromCivil(2024, 2, 30), DaysFromCivil(2024, 3, 1));
}

} // namespace
} // namespace kv
