#pragma once

#include <cstdint>

namespace kv {

// A calendar time as the recorder's stamps are shown: local time of the
// machine's time zone.
struct CalendarTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;     // 1-12
    std::uint16_t dayOfWeek = 0; // 0 = Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t millisecond = 0;

    friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// Converts local wall-clock fields to time values and back, as mktime and
// localtime do on the machine's time zone, but asks the C library only when
// the UTC offset around the time is not yet known: the telemetry of one
// recording has thousands of stamps within a few minutes.
// Not thread-safe; use one per decode.
class LocalTimeConverter {
public:
    // Fields may be out of range (second 60, month 13): they are normalised.
    // False when the system cannot convert the fields.
    bool ToTime(int year, int month, int day, int hour, int minute, int second, std::int64_t& out);
    CalendarTime ToCalendar(std::int64_t time);

private:
    // A span of time values known to share one UTC offset.
    bool Covers(std::int64_t t) const { return known_ && t >= from_ && t <= to_; }
    void Learn(std::int64_t t);

    bool known_ = false;
    std::int64_t from_ = 0;
    std::int64_t to_ = 0;
    std::int64_t offset_ = 0; // seconds east of UTC
};

// Days since 1970-01-01 of a proleptic Gregorian date; month may be out of range.
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day);

} // namespace kv
