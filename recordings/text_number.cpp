#include "text_number.h"

#include <charconv>
#include <cstring>

namespace kv {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Skips leading blanks and an optional sign; returns the rest and whether it was negative.
std::string_view SkipSign(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return text.substr(i);
}

} // namespace

std::string_view FieldText(const unsigned char* p, std::size_t width) {
    const void* nul = std::memchr(p, 0, width);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - p) : width;
    return {reinterpret_cast<const char*>(p), length};
}

bool HasDigit(std::string_view text) {
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            return true;
        }
    }
    return false;
}

double ParseDecimal(std::string_view text) {
    bool negative = false;
    const std::string_view rest = SkipSign(text, negative);
    // Only digits or a point may follow the sign: no second sign, and no
    // "inf" or "nan", which would reach the arithmetic as non-finite values.
    if (rest.empty() || !((rest.front() >= '0' && rest.front() <= '9') || rest.front() == '.')) {
        return 0.0;
    }
    double value = 0.0;
    const auto result =
        std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::fixed);
    if (result.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

int ParseInteger(std::string_view text) {
    bool negative = false;
    const std::string_view rest = SkipSign(text, negative);
    long long value = 0;
    for (char c : rest) {
        if (c < '0' || c > '9' || value > 100000000000LL) {
            break;
        }
        value = value * 10 + (c - '0');
    }
    if (negative) {
        value = -value;
    }
    if (value > 2147483647LL) {
        return 2147483647;
    }
    if (value < -2147483647LL) {
        return -2147483647;
    }
    return static_cast<int>(value);
}

} // namespace kv
