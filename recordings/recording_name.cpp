#include "recording_name.h"

#include "text_number.h"

#include <string>
#include <string_view>

namespace kv {

namespace {

QChar At(QStringView name, qsizetype i) {
    return i < name.size() ? name[i] : QChar();
}

enum class Camera { Either, Front, Rear };

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// '.' of an ECMAScript pattern: any character but a line terminator.
bool IsAnyCharacter(char16_t c) {
    return c != u'\n' && c != u'\r' && c != u'\u2028' && c != u'\u2029';
}

// The recorder's name pattern
//   [APT_]{1,1}[GMD_]{1,1}[T_]{1,1}[S_]{1,1}-[0-9]{6,6}-[0-9]{6,6}-[0-9]{6,6}[FR]{1,1}.AVI
// at position i of name (the '.' unescaped, as the recorder's own check has it).
bool MatchesAt(QStringView name, qsizetype i, Camera camera) {
    const auto c = [&](qsizetype k) { return name[i + k].unicode(); };
    const auto in = [](char16_t ch, std::u16string_view set) {
        return set.find(ch) != std::u16string_view::npos;
    };
    if (!in(c(0), u"APT_") || !in(c(1), u"GMD_") || !in(c(2), u"T_") || !in(c(3), u"S_") ||
        c(4) != u'-' || c(11) != u'-' || c(18) != u'-') {
        return false;
    }
    for (qsizetype k : {5, 12, 19}) {
        for (qsizetype d = 0; d < 6; ++d) {
            if (!IsDigit(c(k + d))) {
                return false;
            }
        }
    }
    const char16_t cam = c(25);
    const bool cameraOk = camera == Camera::Front  ? cam == u'F'
                          : camera == Camera::Rear ? cam == u'R'
                                                   : (cam == u'F' || cam == u'R');
    return cameraOk && IsAnyCharacter(c(26)) && c(27) == u'A' && c(28) == u'V' && c(29) == u'I';
}

constexpr qsizetype kPatternLength = 30;

bool MatchesName(QStringView path, Camera camera) {
    const QStringView name = FileNameOf(path);
    if (name.size() > 4 && name[4] != u'-') {
        return false;
    }
    const QChar first = At(name, 0);
    const bool modeMark = first == u'A' || first == u'P' || first == u'T' || At(name, 2) == u'T';
    if (!modeMark) {
        return false;
    }
    // A search: the pattern may stand anywhere in the name.
    for (qsizetype i = 0; i + kPatternLength <= name.size(); ++i) {
        if (MatchesAt(name, i, camera)) {
            return true;
        }
    }
    return false;
}

} // namespace

QStringView FileNameOf(QStringView path) {
    qsizetype cut = path.lastIndexOf(u'/');
#if defined(Q_OS_WIN)
    cut = std::max(cut, path.lastIndexOf(u'\\'));
#endif
    return cut < 0 ? path : path.mid(cut + 1);
}

bool IsRecordingName(QStringView path) {
    return MatchesName(path, Camera::Either);
}
bool IsFrontName(QStringView path) {
    return MatchesName(path, Camera::Front);
}
bool IsRearName(QStringView path) {
    return MatchesName(path, Camera::Rear);
}

bool HasAviExtension(QStringView path) {
    const QStringView name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) {
        return false;
    }
    const QStringView ext = name.mid(dot);
    return ext.size() == 4 && ext.compare(u".AVI", Qt::CaseInsensitive) == 0;
}

bool IsTimeLapse(QStringView path) {
    const QStringView name = FileNameOf(path);
    return At(name, 0) == u'T' || At(name, 2) == u'T';
}

bool IsParkingGroup(QStringView path) {
    const QStringView name = FileNameOf(path);
    const QChar first = At(name, 0);
    return first == u'P' || (first != u'A' && first != u'T' && At(name, 2) == u'T');
}

bool IsImpactRecording(QStringView path) {
    const QStringView name = FileNameOf(path);
    const QChar first = At(name, 0);
    return At(name, 1) == u'G' && (first == u'A' || first == u'T' || first == u'P');
}

bool HasModeLetter(QStringView path) {
    const QStringView name = FileNameOf(path);
    const QChar first = At(name, 0);
    return first == u'A' || first == u'P' || first == u'T' || At(name, 2) == u'T';
}

