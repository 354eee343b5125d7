#pragma once

// The progress a worker reports, as (done, total) pairs, and what matters of
// it to the user watching the bar: every report lies within its total, the
// work ends with the bar full and, for work of one phase, the bar does not
// move back.

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace kv::test {

using ProgressLog = std::vector<std::pair<std::int64_t, std::int64_t>>;

// Every report within its total; the last one full at total.
inline void ExpectProgressEndsFull(const ProgressLog& log, std::int64_t total) {
    ASSERT_FALSE(log.empty()) << "no progress reported";
    for (const auto& [done, of] : log) {
        EXPECT_GT(of, 0) << done << " of " << of;
        EXPECT_GE(done, 0) << done << " of " << of;
        EXPECT_LE(done, of) << done << " of " << of;
    }
    EXPECT_EQ(log.back(), std::make_pair(total, total));
}

// As above, and the bar never moves back.
inline void ExpectProgressRisesToFull(const ProgressLog& log, std::int64_t total) {
    ExpectProgressEndsFull(log, total);
    double previous = 0.0;
    for (const auto& [done, of] : log) {
        const double fraction = of > 0 ? static_cast<double>(done) / static_cast<double>(of) : 0;
        EXPECT_GE(fraction, previous) << "the bar moved back to " << done << " of " << of;
        previous = fraction;
    }
}

} // namespace kv::test
