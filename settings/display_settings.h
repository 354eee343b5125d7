#pragma once

#include "settings_store.h"

#include <QStringView>

#include <optional>

// The settings the viewer reads at start-up and the window scales, over the
// store's ReadSetting and WriteSetting.
namespace kv {

// First start: when the settings file does not exist, creates it with
// DISPLAY/INFOCHECK "31", DISPLAY/ASPECT "on" and DISPLAY/VOLUME "65535" in one
// write. An existing file is left alone. False when the file could not be
// written.
bool EnsureDefaults(const SettingsStore& store);

// DECODE/HW is "on" (exactly): decode the video in hardware.
bool HardwareDecodingOn(const SettingsStore& store);

// DISPLAY/ASPECT is "on" (exactly): keep the video's aspect ratio; any other
// value, or none, stretches it.
bool KeepAspect(const SettingsStore& store);
bool WriteKeepAspect(const SettingsStore& store, bool keep);

// DISPLAY/VOLUME, 0-65535; see VolumeFromText.
int ReadVolume(const SettingsStore& store);
bool WriteVolume(const SettingsStore& store, int volume);

// SCALEX or SCALEY of a window's section (DISPLAY, MAPDISPLAY, MOVIEDISPLAY).
// No value means the window keeps its current scale; see ScaleFromText.
std::optional<double> ReadScale(const SettingsStore& store, QStringView section, QStringView key);
// Writes both scales of a window in one write. False for non-finite scales.
bool WriteScale(const SettingsStore& store, QStringView section, double scaleX, double scaleY);

} // namespace kv