namespace {

// The Latin-1 bytes of name[from, from + length), clipped to the name.
std::string Ascii(QStringView name, qsizetype from, qsizetype length) {
    std::string text;
    for (qsizetype i = from; i < from + length && i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return text;
}

// The characters from index `from` up to the next '-' (or the end).
std::string UpToDash(QStringView name, qsizetype from) {
    qsizetype end = from;
    while (end < name.size() && name[end] != u'-') {
        ++end;
    }
    return Ascii(name, from, end - from);
}

int Pair(const std::string& text, std::size_t at) {
    return at < text.size() ? ParseInteger(std::string_view(text).substr(at, 2)) : 0;
}

} // namespace

int FileNumber(QStringView path) {
    return ParseInteger(Ascii(FileNameOf(path), 19, 6));
}

CalendarTime StartTimeFromName(QStringView path) {
    const QStringView name = FileNameOf(path);
    const std::string date = UpToDash(name, 5);
    const std::string time = UpToDash(name, 12);
    LocalTimeConverter clock;
    std::int64_t value = 0;
    if (!clock.ToTime(2000 + Pair(date, 0), Pair(date, 2), Pair(date, 4), Pair(time, 0),
                      Pair(time, 2), Pair(time, 4), value)) {
        value = 0;
    }
    return clock.ToCalendar(value);
}

int KindMask(QStringView path) {
    const QStringView name = FileNameOf(path);
    const QChar n0 = At(name, 0), n1 = At(name, 1), n2 = At(name, 2);
    int mask = 0;
    if (n0 == u'A' || n0 == u'T' || n2 == u'T') {
        mask |= kKindContinuous;
    }
    if (n1 == u'M') {
        mask |= kKindManual;
    }
    if (n1 == u'G' && n0 != u'P') {
        mask |= kKindImpact;
    }
    if (n0 == u'P' && n1 != u'G') {
        mask |= kKindParking;
    }
    if (n0 == u'P' && n1 == u'G') {
        mask |= kKindParkingImpact;
    }
    if (n2 == u'O') {
        mask |= kKindSpeedCamera;
    }
    if (n1 == u'D') {
        mask |= kKindApproaching;
    }
    return mask;
}

QString TriggerLabel(QStringView path) {
    const QStringView name = FileNameOf(path);
    if (name.size() < 30) {
        return {};
    }
    const QString continuous = QStringLiteral("常時");
    const QString speedCamera = QStringLiteral("オービス");
    const QString parkingLapse = QStringLiteral("駐車タイムラプス");
    const QString continuousLapse = QStringLiteral("常時タイムラプス");
    const QString approaching = QStringLiteral("後続車接近");
    const QString manual = QStringLiteral("マニュアル");
    const QString impact = QStringLiteral("衝撃");
    const QChar mode = name[0], trigger = name[1], third = name[2];
    const auto withCamera = [&](QString label) {
        return third == u'O' ? label + u'+' + speedCamera : label;
    };
    const auto triggerText = [&]() -> QString {
        switch (trigger.unicode()) {
        case u'D':
            return approaching;
        case u'M':
            return manual;
        case u'G':
            return impact;
        default:
            return {};
        }
    };
    if (mode == u'A') {
        if (trigger == u'_') {
            return third == u'_'   ? continuous
                   : third == u'O' ? speedCamera
                   : third == u'T' ? parkingLapse
                                   : QString();
        }
        const QString t = triggerText();
        return t.isEmpty() ? QString() : withCamera(t);
    }
    if (mode == u'P') {
        if (trigger == u'_') {
            return third == u'_'   ? QStringLiteral("駐車")
                   : third == u'T' ? parkingLapse
                                   : QString();
        }
        if (trigger == u'G') {
            return third == u'_'   ? QStringLiteral("駐車衝撃")
                   : third == u'T' ? parkingLapse + u'+' + impact
                                   : QString();
        }
        return {};
    }
    if (mode == u'T') {
        if (trigger == u'_') {
            return withCamera(continuousLapse);
        }
        const QString t = triggerText();
        return t.isEmpty() ? QString() : withCamera(continuousLapse + u'+' + t);
    }
    return {};
}

} // namespace kv
