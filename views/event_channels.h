#pragma once

#include "telemetry_types.h"

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The nine event channels of the acceleration graph and the rules built on
// them: which record yields which event code, which channel claims a frame,
// the event list the main window steps through, and the scale of the curves.
// Everything here works on plain telemetry records, without widgets.
namespace kv::views {

inline constexpr int kChannelCount = 9;

// The channel that carries speeding events; it is examined first and never
// ends the search for the frame's event.
inline constexpr int kSpeedingChannel = 6;

// Channels in the order the event claim examines them after the speeding channel.
inline constexpr std::array<int, 8> kClaimOrder = {0, 1, 2, 3, 4, 5, 7, 8};

// One flag per channel: graphShown or mapShown.
using ChannelSwitches = std::array<bool, kChannelCount>;

inline constexpr ChannelSwitches kAllChannelsOn = {true, true, true, true, true,
                                                   true, true, true, true};

// The event code channel yields for a record, or -1 (also for a null record
// and for channels outside 0-8).
int ChannelFilter(int channel, const SensorSample* sample);

// Colour of channel 0-2's curve and pen: X green, Y red, Z light blue.
QColor CurveColor(int axis);

// How the graph marks an event code.
struct MarkerLook {
    QString label; // one letter; empty for code 10, which draws its icon
    int row = 0;   // label row under the graph's top
    QColor pen;    // colour of the marker line
    bool valid = false;
};
MarkerLook MarkerLookOf(int code);

// The result of one channel's filter at a frame.
struct ChannelEvent {
    int code = -1;
    bool runStart = false; // frame 0, or the previous frame's record gave another value
};

// The channel's event at frame of the index (code -1 outside the index).
ChannelEvent EventAtFrame(const FrameIndex& index, std::int64_t frame, int channel);

// One event the claim found at a frame.
struct ClaimedEvent {
    int channel = -1;
    int code = -1;
};

// The events recorded for frame: the speeding channel's run start (when
// switched on) and at most one more, from the first switched-on channel of
// kClaimOrder whose filter yields a code, recorded only when the frame starts
// its run. speedingHere tells whether the speeding channel (switched on)
// yields its code at the frame at all, run start or not.
struct FrameClaim {
    std::array<ClaimedEvent, 2> events{};
    int count = 0;
    bool speedingHere = false;
    bool speedingRunStart = false;
};
FrameClaim ClaimFrame(const FrameIndex& index, std::int64_t frame, const ChannelSwitches& on);

// One entry of the main window's event list.
struct EventEntry {
    // First frame of the run: the frame at which the index first gives the
    // event's record. Jumps go here; the record's own frame number can lie
    // one frame earlier, where the index still shows the record before it.
    std::int64_t frame = 0;
    std::int32_t sampleIndex = 0;
    int code = -1;
    int channel = -1;
    const SensorSample* sample = nullptr;
};
using EventList = std::vector<EventEntry>;

// Runs the claim over every frame of the index with the mapShown switches.
EventList BuildEventList(const FrameIndex& index, const ChannelSwitches& mapShown);

// Index into list of the first entry after frame from whose channel is
// switched on for the graph, or -1.
int NextEvent(const EventList& list, std::int64_t from, const ChannelSwitches& graphShown);
// The last such entry before frame from, or -1.
int PreviousEvent(const EventList& list, std::int64_t from, const ChannelSwitches& graphShown);

// The clicks on the graph: the next event after current, else the first
// one; the previous event before current, else the last one. -1 when the list
// has none that is switched on.
int NextEventWrapping(const EventList& list, std::int64_t current,
                      const ChannelSwitches& graphShown);
int PreviousEventWrapping(const EventList& list, std::int64_t current, std::int64_t frameCount,
                          const ChannelSwitches& graphShown);

// Scale level 0-3 of the curves for the recording's peak absolute acceleration.
int ZoomLevelForPeak(double peakG);

// Curve amplitude in pixels per G for graph height H: (H - 6) / (level + 1).
int CurveAmplitude(int graphHeight, int zoomLevel);

} // namespace kv::views
