// The event rules of the graph and the main window's event list: what each
// channel takes from a record, which channel claims a frame, where runs
// start, how the list is stepped through, and the scale from the peak.

#include "event_channels.h"
#include "telemetry_fixture.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace kv::views {
namespace {

using test::Axis;
using test::FillReader;
using test::Kind;
using test::Rec;
using test::Speeding;

struct FilterCase {
    const char* name;
    Rec record;
    std::vector<int> codes; // per channel 0..8
};

void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.name;
}

class ChannelFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ChannelFilterTest, EachChannelYieldsItsCodeOnly) {
    const FilterCase& c = GetParam();
    SensorSample s;
    s.axis = c.record.axis;
    s.kind = c.record.kind;
    s.speeding = c.record.speeding;
    s.approaching = c.record.approaching;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        EXPECT_EQ(ChannelFilter(channel, &s), c.codes[static_cast<std::size_t>(channel)])
            << "channel " << channel;
    }
}

Rec Approaching() {
    Rec r;
    r.approaching = 9;
    return r;
}

Rec Negative() {
    Rec r;
    r.axis = -1;
    r.kind = -5;
    r.speeding = -8;
    r.approaching = -9;
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Records, ChannelFilterTest,
    ::testing::Values(FilterCase{"none", Rec{}, {-1, -1, -1, -1, -1, -1, -1, -1, -1}},
                      FilterCase{"axisX", Axis(1), {0, -1, -1, -1, -1, -1, -1, -1, -1}},
                      FilterCase{"axisY", Axis(2), {-1, 2, -1, -1, -1, -1, -1, -1, -1}},
                      FilterCase{"axisZ", Axis(3), {-1, -1, 3, -1, -1, -1, -1, -1, -1}},
                      FilterCase{"manual", Kind(5), {-1, -1, -1, 5, -1, -1, -1, -1, -1}},
                      FilterCase{"emergency", Kind(6), {-1, -1, -1, -1, 6, -1, -1, -1, -1}},
                      FilterCase{"parking", Kind(7), {-1, -1, -1, -1, -1, 7, -1, -1, -1}},
                      FilterCase{"speeding", Speeding(), {-1, -1, -1, -1, -1, -1, 8, -1, -1}},
                      FilterCase{"approaching", Approaching(), {-1, -1, -1, -1, -1, -1, -1, 9, -1}},
                      FilterCase{"steering", Kind(10), {-1, -1, -1, -1, -1, -1, -1, -1, 10}},
                      FilterCase{"acceleration", Kind(11), {-1, -1, -1, -1, -1, -1, -1, -1, 11}},
                      FilterCase{"braking", Kind(12), {-1, -1, -1, -1, -1, -1, -1, -1, 12}},
                      FilterCase{
                          "kind8IsNotSpeeding", Kind(8), {-1, -1, -1, -1, -1, -1, -1, -1, -1}},
                      FilterCase{"kind13", Kind(13), {-1, -1, -1, -1, -1, -1, -1, -1, -1}},
                      FilterCase{"negatives", Negative(), {-1, -1, -1, -1, -1, -1, -1, -1, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChannelFilter, NullRecordAndUnknownChannelGiveNoEvent) {
    SensorSample s;
    s.axis = 1;
    EXPECT_EQ(ChannelFilter(0, nullptr), -1);
    EXPECT_EQ(ChannelFilter(-1, &s), -1);
    EXPECT_EQ(ChannelFilter(9, &s), -1);
}

// One record per frame unless stated.
struct ClaimCase {
    const char* name;
    std::vector<Rec> records;
    int frame;
    std::vector<int> off;                    // channels switched off
    std::vector<std::pair<int, int>> events; // (channel, code) recorded
    bool speedingHere;
};

void PrintTo(const ClaimCase& c, std::ostream* os) {
    *os << c.name;
}

class ClaimTest : public ::testing::TestWithParam<ClaimCase> {};

TEST_P(ClaimTest, RecordsTheExpectedEvents) {
    const ClaimCase& c = GetParam();
    TelemetryReader reader;
    FillReader(reader, c.records);
    ChannelSwitches on = kAllChannelsOn;
    for (int channel : c.off) {
        on[static_cast<std::size_t>(channel)] = false;
    }
    const FrameClaim claim = ClaimFrame(reader.frameIndex, c.frame, on);
    std::vector<std::pair<int, int>> got;
    for (int i = 0; i < claim.count; ++i) {
        got.emplace_back(claim.events[static_cast<std::size_t>(i)].channel,
                         claim.events[static_cast<std::size_t>(i)].code);
    }
    EXPECT_EQ(got, c.events);
    EXPECT_EQ(claim.speedingHere, c.speedingHere);
}

Rec AxisAndKind(int axis, int kind) {
    Rec r = Axis(axis);
    r.kind = kind;
    return r;
}
Rec KindAndApproaching(int kind) {
    Rec r = Kind(kind);
    r.approaching = 9;
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ClaimTest,
    ::testing::Values(
        ClaimCase{"nothing", {Rec{}}, 0, {}, {}, false},
        ClaimCase{"axisBeforeKind", {AxisAndKind(1, 5)}, 0, {}, {{0, 0}}, false},
        ClaimCase{"kindBeforeApproaching", {KindAndApproaching(7)}, 0, {}, {{5, 7}}, false},
        ClaimCase{"speedingAndManualBoth", {Speeding(5)}, 0, {}, {{6, 8}, {3, 5}}, true},
        ClaimCase{"switchedOffAxisLetsKindThrough", {AxisAndKind(2, 5)}, 0, {1}, {{3, 5}}, false},
        ClaimCase{"switchedOffAxisAlone", {Axis(2)}, 0, {1}, {}, false},
        // A channel that continues its run still claims the frame: the
        // manual mark starting under it is not recorded.
        ClaimCase{"continuingRunEndsSearch", {Axis(1), AxisAndKind(1, 5)}, 1, {}, {}, false},
        ClaimCase{
            "continuingSpeedingDoesNotEndSearch", {Speeding(), Speeding(5)}, 1, {}, {{3, 5}}, true},
        ClaimCase{"speedingOffNoBand", {Speeding()}, 0, {6}, {}, false},
        ClaimCase{"assistSteering", {Kind(10)}, 0, {}, {{8, 10}}, false},
        ClaimCase{"assistOff", {Kind(12)}, 0, {8}, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EventAtFrame, RunStartsAtFrameZeroAndAtEveryChangeOfValue) {
    TelemetryReader reader;
    // Two records that both carry a Y event, a gap, then one more.
    FillReader(reader, {Axis(2), Axis(2), Rec{}, Axis(2)}, 2);
    const FrameIndex& index = reader.frameIndex;
    struct Expect {
        std::int64_t frame;
        int code;
        bool runStart;
    };
    const std::vector<Expect> expected = {
        {0, 2, true},   {1, 2, false}, {2, 2, false}, {3, 2, false},  {4, -1, true},
        {5, -1, false}, {6, 2, true},  {7, 2, false}, {8, -1, false}, {-1, -1, false}};
    for (const Expect& e : expected) {
        const ChannelEvent got = EventAtFrame(index, e.frame, 1);
        EXPECT_EQ(got.code, e.code) << "frame " << e.frame;
        EXPECT_EQ(got.runStart, e.runStart) << "frame " << e.frame;
    }
}

TEST(EventList, OneEntryPerRunWithTheFirstFrameOfTheRun) {
    TelemetryReader reader;
    FillReader(reader, {Rec{}, Axis(2), Axis(2), Rec{}, Axis(2), Speeding(5), Speeding(), Kind(11)},
               3);
    const EventList list = BuildEventList(reader.frameIndex, kAllChannelsOn);
    struct Expect {
        std::int64_t frame;
        int sample;
        int code;
        int channel;
    };
    const std::vector<Expect> expected = {
        {3, 1, 2, 1}, {12, 4, 2, 1}, {15, 5, 8, 6}, {15, 5, 5, 3}, {21, 7, 11, 8}};
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list[i].frame, expected[i].frame) << i;
        EXPECT_EQ(list[i].sampleIndex, expected[i].sample) << i;
        EXPECT_EQ(list[i].code, expected[i].code) << i;
        EXPECT_EQ(list[i].channel, expected[i].channel) << i;
        ASSERT_NE(list[i].sample, nullptr);
        EXPECT_EQ(list[i].sample->index, expected[i].sample) << i;
        // The index shows the event's own record at the frame a jump goes to.
        EXPECT_EQ(reader.frameIndex[static_cast<std::size_t>(list[i].frame)], list[i].sample);
    }

    ChannelSwitches mapShown = kAllChannelsOn;
    mapShown[1] = false;
    mapShown[6] = false;
    const EventList fewer = BuildEventList(reader.frameIndex, mapShown);
    ASSERT_EQ(fewer.size(), 2u);
    EXPECT_EQ(fewer[0].code, 5);
    EXPECT_EQ(fewer[1].code, 11);
}

TEST(EventList, EmptyWithoutTelemetry) {
    FrameIndex index(10, nullptr);
    EXPECT_TRUE(BuildEventList(index, kAllChannelsOn).empty());
    EXPECT_TRUE(BuildEventList(FrameIndex{}, kAllChannelsOn).empty());
}

struct StepCase {
    const char* name;
    std::int64_t current;
    bool next; // right click, else left click
    int expected;
    int off = -1; // a channel switched off for the graph
};

void PrintTo(const StepCase& c, std::ostream* os) {
    *os << c.name;
}

class EventStepTest : public ::testing::TestWithParam<StepCase> {};

// Events at frames 10 (X), 20 (Y), 30 (manual) of a 40-frame recording.
EventList StepList() {
    EventList list;
    list.push_back({10, 1, 0, 0, nullptr});
    list.push_back({20, 2, 2, 1, nullptr});
    list.push_back({30, 3, 5, 3, nullptr});
    return list;
}

TEST_P(EventStepTest, FindsTheEntry) {
    const StepCase& c = GetParam();
    ChannelSwitches shown = kAllChannelsOn;
    if (c.off >= 0) {
        shown[static_cast<std::size_t>(c.off)] = false;
    }
    const EventList list = StepList();
    const int got = c.next ? NextEventWrapping(list, c.current, shown)
                           : PreviousEventWrapping(list, c.current, 40, shown);
    EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, EventStepTest,
    ::testing::Values(
        StepCase{"nextFromStart", 0, true, 0}, StepCase{"nextFromAnEvent", 10, true, 1},
        StepCase{"nextBetween", 25, true, 2}, StepCase{"nextWrapsFromLast", 30, true, 0},
        StepCase{"nextWrapsFromEnd", 39, true, 0}, StepCase{"nextSkipsSwitchedOff", 10, true, 2, 1},
        StepCase{"nextWrapSkipsSwitchedOff", 35, true, 1, 0},
        StepCase{"previousBetween", 25, false, 1}, StepCase{"previousFromAnEvent", 20, false, 0},
        StepCase{"previousWrapsFromFirst", 10, false, 2},
        StepCase{"previousWrapsFromStart", 0, false, 2},
        StepCase{"previousSkipsSwitchedOff", 35, false, 1, 3},
        StepCase{"previousWrapSkipsSwitchedOff", 5, false, 1, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EventStep, NothingToFind) {
    EXPECT_EQ(NextEventWrapping({}, 5, kAllChannelsOn), -1);
    EXPECT_EQ(PreviousEventWrapping({}, 5, 40, kAllChannelsOn), -1);
    ChannelSwitches none{};
    EXPECT_EQ(NextEventWrapping(StepList(), 5, none), -1);
    EXPECT_EQ(PreviousEventWrapping(StepList(), 5, 40, none), -1);
}

TEST(Scale, LevelFromPeakAndAmplitude) {
    struct Case {
        double peak;
        int level;
        int amplitude; // at H = 120
    };
    const std::vector<Case> cases = {{0.0, 0, 114}, {0.499, 0, 114}, {0.5, 1, 57}, {0.999, 1, 57},
                                     {1.0, 2, 38},  {1.499, 2, 38},  {1.5, 3, 28}, {3.7, 3, 28}};
    for (const Case& c : cases) {
        const int level = ZoomLevelForPeak(c.peak);
        EXPECT_EQ(level, c.level) << c.peak;
        EXPECT_EQ(CurveAmplitude(120, level), c.amplitude) << c.peak;
    }
    EXPECT_EQ(CurveAmplitude(180, 1), 87); // S = 1.5: (180 - 6) / 2
}

} // namespace
} // namespace kv::views
