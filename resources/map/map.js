// The map page: the track of every recording of the folder, the current
// recording's track split into the part already driven and the part still to
// come, the position marker and one marker per event point. Everything comes
// from the host object "sample" and from its update messages; the host calls
// the entry points of cplist and orbitgrplist with short scripts.
//
// The host answers over the web channel, so every call to it is awaited. The
// entry points run one after the other (inTurn), in the order they were
// called, so that a drawing never starts before the previous one ended.

'use strict';

// Event icons by event code: the five G-sensor events share one picture.
var g_iconurl = [
    'icons/gsensor.svg', // 0 G-sensor, X axis
    'icons/gsensor.svg', // 1 G-sensor, sharp acceleration
    'icons/gsensor.svg', // 2 G-sensor, Y axis
    'icons/gsensor.svg', // 3 G-sensor, Z axis
    'icons/gsensor.svg', // 4 G-sensor, sharp ascent
    'icons/event5.svg',  // 5 user point (manual recording)
    'icons/event6.svg',  // 6 emergency recording stop
    'icons/event7.svg',  // 7 parking monitoring
    'icons/event8.svg',  // 8 speeding
    'icons/event9.svg',  // 9 vehicle approaching from behind
    'icons/event10.svg', // 10 drive assist: sudden steering
    'icons/event11.svg', // 11 drive assist: sudden acceleration
    'icons/event12.svg', // 12 drive assist: sudden braking
];
var g_shadow = 'icons/shadow.svg'; // 49 x 32

var g_lastJpgNum = -1;            // last position read from the host; -1 none yet
var g_isStartInitConnect = false; // the map library's script is loading
var g_isInitConnect = false;      // the map library has loaded and the map exists
var g_isInit = false;             // the start branch without a position has run
var g_map = null;
var g_script = null;              // the script element of the map library
var g_marker = null;              // the position marker
var g_newlat = null;
var g_newlng = null;

var g_host = null;       // the host object "sample"
var g_provider = null;   // the map library's drawing (map_providers.js)
var g_pollMs = 1000;

// Gaps in a track: consecutive samples further apart than this (degrees,
// five arc-seconds) start a new piece.
var kGapDegrees = 0.001385;

// -- Talking to the host.

function hostCall(name) {
    var args = Array.prototype.slice.call(arguments, 1);
    return new Promise(function (resolve) {
        if (!g_host || typeof g_host[name] !== 'function') {
            resolve(undefined);
            return;
        }
        args.push(resolve);
        g_host[name].apply(g_host, args);
    });
}

var g_turns = Promise.resolve();

function inTurn(fn) {
    return function () {
        var self = this;
        var args = arguments;
        var run = g_turns.then(function () { return fn.apply(self, args); });
        g_turns = run.catch(function () {});
        return run;
    };
}

function field(id) {
    return document.getElementById(id);
}

// -- A track as the host sends it: latitude, longitude and frame per sample.

function PointList() {
    this.points = [];
    this.JpgNumList = [];
}

PointList.prototype.GetPoints = function (data) {
    if (!g_isInitConnect || !data) {
        return;
    }
    var values = Float64Array.from(data);
    if (values.length <= 1) {
        return;
    }
    for (var i = 0; i < values.length - 1; i += 3) {
        this.points.push({ lat: values[i], lng: values[i + 1] });
        this.JpgNumList.push(values[i + 2]);
    }
};

PointList.prototype.ReleasePoints = function () {
    this.points = [];
    this.JpgNumList = [];
};

// A polyline over the points start .. end - 1, or null.
PointList.prototype.DrawGridLine = function (start, end, color, opacity, index) {
    if (!g_isInitConnect || !g_map) {
        return null;
    }
    var points = this.points.slice(start, end);
    if (points.length === 0) {
        return null;
    }
    return g_provider.polyline(g_map, points, {
        color: color, opacity: opacity, weight: 3, zIndex: index, clickable: false, geodesic: false,
    });
};

// -- The tracks.

function OrbitGrp(start, end) {
    this.start = start; // first and last sample of a piece without gaps
    this.end = end;
}

function OrbitGrpList() {
    this.orbitlist = [];
    this.grpline = [];  // the folder's track
    this.histline = []; // driven
    this.schline = [];  // still to come
    this.grplist = new PointList();
    this.gridlist = new PointList();
}

OrbitGrpList.prototype.GetOrbitGroup = function (list) {
    this.orbitlist = [];
    var points = list.points;
    if (points.length === 0) {
        return;
    }
    var start = 0;
    for (var i = 1; i < points.length; i++) {
        var p = points[i - 1];
        var c = points[i];
        var dlat = c.lat - p.lat;
        var dlng = (c.lng - p.lng) * Math.cos(c.lat * Math.PI / 180);
        if (Math.sqrt(dlat * dlat + dlng * dlng) > kGapDegrees) {
            this.orbitlist.push(new OrbitGrp(start, i - 1));
            start = i;
        }
    }
    this.orbitlist.push(new OrbitGrp(start, points.length - 1));
};

