#include "event_codes.h"

namespace kv {

QString EventLabel(int code) {
    switch (code) {
    case kEventSuddenAcceleration:
        return QStringLiteral("急加速");
    case kEventSuddenBraking:
        return QStringLiteral("急ブレーキ");
    case kEventSharpTurn:
        return QStringLiteral("急ハンドル");
    case kEventDrop:
        return QStringLiteral("急下降");
    case kEventRise:
        return QStringLiteral("急上昇");
    case kEventManual:
        return QStringLiteral("マニュアル録画");
    case kEventEmergencyStop:
        return QStringLiteral("緊急録画停止");
    case kEventParking:
        return QStringLiteral("駐車監視");
    case kEventSpeeding:
        return QStringLiteral("速度超過");
    case kEventApproaching:
        return QStringLiteral("後続車接近");
    // The blank in the drive-support labels is the ideographic space U+3000.
    case kEventSupportSteering:
        return QStringLiteral("ドライブサポート\u3000急ハンドル");
    case kEventSupportAcceleration:
        return QStringLiteral("ドライブサポート\u3000急加速");
    case kEventSupportBraking:
        return QStringLiteral("ドライブサポート\u3000急ブレーキ");
    default:
        return {};
    }
}

int EventCodeOfAxis(int axis) {
    switch (axis) {
    case 1:
        return kEventSuddenAcceleration;
    case 2:
        return kEventSharpTurn;
    case 3:
        return kEventDrop;
    default:
        return -1;
    }
}

} // namespace kv
