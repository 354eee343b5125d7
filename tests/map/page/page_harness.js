// Loads the map page's script into a fresh context with a document, a map
// library and a host object of our own, so the page's rules can be driven
// and watched without a browser.
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const pageScript = path.join(__dirname, '..', '..', '..', 'resources', 'map', 'map.js');

// Records what the page draws. Every overlay keeps whether it was removed.
class FakeProvider {
    constructor() {
        this.maps = [];
        this.polylines = [];
        this.markers = [];
        this.pans = [];
        this.scripts = [];
    }
    prepareScript(script) { this.scripts.push(script); }
    createMap(element, center, zoom) {
        const map = { element, center, zoom, dropped: false };
        this.maps.push(map);
        return map;
    }
    dropMap(map) { map.dropped = true; }
    panTo(map, point) { this.pans.push(point); }
    polyline(map, points, style) {
        const line = { map, points, style, removed: false };
        this.polylines.push(line);
        return line;
    }
    marker(map, point, icon, onClick) {
        const marker = { map, point, icon, onClick, removed: false };
        this.markers.push(marker);
        return marker;
    }
    remove(overlay) { overlay.removed = true; }

    liveLines() { return this.polylines.filter((l) => !l.removed); }
    liveMarkers() { return this.markers.filter((m) => !m.removed); }
}

// Answers like the viewer's host object: callbacks last, as over the web channel.
class FakeHost {
    constructor() {
        this.connected = 1;
        this.mapUrl = 'map-library.js';
        this.gpsData = [0];
        this.gridData = null;
        this.position = '0';
        this.lat = 0;
        this.lng = 0;
        this.status = '';
        this.calls = [];
        this.listeners = [];
        this.webMessage = { connect: (fn) => this.listeners.push(fn) };
    }
    log(name, args) { this.calls.push({ name, args: Array.from(args) }); }
    called(name) { return this.calls.filter((c) => c.name === name); }
    JS2C_ConnectTest(cb) { this.log('JS2C_ConnectTest', []); cb(this.connected); }
    JS2C_GetMapURL(cb) { this.log('JS2C_GetMapURL', []); cb(this.mapUrl); }
    JS2C_GetGPSData(cb) { this.log('JS2C_GetGPSData', []); cb(this.gpsData); }
    JS2C_GetGridData(arg, cb) { this.log('JS2C_GetGridData', [arg]); cb(this.gridData); }
    JS2C_GetRelJpgNum(cb) { this.log('JS2C_GetRelJpgNum', []); cb(this.position); }
    JS2C_OnClickCrashPoint(...args) {
        const cb = args.pop();
        this.log('JS2C_OnClickCrashPoint', args);
        cb();
    }
    JS2C_OnInitHtml(cb) { this.log('JS2C_OnInitHtml', []); cb(); }
    JS2C_SetSend(cb) {
        this.log('JS2C_SetSend', []);
        const text = `{"map_lat":"${this.lat.toFixed(6)}","map_lng":"${this.lng.toFixed(6)}",` +
            `"map_status":"${this.status}","val_command":"update","val_end":""}`;
        for (const fn of this.listeners) fn(text);
        cb();
    }
}

function makeDocument() {
    const fields = {
        map_canvas: { id: 'map_canvas' },
        map_lat: { value: '' },
        map_lng: { value: '' },
        map_status: { value: 'ready' },
    };
    const body = {
        children: [],
        appendChild(node) { this.children.push(node); node.parentNode = this; },
        removeChild(node) {
            this.children = this.children.filter((c) => c !== node);
            node.parentNode = null;
        },
    };
    return {
        fields,
        body,
        getElementById: (id) => fields[id],
        createElement: (tag) => ({ tag }),
    };
}

// A page with its script loaded; nothing started yet.
function loadPage() {
    const provider = new FakeProvider();
    const host = new FakeHost();
    const document = makeDocument();
    const timers = [];
    const context = {
        document,
        window: {},
        console,
        setTimeout: (fn, ms) => { timers.push({ fn, ms }); },
    };
    vm.createContext(context);
    vm.runInContext(fs.readFileSync(pageScript, 'utf8'), context, { filename: pageScript });

    const page = {
        context, provider, host, document, timers,
        // Waits until every queued entry point of the page has run.
        async settle() {
            for (let i = 0; i < 50; i++) {
                const turns = context.g_turns;
                await turns;
                await new Promise((resolve) => setImmediate(resolve));
                if (context.g_turns === turns) return;
            }
            throw new Error('the page did not settle');
        },
        // Runs one poll (what the one-second timer does).
        async poll() {
            context.show();
            await page.settle();
        },
        // The page started, the library requested and loaded: the map exists.
        async open() {
            context.start(host, provider);
            await page.settle();
            context.loadLibs();
            await page.settle();
        },
        run(script) { return vm.runInContext(script, context); },
    };
    return page;
}

// A track array as the host sends it.
function track(samples) {
    const values = [];
    for (const [lat, lng, frame] of samples) values.push(lat, lng, frame);
    values.push(values.length);
    return values;
}

module.exports = { loadPage, track };
