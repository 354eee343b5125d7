#pragma once

// Small real recordings (160 x 96, H.264 + IMA ADPCM) whose pictures print
// their own frame number, written by the card maker.

#include "cardmaker.h"

#include <QString>

#include <gtest/gtest.h>

namespace kv::engine {

inline QString WriteTinyRecording(const QString& dir, const QString& name, double seconds = 3.0,
                                  cardmaker::Damage damage = cardmaker::Damage::None) {
    cardmaker::RecordingSpec recipe;
    recipe.fileName = name;
    recipe.width = 160;
    recipe.height = 96;
    recipe.seconds = seconds;
    recipe.damage = damage;
    recipe.telemetry = damage == cardmaker::Damage::None ? cardmaker::TelemetryForm::ExactCount
                                                         : cardmaker::TelemetryForm::None;
    const QString path = dir + "/" + name;
    QString error;
    EXPECT_TRUE(cardmaker::WriteRecording(recipe, path, &error)) << error.toStdString();
    return path;
}

// The frame number a picture prints (-1 when it cannot be read).
inline int StampOfLuma(const std::uint8_t* luma, int stride, int width, int height) {
    const auto stamp = cardmaker::ReadFrameStamp(luma, stride, width, height);
    return stamp ? stamp->frame : -1;
}

} // namespace kv::engine
