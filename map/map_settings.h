#pragma once

#include "settings_store.h"

#include <QString>
#include <QStringView>
#include <QUrl>

// Which map the page draws on, from the "MAP" section of the settings file:
//   PROVIDER  "google", "osm", or empty / "auto" (Google when a key is set)
//   APIKEY    the Google Maps JavaScript API key
// Without a key the page draws on OpenStreetMap with the bundled Leaflet.
namespace kv::map {

inline constexpr QStringView kMapSection = u"MAP";
inline constexpr QStringView kProviderKey = u"PROVIDER";
inline constexpr QStringView kApiKeyKey = u"APIKEY";

enum class MapProvider { Google, Leaflet };

struct MapSettings {
    MapProvider provider = MapProvider::Leaflet;
    QString apiKey;
};

MapSettings ReadMapSettings(const SettingsStore& store);
// The provider for the values of the two keys.
MapProvider ChooseProvider(QStringView provider, QStringView apiKey);

// The name the page knows the provider by: "google" or "leaflet".
QString ProviderName(MapProvider provider);
// The provider of such a name (Leaflet for anything but "google").
MapProvider ProviderFromName(QStringView name);

// What the page loads: the Maps JavaScript API loader with the key, or the
// bundled Leaflet script.
QString MapScriptUrl(const MapSettings& settings);

// The address the connection checker tries: the map service's root.
QUrl MapServiceRoot(MapProvider provider);

} // namespace kv::map