// The sample the marker stands on: the last one before the first sample at
// or after the position, so that after a gap (a tunnel) the marker does not
// wait at the exit. -1 when the host has no position.
OrbitGrpList.prototype.GetIndex = async function () {
    var jpgnum = Number(await hostCall('JS2C_GetRelJpgNum'));
    if (jpgnum === -1 || Number.isNaN(jpgnum)) {
        return -1;
    }
    g_lastJpgNum = jpgnum;
    var frames = this.gridlist.JpgNumList;
    var index = 0;
    while (index < frames.length && !(jpgnum <= frames[index])) {
        index++;
    }
    if (index > 0) {
        index = Math.min(index - 1, frames.length - 1);
    }
    return index;
};

function removeLines(lines) {
    for (var i = 0; i < lines.length; i++) {
        g_provider.remove(lines[i]);
    }
}

OrbitGrpList.prototype.removeTrackLines = function () {
    removeLines(this.histline);
    removeLines(this.schline);
    this.histline = [];
    this.schline = [];
};

OrbitGrpList.prototype.drawPiece = function (into, start, end, color, opacity) {
    var line = this.gridlist.DrawGridLine(start, end, color, opacity, 2);
    if (line) {
        into.push(line);
    }
};

OrbitGrpList.prototype.moveMarkerNow = async function () {
    if (!g_isInitConnect) {
        return;
    }
    var index = await this.GetIndex();
    if (index < 0) {
        return;
    }
    this.removeTrackLines();
    for (var i = 0; i < this.orbitlist.length; i++) {
        var piece = this.orbitlist[i];
        if (piece.end <= index) {
            this.drawPiece(this.histline, piece.start, piece.end + 1, '#0000FF', 1.0);
        } else if (piece.start < index) {
            this.drawPiece(this.histline, piece.start, index + 1, '#0000FF', 1.0);
            this.drawPiece(this.schline, index, piece.end + 1, '#FF0000', 0.9);
        } else {
            this.drawPiece(this.schline, piece.start, piece.end + 1, '#FF0000', 0.9);
        }
    }
    var point = this.gridlist.points[index];
    loadMarker(point ? point : { lat: g_newlat, lng: g_newlng });
};

OrbitGrpList.prototype.MoveMarker = inTurn(function () {
    return this.moveMarkerNow();
});

OrbitGrpList.prototype.RemoveLineList = inTurn(function () {
    if (!g_isInitConnect) {
        return;
    }
    this.removeTrackLines();
});

OrbitGrpList.prototype.CreateLine = inTurn(async function () {
    if (!g_isInitConnect) {
        return;
    }
    g_lastJpgNum = -1;
    this.grplist.ReleasePoints();
    if (!g_script) {
        return;
    }
    this.grplist.GetPoints(await hostCall('JS2C_GetGPSData'));
    this.GetOrbitGroup(this.grplist);
    removeLines(this.grpline);
    this.grpline = [];
    for (var i = 0; i < this.orbitlist.length; i++) {
        var piece = this.orbitlist[i];
        var line = this.grplist.DrawGridLine(piece.start, piece.end + 1, '#FF0000', 0.5, 1);
        if (line) {
            this.grpline.push(line);
        }
    }
});

OrbitGrpList.prototype.CreateGridLine = inTurn(async function (iGrid) {
    if (!g_isInitConnect) {
        return;
    }
    g_lastJpgNum = -1;
    this.gridlist.ReleasePoints();
    if (!g_script) {
        return;
    }
    this.gridlist.GetPoints(await hostCall('JS2C_GetGridData', 0));
    this.GetOrbitGroup(this.gridlist);
    await this.moveMarkerNow();
});

// -- Event points.

function CrashPoint(marker, icolor, levelx, levely, levelz, ifile, igrid, ipos, lat, lng, valid,
                    speed, direction) {
    this.marker = marker;
    this.icolor = icolor;
    this.levelx = levelx;
    this.levely = levely;
    this.levelz = levelz;
    this.ifile = ifile;
    this.igrid = igrid;
    this.ipos = ipos;
    this.lat = lat;
    this.lng = lng;
    this.valid = valid;
    this.speed = speed;
    this.direction = direction;
}

function CpList() {
    this.markers = [];
}

CpList.prototype.ClearCrashPos = inTurn(function () {
    for (var i = 0; i < this.markers.length; i++) {
        g_provider.remove(this.markers[i].marker);
    }
    this.markers = [];
});

