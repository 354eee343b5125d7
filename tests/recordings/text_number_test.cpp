#include "text_number.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(TextNumber, ParsesLikeTheCLibraryInPlainDecimal) {
    struct Case {
        std::string_view text;
        double decimal;
        int integer;
    };
    const Case cases[] = {
        {"3539.1234", 3539.1234, 3539},
        {"  40", 40.0, 40},
        {"-0123", -123.0, -123},
        {"+0980", 980.0, 980},
        {"    ", 0.0, 0},
        {"12ab", 12.0, 12},
        {"1e3", 1.0, 1},
        {"+-1", 0.0, 0},
        {"", 0.0, 0},
        {".5", 0.5, 0},
        {" -.5x", -0.5, 0},
        {"nan", 0.0, 0},
        {"-inf", 0.0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ParseDecimal(c.text), c.decimal) << c.text;
        EXPECT_EQ(ParseInteger(c.text), c.integer) << c.text;
    }
}

TEST(TextNumber, FieldTextStopsAtNul) {
    const unsigned char bytes[] = {'1', '2', 0, '4'};
    EXPECT_EQ(FieldText(bytes, 4), "12");
    EXPECT_EQ(FieldText(bytes, 2), "12");
    EXPECT_TRUE(HasDigit("  7 "));
    EXPECT_FALSE(HasDigit(" . "));
}

} // namespace
} // namespace kv
