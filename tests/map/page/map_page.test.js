'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { loadPage, track } = require('./page_harness.js');

// Values made in the page's context, as plain values of this one.
const plain = (value) => JSON.parse(JSON.stringify(value));

const BLUE = '#0000FF';
const RED = '#FF0000';

// Pieces as [start, end] pairs.
function pieces(page) {
    return plain(page.context.orbitgrplist.orbitlist.map((p) => [p.start, p.end]));
}

test('a track is split where consecutive samples lie more than 0.001385 degrees apart', async (t) => {
    const cases = [
        { name: 'the second step of 0.0025 degrees', points: [[35.0, 139.0], [35.0005, 139.0], [35.003, 139.0]], want: [[0, 1], [2, 2]] },
        { name: 'one sample', points: [[35.0, 139.0]], want: [[0, 0]] },
        { name: 'no samples', points: [], want: [] },
        { name: 'just under the threshold', points: [[0, 0], [0.00138, 0]], want: [[0, 1]] },
        { name: 'just over the threshold', points: [[0, 0], [0.00139, 0]], want: [[0, 0], [1, 1]] },
        // Longitude steps shrink with the cosine of the latitude: 0.0025 degrees
        // east is a gap at the equator but not at 60 degrees north.
        { name: 'east step at the equator', points: [[0, 10], [0, 10.0025]], want: [[0, 0], [1, 1]] },
        { name: 'east step at 60 degrees', points: [[60, 10], [60, 10.0025]], want: [[0, 1]] },
        { name: 'two gaps', points: [[1, 1], [1.01, 1], [1.0101, 1], [1.02, 1]], want: [[0, 0], [1, 2], [3, 3]] },
    ];
    for (const c of cases) {
        await t.test(c.name, async () => {
            const page = loadPage();
            await page.open();
            const list = new page.context.PointList();
            list.GetPoints(track(c.points.map(([lat, lng], i) => [lat, lng, i])));
            page.context.orbitgrplist.GetOrbitGroup(list);
            assert.deepEqual(pieces(page), c.want);
        });
    }
});

test('the marker index is the sample before the first one that reaches the position', async (t) => {
    const cases = [
        { position: '20', want: 0 }, { position: '25', want: 1 }, { position: '5', want: 0 },
        { position: '35', want: 2 }, { position: '10', want: 0 }, { position: '30', want: 1 },
        { position: '-1', want: -1 },
    ];
    for (const c of cases) {
        await t.test(`position ${c.position}`, async () => {
            const page = loadPage();
            await page.open();
            page.context.orbitgrplist.gridlist.JpgNumList = [10, 20, 30];
            page.host.position = c.position;
            assert.equal(await page.context.orbitgrplist.GetIndex(), c.want);
        });
    }
    await t.test('an empty track gives 0, and -1 keeps the last position', async () => {
        const page = loadPage();
        await page.open();
        page.host.position = '7';
        assert.equal(await page.context.orbitgrplist.GetIndex(), 0);
        assert.equal(page.context.g_lastJpgNum, 7);
        page.host.position = '-1';
        await page.context.orbitgrplist.GetIndex();
        assert.equal(page.context.g_lastJpgNum, 7);
    });
});

// Two pieces: samples 0-2 at frames 10, 20, 30, a gap, samples 3-5 at 40, 50, 60;
// and a track with a one-sample piece at sample 2.
const twoPieces = track([
    [35.0, 139.0, 10], [35.0002, 139.0, 20], [35.0004, 139.0, 30],
    [35.01, 139.0, 40], [35.0102, 139.0, 50], [35.0104, 139.0, 60],
]);
const singleInMiddle = track([
    [35.0, 139.0, 10], [35.0002, 139.0, 20], [35.01, 139.0, 30], [35.02, 139.0, 40], [35.0202, 139.0, 50],
]);