CpList.prototype.AddCrashPos = inTurn(function (icolor, levelx, levely, levelz, ifile, igrid, ipos,
                                                lat, lng, valid, speed, direction) {
    if (!g_isInitConnect) {
        return;
    }
    var self = this;
    var icon = {
        url: g_iconurl[icolor], size: [32, 32], anchor: [16, 32],
        shadow: { url: g_shadow, size: [49, 32], origin: [0, 0], anchor: [16, 32] },
    };
    var marker = g_provider.marker(g_map, { lat: lat, lng: lng }, icon, function () {
        for (var i = 0; i < self.markers.length; i++) {
            if (self.markers[i].marker === marker) {
                self.Select(self.markers[i]);
                return;
            }
        }
    });
    this.markers.push(new CrashPoint(marker, icolor, levelx, levely, levelz, ifile, igrid, ipos,
                                     lat, lng, valid, speed, direction));
});

// A click on an event point: the host moves playback to its frame.
CpList.prototype.Select = inTurn(async function (cp) {
    await hostCall('JS2C_OnClickCrashPoint', cp.ifile, cp.igrid, cp.ipos, cp.valid, cp.lat, cp.lng,
                   cp.speed, cp.direction);
    if (cp.lat >= 0 && cp.lng >= 0 && await ConnectTest()) {
        await orbitgrplist.moveMarkerNow();
    }
});

var orbitgrplist = new OrbitGrpList();
var cplist = new CpList();

// -- The position marker.

function loadMarker(position, icon) {
    if (!g_map || !position || !Number.isFinite(position.lat) || !Number.isFinite(position.lng)) {
        return;
    }
    g_provider.panTo(g_map, position);
    if (g_marker) {
        g_provider.remove(g_marker);
    }
    g_marker = g_provider.marker(g_map, position, icon || null, null);
}

// -- Loading the map library while the host reports a connection.

function dropScript() {
    if (g_script) {
        if (g_script.parentNode) {
            g_script.parentNode.removeChild(g_script);
        }
        g_script = null;
    }
}

async function ConnectTest() {
    var answer = await hostCall('JS2C_ConnectTest');
    if (answer) {
        if (!g_isInitConnect && !g_isStartInitConnect) {
            dropScript();
            var url = await hostCall('JS2C_GetMapURL');
            g_script = document.createElement('script');
            g_script.type = 'text/javascript';
            g_provider.prepareScript(g_script);
            g_script.src = url;
            document.body.appendChild(g_script);
            g_isStartInitConnect = true;
        }
        return g_isInitConnect;
    }
    g_isStartInitConnect = false;
    g_isInitConnect = false;
    return false;
}

// The map library has loaded (its callback, or the script's load event).
function loadLibs() {
    if (g_map) {
        g_provider.dropMap(g_map);
    }
    g_map = g_provider.createMap(field('map_canvas'), { lat: 0, lng: 0 }, 16);
    window.onerror = function () { return true; };
    loadMarker({ lat: 0, lng: 0 });
    hostCall('JS2C_OnInitHtml');
    g_isInitConnect = true;
}

// -- The poll, once a second.

function onUpdateMessage(data) {
    if (data && data.val_command === 'update') {
        field('map_lat').value = data.map_lat;
        field('map_lng').value = data.map_lng;
        field('map_status').value = data.map_status;
    }
}

var show = inTurn(async function () {
    await hostCall('JS2C_SetSend');
    g_newlat = Number(field('map_lat').value || 0);
    g_newlng = Number(field('map_lng').value || 0);
    if (g_newlat < 1000 && g_newlng < 1000) {
        if (await ConnectTest()) {
            var status = String(field('map_status').value).toLowerCase();
            if (status !== 'pause' && status !== 'stop' &&
                ((g_newlat !== 0 && g_newlng !== 0) || g_lastJpgNum === -1)) {
                await orbitgrplist.moveMarkerNow();
            }
        } else if (!g_isStartInitConnect) {
            // Offline: the map goes, and the library is loaded afresh when
            // the connection is back.
            if (g_map) {
                g_provider.dropMap(g_map);
            }
            g_isInit = false;
            g_map = null;
            g_marker = null;
            dropScript();
        }
    } else if (!g_isInit) {
        await ConnectTest();
        g_isInit = true;
    }
});

function poll() {
    var again = function () { setTimeout(poll, g_pollMs); };
    show().then(again, again);
}

// The host object is there: listen to its messages and start polling.
function start(host, provider) {
    g_host = host;
    g_provider = provider;
    g_lastJpgNum = -1;
    if (host.webMessage) {
        host.webMessage.connect(function (text) {
            onUpdateMessage(typeof text === 'string' ? JSON.parse(text) : text);
        });
    }
    poll();
}

function initialize() {
    new QWebChannel(qt.webChannelTransport, function (channel) {
        var host = channel.objects.sample;
        start(host, MapProviders[host.mapProvider] || MapProviders.leaflet);
    });
}

// The page starts once it has loaded (no inline handler: the page's content
// policy runs no inline script).
if (typeof window.addEventListener === 'function') {
    window.addEventListener('load', initialize);
}
