#pragma once

#include <cstddef>
#include <string_view>

// Numbers in the recorder's fixed-width ASCII fields. The parsers behave like
// the C library's atof/atoi (leading blanks skipped, optional sign, stop at the
// first character that is not part of the number, 0 when there is none) but
// never depend on the process locale and accept plain decimal notation only.
namespace kv {

// The bytes of a field up to its first NUL, as a C string of it would be.
std::string_view FieldText(const unsigned char* p, std::size_t width);

bool HasDigit(std::string_view text);
double ParseDecimal(std::string_view text);
int ParseInteger(std::string_view text);

} // namespace kv
