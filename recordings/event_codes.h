#pragma once

#include <QString>

// The event vocabulary shared by the graph, the event list and the map page.
namespace kv {

enum EventCode : int {
    kEventSuddenAcceleration = 0, // axis X
    kEventSuddenBraking = 1,      // label only
    kEventSharpTurn = 2,          // axis Y
    kEventDrop = 3,               // axis Z
    kEventRise = 4,               // label only
    kEventManual = 5,
    kEventEmergencyStop = 6,
    kEventParking = 7,
    kEventSpeeding = 8,
    kEventApproaching = 9,
    kEventSupportSteering = 10,
    kEventSupportAcceleration = 11,
    kEventSupportBraking = 12,
};

constexpr int kEventCodeCount = 13;

// The label of an event code; empty for codes outside 0-12.
QString EventLabel(int code);

// The event code of a G-sensor trigger axis (1 X, 2 Y, 3 Z); -1 for none.
int EventCodeOfAxis(int axis);

} // namespace kv
