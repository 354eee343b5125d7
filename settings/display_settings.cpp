#include "display_settings.h"

#include "setting_text.h"
#include "settings_keys.h"

#include <cmath>

namespace kv {

using namespace settings;

bool EnsureDefaults(const SettingsStore& store) {
    const SettingValue defaults[] = {
        {kDisplay, kInfoCheck, kInfoCheckDefault.toString()},
        {kDisplay, kAspect, kAspectDefault.toString()},
        {kDisplay, kVolume, kVolumeDefault.toString()},
    };
    return CreateSettingsFile(store, defaults);
}

bool HardwareDecodingOn(const SettingsStore& store) {
    return ReadSetting(store, kDecode, kHw) == kOn;
}

bool KeepAspect(const SettingsStore& store) {
    return ReadSetting(store, kDisplay, kAspect) == kOn;
}

bool WriteKeepAspect(const SettingsStore& store, bool keep) {
    return WriteSetting(store, kDisplay, kAspect, keep ? kOn : kOff);
}

int ReadVolume(const SettingsStore& store) {
    return VolumeFromText(ReadSetting(store, kDisplay, kVolume));
}

bool WriteVolume(const SettingsStore& store, int volume) {
    return WriteSetting(store, kDisplay, kVolume, VolumeText(volume));
}

std::optional<double> ReadScale(const SettingsStore& store, QStringView section, QStringView key) {
    return ScaleFromText(ReadSetting(store, section, key));
}

bool WriteScale(const SettingsStore& store, QStringView section, double scaleX, double scaleY) {
    if (!std::isfinite(scaleX) || !std::isfinite(scaleY)) {
        return false;
    }
    const SettingValue scales[] = {
        {section, kScaleX, ScaleText(scaleX)},
        {section, kScaleY, ScaleText(scaleY)},
    };
    return WriteSettings(store, scales);
}

} // namespace kv
