// The two map libraries the page can draw with, behind one small set of
// calls: the Google Maps JavaScript API (when the user has an API key) and
// Leaflet with OpenStreetMap tiles (bundled with the viewer, no key). Points
// are {lat, lng} in degrees; a style is {color, opacity, weight, zIndex}.

'use strict';

var MapProviders = {
    google: {
        // The API calls loadLibs itself (callback in its address).
        prepareScript: function () {},
        createMap: function (element, center, zoom) {
            return new google.maps.Map(element, {
                center: center,
                zoom: zoom,
                mapTypeId: google.maps.MapTypeId.ROADMAP,
                streetViewControl: true,
                scaleControl: true,
                fullscreenControl: false,
            });
        },
        dropMap: function () {},
        panTo: function (map, point) {
            map.panTo(point);
        },
        polyline: function (map, points, style) {
            return new google.maps.Polyline({
                map: map,
                path: points,
                clickable: false,
                geodesic: false,
                strokeColor: style.color,
                strokeOpacity: style.opacity,
                strokeWeight: style.weight,
                zIndex: style.zIndex,
            });
        },
        marker: function (map, point, icon, onClick) {
            var options = { map: map, position: point };
            if (icon) {
                options.icon = {
                    url: icon.url,
                    size: new google.maps.Size(icon.size[0], icon.size[1]),
                    anchor: new google.maps.Point(icon.anchor[0], icon.anchor[1]),
                };
                options.shadow = {
                    url: icon.shadow.url,
                    size: new google.maps.Size(icon.shadow.size[0], icon.shadow.size[1]),
                    origin: new google.maps.Point(icon.shadow.origin[0], icon.shadow.origin[1]),
                    anchor: new google.maps.Point(icon.shadow.anchor[0], icon.shadow.anchor[1]),
                };
            }
            var marker = new google.maps.Marker(options);
            if (onClick) {
                google.maps.event.addListener(marker, 'click', onClick);
            }
            return marker;
        },
        remove: function (overlay) {
            overlay.setMap(null);
        },
    },

    leaflet: {
        tiles: 'https://tile.openstreetmap.org/{z}/{x}/{y}.png',
        // Leaflet has no load callback of its own.
        prepareScript: function (script) {
            script.onload = function () { loadLibs(); };
        },
        createMap: function (element, center, zoom) {
            L.Icon.Default.imagePath = 'leaflet/images/';
            var map = L.map(element, { center: [center.lat, center.lng], zoom: zoom });
            L.control.scale().addTo(map);
            L.tileLayer(this.tiles, {
                maxZoom: 19,
                attribution: '&copy; <a href="https://www.openstreetmap.org/copyright">OpenStreetMap</a>',
            }).addTo(map);
            return map;
        },
        dropMap: function (map) {
            map.remove();
        },
        panTo: function (map, point) {
            map.panTo([point.lat, point.lng], { animate: false });
        },
        // Lines of a higher zIndex lie in a pane above the lower ones (all
        // below the markers).
        polyline: function (map, points, style) {
            var pane = 'track' + style.zIndex;
            if (!map.getPane(pane)) {
                map.createPane(pane).style.zIndex = String(400 + style.zIndex);
            }
            return L.polyline(points.map(function (p) { return [p.lat, p.lng]; }), {
                pane: pane,
                color: style.color,
                opacity: style.opacity,
                weight: style.weight,
                interactive: false,
            }).addTo(map);
        },
        marker: function (map, point, icon, onClick) {
            var options = {};
            if (icon) {
                options.icon = L.icon({
                    iconUrl: icon.url,
                    iconSize: icon.size,
                    iconAnchor: icon.anchor,
                    shadowUrl: icon.shadow.url,
                    shadowSize: icon.shadow.size,
                    shadowAnchor: icon.shadow.anchor,
                });
            } else {
                options.zIndexOffset = 1000; // the position above the events
            }
            var marker = L.marker([point.lat, point.lng], options).addTo(map);
            if (onClick) {
                marker.on('click', onClick);
            }
            return marker;
        },
        remove: function (overlay) {
            overlay.remove();
        },
    },
};
