#include "local_time.h"

#include <ctime>

namespace kv {

namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kSpan = 3600; // offsets are checked this far either side

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

bool LocalOffset(std::int64_t t, std::int64_t& offset) {
    const std::time_t value = static_cast<std::time_t>(t);
    std::tm tm{};
    if (!localtime_r(&value, &tm)) {
        return false;
    }
    offset = tm.tm_gmtoff;
    return true;
}

} // namespace

std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    // Normalise the month into 1..12 first.
    year += FloorDiv(month - 1, 12);
    month = month - 1 - FloorDiv(month - 1, 12) * 12 + 1;
    // Howard Hinnant's days_from_civil.
    year -= month <= 2;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (day - 1);
}

void LocalTimeConverter::Learn(std::int64_t t) {
    std::int64_t before = 0, at = 0, after = 0;
    known_ = LocalOffset(t - kSpan, before) && LocalOffset(t, at) &&
             LocalOffset(t + kSpan, after) && before == at && at == after;
    if (known_) {
        from_ = t - kSpan;
        to_ = t + kSpan;
        offset_ = at;
    }
}

bool LocalTimeConverter::ToTime(int year, int month, int day, int hour, int minute, int second,
                                std::int64_t& out) {
    const std::int64_t local = DaysFromCivil(year, month, day) * kDay + std::int64_t{hour} * 3600 +
                               std::int64_t{minute} * 60 + second;
    if (Covers(local - offset_)) {
        out = local - offset_;
        return true;
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1; // the recorder's stamp is plain local time: let the zone decide
    const std::time_t value = std::mktime(&tm);
    if (value == static_cast<std::time_t>(-1)) {
        return false;
    }
    out = value;
    Learn(out);
    return true;
}

CalendarTime LocalTimeConverter::ToCalendar(std::int64_t time) {
    if (!Covers(time)) {
        Learn(time);
    }
    CalendarTime c;
    if (!known_) {
        const std::time_t value = static_cast<std::time_t>(time);
        std::tm tm{};
        if (localtime_r(&value, &tm)) {
            c.year = static_cast<std::uint16_t>(tm.tm_year + 1900);
            c.month = static_cast<std::uint16_t>(tm.tm_mon + 1);
            c.dayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
            c.day = static_cast<std::uint16_t>(tm.tm_mday);
            c.hour = static_cast<std::uint16_t>(tm.tm_hour);
            c.minute = static_cast<std::uint16_t>(tm.tm_min);
            c.second = static_cast<std::uint16_t>(tm.tm_sec);
        }
        return c;
    }
    const std::int64_t local = time + offset_;
    const std::int64_t days = FloorDiv(local, kDay);
    const std::int64_t secs = local - days * kDay;
    // Howard Hinnant's civil_from_days.
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2);
    c.year = static_cast<std::uint16_t>(y);
    c.month = static_cast<std::uint16_t>(m);
    c.day = static_cast<std::uint16_t>(d);
    // 1970-01-01 was a Thursday.
    c.dayOfWeek = static_cast<std::uint16_t>(days + 4 - FloorDiv(days + 4, 7) * 7);
    c.hour = static_cast<std::uint16_t>(secs / 3600);
    c.minute = static_cast<std::uint16_t>(secs / 60 % 60);
    c.second = static_cast<std::uint16_t>(secs % 60);
    return c;
}

} // namespace kv
