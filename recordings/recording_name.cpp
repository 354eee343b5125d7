#include "recording_name.h"

#include <regex>
#include <string>

namespace kv {

namespace {

QChar At(QStringView name, qsizetype i) {
    return i < name.size() ? name[i] : QChar();
}

enum class Camera { Either, Front, Rear };

const std::wregex& NamePattern(Camera camera) {
    // The '.' before AVI is deliberately unescaped: the recorder's own check
    // accepts any character there, and so do we.
    static const std::wregex either(
        L"[APT_]{1,1}[GMD_]{1,1}[T_]{1,1}[S_]{1,1}-[0-9]{6,6}-[0-9]{6,6}-[0-9]{6,6}[FR]{1,1}.AVI",
        std::regex::ECMAScript | std::regex::optimize);
    static const std::wregex front(
        L"[APT_]{1,1}[GMD_]{1,1}[T_]{1,1}[S_]{1,1}-[0-9]{6,6}-[0-9]{6,6}-[0-9]{6,6}[F]{1,1}.AVI",
        std::regex::ECMAScript | std::regex::optimize);
    static const std::wregex rear(
        L"[APT_]{1,1}[GMD_]{1,1}[T_]{1,1}[S_]{1,1}-[0-9]{6,6}-[0-9]{6,6}-[0-9]{6,6}[R]{1,1}.AVI",
        std::regex::ECMAScript | std::regex::optimize);
    switch (camera) {
    case Camera::Front:
        return front;
    case Camera::Rear:
        return rear;
    case Camera::Either:
        break;
    }
    return either;
}

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
    const std::wstring text = name.toString().toStdWString();
    return std::regex_search(text, NamePattern(camera));
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

} // namespace kv