test('moving the marker draws the driven part blue and the rest red', async (t) => {
    // Each drawn line as colour and the sample range it covers.
    const cases = [
        { name: 'before the first sample', data: twoPieces, position: '5', index: 0,
          want: [[RED, 0, 2], [RED, 3, 5]] },
        { name: 'inside the first piece', data: twoPieces, position: '25', index: 1,
          want: [[BLUE, 0, 1], [RED, 1, 2], [RED, 3, 5]] },
        { name: 'at the end of the first piece', data: twoPieces, position: '35', index: 2,
          want: [[BLUE, 0, 2], [RED, 3, 5]] },
        { name: 'at the first sample of the second piece', data: twoPieces, position: '45', index: 3,
          want: [[BLUE, 0, 2], [RED, 3, 5]] },
        { name: 'past the end', data: twoPieces, position: '99', index: 5,
          want: [[BLUE, 0, 2], [BLUE, 3, 5]] },
        { name: 'on a piece of one sample', data: singleInMiddle, position: '35', index: 2,
          want: [[BLUE, 0, 1], [BLUE, 2, 2], [RED, 3, 4]] },
    ];
    for (const c of cases) {
        await t.test(c.name, async () => {
            const page = loadPage();
            await page.open();
            page.host.gridData = c.data;
            page.host.position = c.position;
            await page.run('orbitgrplist.CreateGridLine(3)');
            await page.settle();

            const points = page.context.orbitgrplist.gridlist.points;
            const drawn = page.provider.liveLines().map((l) => [
                l.style.color, points.indexOf(l.points[0]), points.indexOf(l.points[l.points.length - 1]),
            ]);
            assert.deepEqual(drawn, c.want);
            for (const line of page.provider.liveLines()) {
                assert.equal(line.style.opacity, line.style.color === BLUE ? 1.0 : 0.9);
                assert.equal(line.style.zIndex, 2);
                assert.equal(line.style.weight, 3);
                assert.equal(line.style.clickable, false);
                assert.equal(line.style.geodesic, false);
            }
            const marker = page.provider.liveMarkers().at(-1);
            assert.equal(marker.point, points[c.index]);
            assert.equal(marker.icon, null);
            assert.deepEqual(plain(page.host.called('JS2C_GetGridData')[0].args), [0]);
        });
    }

    await t.test('a second move replaces the lines of the first', async () => {
        const page = loadPage();
        await page.open();
        page.host.gridData = twoPieces;
        page.host.position = '25';
        page.run('orbitgrplist.CreateGridLine(0)');
        page.host.position = '55';
        page.run('orbitgrplist.MoveMarker()');
        await page.settle();
        const drawn = page.provider.liveLines().map((l) => l.style.color);
        assert.deepEqual(drawn, [BLUE, BLUE, RED]);
    });

    await t.test('without a track the marker goes to the last position read', async () => {
        const page = loadPage();
        await page.open();
        page.host.lat = 35.5;
        page.host.lng = 139.25;
        page.host.position = '12';
        await page.poll();
        assert.equal(page.provider.liveLines().length, 0);
        assert.deepEqual(plain(page.provider.liveMarkers().at(-1).point), { lat: 35.5, lng: 139.25 });
    });

    await t.test('RemoveLineList takes the driven and remaining lines off', async () => {
        const page = loadPage();
        await page.open();
        page.host.gridData = twoPieces;
        page.host.position = '25';
        page.run('orbitgrplist.CreateGridLine(0)');
        page.run('orbitgrplist.RemoveLineList()');
        await page.settle();
        assert.equal(page.provider.liveLines().length, 0);
        assert.equal(page.context.orbitgrplist.histline.length, 0);
        assert.equal(page.context.orbitgrplist.schline.length, 0);
    });
});

test('the folder track is drawn red, half transparent, under the recording track', async (t) => {
    const cases = [
        { name: 'two pieces', data: twoPieces, want: [[0, 2], [3, 5]] },
        { name: 'no samples', data: [0], want: [] },
        { name: 'no telemetry', data: null, want: [] },
    ];
    for (const c of cases) {
        await t.test(c.name, async () => {
            const page = loadPage();
            await page.open();
            page.host.gpsData = c.data;
            page.run('orbitgrplist.CreateLine()');
            await page.settle();
            const points = page.context.orbitgrplist.grplist.points;
            const lines = page.context.orbitgrplist.grpline;
            assert.deepEqual(plain(lines.map((l) => [points.indexOf(l.points[0]), points.indexOf(l.points.at(-1))])), c.want);
            for (const l of lines) {
                assert.deepEqual([l.style.color, l.style.opacity, l.style.zIndex], [RED, 0.5, 1]);
            }
        });
    }
    await t.test('drawing it again removes the old lines', async () => {
        const page = loadPage();
        await page.open();
        page.host.gpsData = twoPieces;
        page.run('orbitgrplist.CreateLine()');
        page.run('orbitgrplist.CreateLine()');
        await page.settle();
        assert.equal(page.provider.liveLines().length, 2);
        assert.equal(page.provider.polylines.length, 4);
    });
});

