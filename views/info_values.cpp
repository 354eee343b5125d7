#include "info_values.h"

#include "ui_texts.h"

#include <algorithm>
#include <cmath>

namespace kv::views {

namespace {

constexpr std::int64_t kDaysFrom1601To1970 = 134774;
constexpr std::uint64_t kUnitsPerSecond = 10'000'000;
constexpr std::uint64_t kUnitsPerDay = kUnitsPerSecond * 86'400;
// The largest file time the system turns back into a calendar time.
constexpr std::uint64_t kLargestFileTime = 0x7FFF'FFFF'FFFF'FFFFull;

// Year, month, day of a day count since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2 ? 1 : 0;
}

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

} // namespace

std::optional<std::uint64_t> ToFileTime(const CalendarTime& t) {
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59 ||
        t.millisecond > 999) {
        return std::nullopt;
    }
    const std::int64_t days = DaysFromCivil(t.year, t.month, t.day) + kDaysFrom1601To1970;
    const std::uint64_t seconds =
        static_cast<std::uint64_t>(days) * 86'400 + t.hour * 3600u + t.minute * 60u + t.second;
    return seconds * kUnitsPerSecond + t.millisecond * 10'000ull;
}

std::optional<CalendarTime> FromFileTime(std::uint64_t fileTime) {
    if (fileTime > kLargestFileTime) {
        return std::nullopt;
    }
    const auto days = static_cast<std::int64_t>(fileTime / kUnitsPerDay);
    const std::uint64_t rest = fileTime % kUnitsPerDay;
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days - kDaysFrom1601To1970, year, month, day);
    CalendarTime t;
    t.year = static_cast<std::uint16_t>(year);
    t.month = static_cast<std::uint16_t>(month);
    t.day = static_cast<std::uint16_t>(day);
    t.dayOfWeek = static_cast<std::uint16_t>((days + 1) % 7); // 1601-01-01 was a Monday
    const std::uint64_t seconds = rest / kUnitsPerSecond;
    t.hour = static_cast<std::uint16_t>(seconds / 3600);
    t.minute = static_cast<std::uint16_t>(seconds / 60 % 60);
    t.second = static_cast<std::uint16_t>(seconds % 60);
    t.millisecond = static_cast<std::uint16_t>(rest % kUnitsPerSecond / 10'000);
    return t;
}

std::optional<CalendarTime> PictureTime(const InfoState& state) {
    if (!state.startTimeValid || state.frameIndex < 0) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> start = ToFileTime(state.startTime);
    if (!start) {
        return std::nullopt;
    }
    const float factor = state.timeLapse ? kTimeLapseFactor : 1.0f;
    const float offset =
        static_cast<float>(state.frameIndex) * state.frameIntervalMs * 10000.0f * factor;
    // A frame duration that is not a usable number gives no date rather than
    // an arbitrary one.
    if (!std::isfinite(offset) || offset < 0.0f || offset >= 1.8e19f) {
        return std::nullopt;
    }
    const std::uint64_t sum = *start + static_cast<std::uint64_t>(offset);
    if (sum == 0 || sum < *start) {
        return std::nullopt;
    }
    std::optional<CalendarTime> t = FromFileTime(sum);
    if (!t || t->year == 0) {
        return std::nullopt;
    }
    if (t->year >= 2050) {
        t->year = static_cast<std::uint16_t>(t->year - 35);
    }
    return t;
}

QString PictureTimeText(const InfoState& state) {
    const std::optional<CalendarTime> t = PictureTime(state);
    if (!t) {
        return {};
    }
    return QString::asprintf(Text(UiText::DateTimeFormat).toUtf8().constData(), t->year, t->month,
                             t->day, t->hour, t->minute, t->second);
}

QString AccelText(double g) {
    if (!(g > -5.0) || !std::isfinite(g)) {
        return {};
    }
    // Recorded values are a few G; anything beyond is shown at this bound.
    const double bounded = std::min(g, 99999.0);
    const double truncated = static_cast<double>(static_cast<long long>(bounded * 100.0)) / 100.0;
    return QString::asprintf(Text(UiText::AccelFormat).toUtf8().constData(), truncated);
}

QString SpeedText(bool gpsValid, double speedKmh) {
    // 999.4 still shows as "999"; from 999.5 on the text would need four digits.
    if (!gpsValid || !(speedKmh >= 0.0) || !(speedKmh < 999.5)) {
        return {};
    }
    return QString::asprintf("%.0f ", speedKmh);
}

QString VoltageText(int voltageTenths) {
    if (voltageTenths == -1) {
        return {};
    }
    return QString::asprintf("%.1f", voltageTenths / 10.0);
}

int StatusMarkImage(int mark) {
    return mark == 'R' ? 0 : mark == 'r' ? 1 : 2;
}

int RecordingKindIcon(int kind) {
    return kind >= 1 && kind <= 12 ? kind - 1 : -1;
}

} // namespace kv::views
