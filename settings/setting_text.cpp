#include "setting_text.h"

#include "settings_keys.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace kv {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text without leading blanks and sign; negative tells which sign it had.
// Non-ASCII text cannot hold a number, so the UTF-8 form is good enough.
std::string_view AfterSign(const QByteArray& utf8, bool& negative) {
    std::string_view text(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    return text;
}

} // namespace

int VolumeFromText(QStringView text) {
    const QByteArray utf8 = text.toUtf8();
    if (utf8.trimmed().isEmpty()) {
        return settings::kMaxVolume;
    }
    bool negative = false;
    const std::string_view digits = AfterSign(utf8, negative);
    // Saturating: only whether the number exceeds the range matters.
    long long value = 0;
    for (char c : digits) {
        if (!IsDigit(c)) {
            break;
        }
        value = std::min<long long>(value * 10 + (c - '0'), settings::kMaxVolume + 1LL);
    }
    if (negative) {
        return 0;
    }
    return static_cast<int>(std::min<long long>(value, settings::kMaxVolume));
}

QString VolumeText(int volume) {
    return QString::number(std::clamp(volume, 0, settings::kMaxVolume));
}

std::optional<double> ScaleFromText(QStringView text) {
    const QByteArray utf8 = text.toUtf8();
    bool negative = false;
    const std::string_view number = AfterSign(utf8, negative);
    // A digit or a point must follow: no second sign, and no "inf" or "nan".
    if (negative || number.empty() || !(IsDigit(number.front()) || number.front() == '.')) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value) || value <= 0.0) {
        return std::nullopt;
    }
    return value;
}

QString ScaleText(double scale) {
    return QString::number(scale, 'f', 6);
}

} // namespace kv