test('the poll moves the marker only while playing with a position', async (t) => {
    const cases = [
        { name: 'playing', status: '', lat: 35.5, lng: 139.2, moves: true },
        { name: 'paused', status: 'pause', lat: 35.5, lng: 139.2, moves: false },
        { name: 'paused, any case', status: 'Pause', lat: 35.5, lng: 139.2, moves: false },
        { name: 'stopped', status: 'STOP', lat: 35.5, lng: 139.2, moves: false },
        { name: 'no position, position already read', status: '', lat: 0, lng: 0, moves: false },
        { name: 'latitude 0 alone', status: '', lat: 0, lng: 139.2, moves: false },
    ];
    for (const c of cases) {
        await t.test(c.name, async () => {
            const page = loadPage();
            await page.open();
            page.host.position = '40';
            await page.poll(); // the first poll reads a position (g_lastJpgNum was -1)
            page.host.calls = [];
            Object.assign(page.host, { status: c.status, lat: c.lat, lng: c.lng });
            await page.poll(); // the message of this poll arrives before the fields are read
            assert.equal(page.host.called('JS2C_GetRelJpgNum').length, c.moves ? 1 : 0);
        });
    }
    await t.test('the poll asks for the update message and re-arms itself every second', async () => {
        const page = loadPage();
        page.context.start(page.host, page.provider);
        await page.settle();
        assert.equal(page.host.called('JS2C_SetSend').length, 1);
        assert.equal(page.timers.length, 1);
        assert.equal(page.timers[0].ms, 1000);
        page.timers.shift().fn();
        await page.settle();
        assert.equal(page.host.called('JS2C_SetSend').length, 2);
        assert.equal(page.timers.length, 1);
    });
    await t.test('only update messages reach the fields', async () => {
        const page = loadPage();
        page.context.start(page.host, page.provider);
        await page.settle();
        const fields = page.document.fields;
        page.host.listeners[0]('{"map_lat":"1.5","map_lng":"2.5","map_status":"stop","val_command":"other"}');
        assert.equal(fields.map_status.value, '');
        page.host.listeners[0]('{"map_lat":"1.5","map_lng":"2.5","map_status":"stop","val_command":"update"}');
        assert.deepEqual([fields.map_lat.value, fields.map_lng.value, fields.map_status.value], ['1.5', '2.5', 'stop']);
    });
    await t.test('a position of 1000 degrees or more only tests the connection, once', async () => {
        const page = loadPage();
        page.host.lat = 1000;
        page.host.lng = 1000;
        page.context.start(page.host, page.provider);
        await page.settle();
        await page.poll();
        assert.equal(page.host.called('JS2C_ConnectTest').length, 1);
        assert.equal(page.context.g_isInit, true);
    });
});

test('the map library is loaded while connected and dropped when the connection goes', async () => {
    const page = loadPage();
    const { context, host, provider, document } = page;
    host.mapUrl = 'qrc:///map/leaflet/leaflet.js';

    // offline: nothing is loaded
    host.connected = 0;
    context.start(host, provider);
    await page.settle();
    assert.equal(document.body.children.length, 0);
    assert.equal(context.g_isStartInitConnect, false);

    // loading: one script element with the host's address
    host.connected = 1;
    await page.poll();
    await page.poll();
    assert.equal(document.body.children.length, 1);
    assert.equal(document.body.children[0].src, 'qrc:///map/leaflet/leaflet.js');
    assert.equal(document.body.children[0].type, 'text/javascript');
    assert.equal(provider.scripts.length, 1);
    assert.equal(context.g_isStartInitConnect, true);
    assert.equal(context.g_isInitConnect, false);

    // loaded: the map at (0, 0), zoom 16, the host told
    context.loadLibs();
    await page.settle();
    assert.equal(provider.maps.length, 1);
    assert.deepEqual(plain([provider.maps[0].center, provider.maps[0].zoom]), [{ lat: 0, lng: 0 }, 16]);
    assert.equal(host.called('JS2C_OnInitHtml').length, 1);
    assert.equal(context.g_isInitConnect, true);
    assert.equal(context.window.onerror(), true);

    // offline again: the map and the script go
    host.connected = 0;
    await page.poll();
    assert.equal(provider.maps[0].dropped, true);
    assert.equal(context.g_map, null);
    assert.equal(context.g_script, null);
    assert.equal(document.body.children.length, 0);
    page.run('orbitgrplist.CreateGridLine(0)');
    page.run('cplist.AddCrashPos(5,0,0,0,0,0,10,35,139,1,0,0)');
    await page.settle();
    assert.equal(provider.polylines.length, 0);
    assert.equal(context.cplist.markers.length, 0);

    // back online: a fresh script element
    host.connected = 1;
    await page.poll();
    assert.equal(document.body.children.length, 1);
    assert.notEqual(document.body.children[0], provider.scripts[0]);
});

