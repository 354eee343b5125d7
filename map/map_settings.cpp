#include "map_settings.h"

namespace kv::map {

MapProvider ChooseProvider(QStringView provider, QStringView apiKey) {
    // Google needs a key; without one (or when OpenStreetMap is asked for)
    // the page draws with Leaflet.
    const QString name = provider.trimmed().toString().toLower();
    if (name == u"osm" || name == u"leaflet" || apiKey.trimmed().isEmpty()) {
        return MapProvider::Leaflet;
    }
    return MapProvider::Google;
}

MapSettings ReadMapSettings(const SettingsStore& store) {
    MapSettings settings;
    settings.apiKey = ReadSetting(store, kMapSection, kApiKeyKey).trimmed();
    settings.provider =
        ChooseProvider(ReadSetting(store, kMapSection, kProviderKey), settings.apiKey);
    return settings;
}

QString ProviderName(MapProvider provider) {
    return provider == MapProvider::Google ? QStringLiteral("google") : QStringLiteral("leaflet");
}

MapProvider ProviderFromName(QStringView name) {
    return name == u"google" ? MapProvider::Google : MapProvider::Leaflet;
}

QString MapScriptUrl(const MapSettings& settings) {
    if (settings.provider == MapProvider::Google) {
        return QStringLiteral("https://maps.googleapis.com/maps/api/js?") +
               QString::asprintf("key=%s&v=3&sensor=false&callback=loadLibs",
                                 settings.apiKey.toUtf8().constData());
    }
    return QStringLiteral("qrc:///map/leaflet/leaflet.js");
}

QUrl MapServiceRoot(MapProvider provider) {
    return provider == MapProvider::Google
               ? QUrl(QStringLiteral("https://maps.googleapis.com/"))
               : QUrl(QStringLiteral("https://tile.openstreetmap.org/"));
}

} // namespace kv::map
