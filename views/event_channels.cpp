#include "event_channels.h"

#include "event_codes.h"
#include "ui_texts.h"

namespace kv::views {

int ChannelFilter(int channel, const SensorSample* sample) {
    if (sample == nullptr) {
        return -1;
    }
    switch (channel) {
    case 0:
        return sample->axis == 1 ? kEventSuddenAcceleration : -1;
    case 1:
        return sample->axis == 2 ? kEventSharpTurn : -1;
    case 2:
        return sample->axis == 3 ? kEventDrop : -1;
    case 3:
        return sample->kind == kEventManual ? kEventManual : -1;
    case 4:
        return sample->kind == kEventEmergencyStop ? kEventEmergencyStop : -1;
    case 5:
        return sample->kind == kEventParking ? kEventParking : -1;
    case 6:
        return sample->speeding == kEventSpeeding ? kEventSpeeding : -1;
    case 7:
        return sample->approaching == kEventApproaching ? kEventApproaching : -1;
    case 8:
        return sample->kind >= kEventSupportSteering && sample->kind <= kEventSupportBraking
                   ? sample->kind
                   : -1;
    default:
        return -1;
    }
}

QColor CurveColor(int axis) {
    switch (axis) {
    case 0:
        return {0, 255, 0};
    case 1:
        return {255, 0, 0};
    default:
        return {128, 128, 255};
    }
}

MarkerLook MarkerLookOf(int code) {
    const QColor white(255, 255, 255);
    switch (code) {
    case kEventSuddenAcceleration:
        return {Text(UiText::MarkerG), 1, CurveColor(0), true};
    case kEventSharpTurn:
        return {Text(UiText::MarkerG), 0, CurveColor(1), true};
    case kEventDrop:
        return {Text(UiText::MarkerG), 2, CurveColor(2), true};
    case kEventManual:
        return {Text(UiText::MarkerManual), 3, white, true};
    case kEventEmergencyStop:
        return {Text(UiText::MarkerEmergencyStop), 3, white, true};
    case kEventParking:
        return {Text(UiText::MarkerParking), 3, white, true};
    case kEventSpeeding:
        return {Text(UiText::MarkerSpeeding), 3, white, true};
    case kEventApproaching:
        return {Text(UiText::MarkerApproaching), 3, white, true};
    case kEventSupportSteering:
        return {QString(), 4, QColor(255, 255, 0), true};
    case kEventSupportAcceleration:
        return {Text(UiText::MarkerAssistAcceleration), 5, QColor(255, 0, 255), true};
    case kEventSupportBraking:
        return {Text(UiText::MarkerAssistBraking), 6, QColor(0, 255, 255), true};
    default:
        return {};
    }
}

namespace {

const SensorSample* At(const FrameIndex& index, std::int64_t frame) {
    if (frame < 0 || frame >= static_cast<std::int64_t>(index.size())) {
        return nullptr;
    }
    return index[static_cast<std::size_t>(frame)];
}

} // namespace

ChannelEvent EventAtFrame(const FrameIndex& index, std::int64_t frame, int channel) {
    ChannelEvent result;
    const SensorSample* sample = At(index, frame);
    if (sample == nullptr) {
        return result;
    }
    result.code = ChannelFilter(channel, sample);
    result.runStart = frame == 0 || ChannelFilter(channel, At(index, frame - 1)) != result.code;
    return result;
}

FrameClaim ClaimFrame(const FrameIndex& index, std::int64_t frame, const ChannelSwitches& on) {
    FrameClaim claim;
    if (on[kSpeedingChannel]) {
        const ChannelEvent speeding = EventAtFrame(index, frame, kSpeedingChannel);
        if (speeding.code >= 0) {
            claim.speedingHere = true;
            claim.speedingRunStart = speeding.runStart;
            if (speeding.runStart) {
                claim.events[claim.count++] = {kSpeedingChannel, speeding.code};
            }
        }
    }
    for (int channel : kClaimOrder) {
        if (!on[static_cast<std::size_t>(channel)]) {
            continue;
        }
        const ChannelEvent event = EventAtFrame(index, frame, channel);
        if (event.code < 0) {
            continue;
        }
        if (event.runStart) {
            claim.events[claim.count++] = {channel, event.code};
        }
        break;
    }
    return claim;
}

EventList BuildEventList(const FrameIndex& index, const ChannelSwitches& mapShown) {
    EventList list;
    for (std::size_t f = 0; f < index.size(); ++f) {
        const SensorSample* sample = index[f];
        if (sample == nullptr) {
            continue;
        }
        const FrameClaim claim = ClaimFrame(index, static_cast<std::int64_t>(f), mapShown);
        for (int i = 0; i < claim.count; ++i) {
            list.push_back({static_cast<std::int64_t>(f), sample->index, claim.events[i].code,
                            claim.events[i].channel, sample});
        }
    }
    return list;
}

namespace {

bool Shown(const EventEntry& entry, const ChannelSwitches& graphShown) {
    return entry.channel >= 0 && entry.channel < kChannelCount &&
           graphShown[static_cast<std::size_t>(entry.channel)];
}

} // namespace

int NextEvent(const EventList& list, std::int64_t from, const ChannelSwitches& graphShown) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].frame > from && Shown(list[i], graphShown)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int PreviousEvent(const EventList& list, std::int64_t from, const ChannelSwitches& graphShown) {
    for (std::size_t i = list.size(); i-- > 0;) {
        if (list[i].frame < from && Shown(list[i], graphShown)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int NextEventWrapping(const EventList& list, std::int64_t current,
                      const ChannelSwitches& graphShown) {
    const int next = NextEvent(list, current, graphShown);
    return next >= 0 ? next : NextEvent(list, -1, graphShown);
}

int PreviousEventWrapping(const EventList& list, std::int64_t current, std::int64_t frameCount,
                          const ChannelSwitches& graphShown) {
    const int previous = PreviousEvent(list, current, graphShown);
    return previous >= 0 ? previous : PreviousEvent(list, frameCount + 1, graphShown);
}

int ZoomLevelForPeak(double peakG) {
    if (peakG >= 1.5) {
        return 3;
    }
    if (peakG >= 1.0) {
        return 2;
    }
    if (peakG >= 0.5) {
        return 1;
    }
    return 0;
}

int CurveAmplitude(int graphHeight, int zoomLevel) {
    if (zoomLevel < 0 || zoomLevel > 3) {
        zoomLevel = 0;
    }
    return (graphHeight - 6) / (zoomLevel + 1);
}

} // namespace kv::views