test('nothing is drawn before the map library has loaded', async () => {
    const page = loadPage();
    page.host.gridData = twoPieces;
    page.host.gpsData = twoPieces;
    page.context.start(page.host, page.provider);
    await page.settle();
    for (const script of ['orbitgrplist.CreateLine()', 'orbitgrplist.CreateGridLine(0)',
        'orbitgrplist.MoveMarker()', 'cplist.AddCrashPos(0,0,0,0,0,0,10,35,139,1,0,0)']) {
        page.run(script);
    }
    await page.settle();
    assert.equal(page.provider.polylines.length, 0);
    assert.equal(page.provider.markers.length, 0);
    assert.equal(page.host.called('JS2C_GetGridData').length, 0);
});

test('event points', async (t) => {
    await t.test('each code has its icon; the five G-sensor codes share one', async () => {
        const page = loadPage();
        await page.open();
        for (let code = 0; code <= 12; code++) {
            page.run(`cplist.AddCrashPos(${code},0.1,0.2,0.3,0,4,${100 + code},35.1,139.1,1,40,0)`);
        }
        await page.settle();
        const icons = page.context.cplist.markers.map((cp) => cp.marker.icon.url);
        assert.equal(new Set(icons.slice(0, 5)).size, 1);
        assert.equal(new Set(icons).size, 9);
        for (const cp of page.context.cplist.markers) {
            assert.deepEqual(plain(cp.marker.icon.size), [32, 32]);
            assert.deepEqual(plain(cp.marker.icon.anchor), [16, 32]);
            assert.deepEqual(plain(cp.marker.icon.shadow.size), [49, 32]);
            assert.deepEqual(plain(cp.marker.icon.shadow.origin), [0, 0]);
            assert.deepEqual(plain(cp.marker.icon.shadow.anchor), [16, 32]);
        }
        page.run('cplist.ClearCrashPos()');
        await page.settle();
        assert.equal(page.context.cplist.markers.length, 0);
        assert.equal(page.provider.markers.filter((m) => m.icon && !m.removed).length, 0);
    });

    const clicks = [
        { name: 'north-east: the host is told and the marker moves', lat: 35.6, lng: 139.7, moves: true },
        { name: 'south: the host is told, the marker stays', lat: -33.9, lng: 151.2, moves: false },
        { name: 'west: the host is told, the marker stays', lat: 51.5, lng: -0.1, moves: false },
    ];
    for (const c of clicks) {
        await t.test(c.name, async () => {
            const page = loadPage();
            await page.open();
            page.run(`cplist.AddCrashPos(8,0.5,-0.25,1,0,3,250,${c.lat},${c.lng},1,72.5,0)`);
            page.run(`cplist.AddCrashPos(9,0,0,0,0,3,300,${c.lat},${c.lng},1,10,0)`);
            await page.settle();
            page.host.calls = [];
            page.context.cplist.markers[0].marker.onClick();
            await page.settle();
            assert.deepEqual(plain(page.host.called('JS2C_OnClickCrashPoint').map((x) => x.args)),
                [[0, 3, 250, 1, c.lat, c.lng, 72.5, 0]]);
            assert.equal(page.host.called('JS2C_GetRelJpgNum').length, c.moves ? 1 : 0);
        });
    }
});
