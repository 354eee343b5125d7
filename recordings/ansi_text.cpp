#include "ansi_text.h"

#if defined(Q_OS_UNIX)
#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <optional>
#endif

namespace kv {

#if defined(Q_OS_UNIX)
namespace {

// Converts in from one code to another with iconv. Where the input holds a
// sequence the target cannot take, replacement is written and the input goes
// on after that sequence's first byte (and, for UTF-8 input, after its
// continuation bytes). Nothing when the converter is not available.
std::optional<QByteArray> Convert(const char* to, const char* from, QByteArray in,
                                  qsizetype capacity, QByteArrayView replacement, bool utf8Input) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    QByteArray out(capacity, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = static_cast<std::size_t>(in.size());
    char* outPtr = out.data();
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    const auto needed = static_cast<std::size_t>(replacement.size());
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
            break;
        }
        // E2BIG cannot happen: the capacity covers the longest output.
        if ((errno != EILSEQ && errno != EINVAL) || outLeft < needed) {
            break;
        }
        std::copy(replacement.begin(), replacement.end(), outPtr);
        outPtr += needed;
        outLeft -= needed;
        do {
            ++inPtr;
            --inLeft;
        } while (utf8Input && inLeft > 0 && (static_cast<unsigned char>(*inPtr) & 0xC0) == 0x80);
    }
    iconv_close(cd);
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

} // namespace
#endif

QByteArray ToShiftJis(const QString& text) {
#if defined(Q_OS_UNIX)
    // A character the code page lacks becomes '?'; two bytes per UTF-8 byte always suffice.
    const QByteArray in = text.toUtf8();
    return Convert("CP932", "UTF-8", in, in.size() * 2 + 16, "?", true).value_or(QByteArray());
#else
    return text.toLocal8Bit();
#endif
}

QString FromShiftJis(const QByteArray& bytes) {
#if defined(Q_OS_UNIX)
    // A byte that starts no Shift_JIS character becomes U+FFFD.
    const std::optional<QByteArray> utf8 =
        Convert("UTF-8", "CP932", bytes, bytes.size() * 4 + 16, "\xEF\xBF\xBD", false);
    return utf8 ? QString::fromUtf8(*utf8) : QString::fromLatin1(bytes);
#else
    return QString::fromLocal8Bit(bytes);
#endif
}

} // namespace kv
