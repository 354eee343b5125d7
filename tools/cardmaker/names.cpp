// Recording file names and the plain calendar arithmetic of the recorder's clock.

#include "cardmaker.h"

#include <QRegularExpression>

namespace kv::cardmaker {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int* year, int* month, int* day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    *month = m;
    *day = d;
}

const std::int64_t kDays2000 = DaysFromCivil(2000, 1, 1);

int Digits(const QString& s, int from, int count) {
    int v = 0;
    for (int i = from; i < from + count; ++i) {
        v = v * 10 + (s[i].unicode() - '0');
    }
    return v;
}

} // namespace

std::int64_t SecondsSince2000(const LocalTime& t) {
    const std::int64_t days = DaysFromCivil(t.year, t.month, t.day) - kDays2000;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

LocalTime AddSeconds(const LocalTime& t, std::int64_t seconds) {
    std::int64_t s = SecondsSince2000(t) + seconds;
    std::int64_t days = s / 86400;
    std::int64_t rest = s % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    LocalTime r;
    CivilFromDays(days + kDays2000, &r.year, &r.month, &r.day);
    r.hour = static_cast<int>(rest / 3600);
    r.minute = static_cast<int>(rest / 60 % 60);
    r.second = static_cast<int>(rest % 60);
    return r;
}

bool IsValidRecordingName(const QString& name) {
    static const QRegularExpression shape(
        QStringLiteral("^[APT_][GMD_][T_][S_]-[0-9]{6}-[0-9]{6}-[0-9]{6}[FR]\\.AVI$"));
    if (!shape.match(name).hasMatch()) {
        return false;
    }
    const QChar first = name[0];
    if (!(first == 'A' || first == 'P' || first == 'T' || name[2] == 'T')) {
        return false;
    }
    const LocalTime t = StartTimeFromName(name);
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 || t.second > 59) {
        return false;
    }
    // The day must exist in its month.
    return AddSeconds(LocalTime{t.year, t.month, 1, 0, 0, 0}, (t.day - 1) * 86400LL).month ==
           t.month;
}

bool IsTimeLapseName(const QString& name) {
    return name.size() > 2 && (name[0] == 'T' || name[2] == 'T');
}

bool IsParkingGroupName(const QString& name) {
    if (name.size() < 3) {
        return false;
    }
    return name[0] == 'P' || (name[0] != 'A' && name[0] != 'T' && name[2] == 'T');
}

bool IsFrontName(const QString& name) {
    return name.size() == 30 && name[25] == 'F';
}

LocalTime StartTimeFromName(const QString& name) {
    LocalTime t;
    t.year = 2000 + Digits(name, 5, 2);
    t.month = Digits(name, 7, 2);
    t.day = Digits(name, 9, 2);
    t.hour = Digits(name, 12, 2);
    t.minute = Digits(name, 14, 2);
    t.second = Digits(name, 16, 2);
    return t;
}

int FileNumberFromName(const QString& name) {
    return Digits(name, 19, 6);
}

QString MakeRecordingName(const QString& kind, const LocalTime& start, int fileNumber,
                          char camera) {
    return QStringLiteral("%1-%2%3%4-%5%6%7-%8%9.AVI")
        .arg(kind)
        .arg(start.year % 100, 2, 10, QChar('0'))
        .arg(start.month, 2, 10, QChar('0'))
        .arg(start.day, 2, 10, QChar('0'))
        .arg(start.hour, 2, 10, QChar('0'))
        .arg(start.minute, 2, 10, QChar('0'))
        .arg(start.second, 2, 10, QChar('0'))
        .arg(fileNumber, 6, 10, QChar('0'))
        .arg(QChar(camera));
}

QString CounterpartName(const QString& name) {
    QString other = name;
    if (other.size() == 30) {
        other[25] = other[25] == 'F' ? QChar('R') : QChar('F');
    }
    return other;
}

} // namespace kv::cardmaker
