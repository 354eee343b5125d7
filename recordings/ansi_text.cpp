#include "ansi_text.h"

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <iconv.h>
#endif

namespace kv {

QByteArray ToShiftJis(const QString& text) {
#if defined(Q_OS_UNIX)
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 16, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = static_cast<std::size_t>(in.size());
    char* outPtr = out.data();
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == EILSEQ || errno == EINVAL) {
            // A character the code page lacks: write '?' and skip its UTF-8 bytes.
            if (outLeft == 0) {
                break;
            }
            *outPtr++ = '?';
            --outLeft;
            do {
                ++inPtr;
                --inLeft;
            } while (inLeft > 0 && (static_cast<unsigned char>(*inPtr) & 0xC0) == 0x80);
        } else {
            break; // E2BIG cannot happen: two output bytes per input byte always suffice
        }
    }
    iconv_close(cd);
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
#else
    return text.toLocal8Bit();
#endif
}

QString FromShiftJis(const QByteArray& bytes) {
#if defined(Q_OS_UNIX)
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return QString::fromLatin1(bytes);
    }
    QByteArray in = bytes;
    QByteArray out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = static_cast<std::size_t>(in.size());
    char* outPtr = out.data();
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
            break;
        }
        if ((errno != EILSEQ && errno != EINVAL) || outLeft < 3) {
            break;
        }
        // A byte that starts no Shift_JIS character: U+FFFD, then go on after it.
        *outPtr++ = '\xEF';
        *outPtr++ = '\xBF';
        *outPtr++ = '\xBD';
        outLeft -= 3;
        ++inPtr;
        --inLeft;
    }
    iconv_close(cd);
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return QString::fromUtf8(out);
#else
    return QString::fromLocal8Bit(bytes);
#endif
}

} // namespace kv
