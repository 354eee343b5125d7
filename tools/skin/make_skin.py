#!/usr/bin/env python3
"""Writes the viewer's skin artwork as SVG files into resources/skin/.

Every image is named after the bitmap number the windows load it by. Button
skins are strips of four equal frames side by side: normal, hover, pressed or
on, disabled. Run it again after changing a picture here; the SVG files are
committed so the build does not need Python.

    python3 tools/skin/make_skin.py [output folder]
"""

import math
import os
import sys

# One look for the whole viewer: dark surfaces, rounded shapes, one blue accent.
BG = "#1b1f24"          # main window background
SURFACE = "#262c33"     # resting button face
SURFACE_HOVER = "#323a44"
SURFACE_DISABLED = "#20252a"
EDGE = "#38414b"
GLYPH = "#d5dbe1"
GLYPH_DISABLED = "#59626c"
ACCENT = "#3b8eea"
ACCENT_DARK = "#2a6fc0"
ACCENT_LIGHT = "#cfe5ff"
DANGER = "#e5484d"
DANGER_DARK = "#b8323a"
WHITE = "#ffffff"
FONT = "Meiryo, 'Noto Sans CJK JP', sans-serif"


def svg(width, height, body):
    return (
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
        f'viewBox="0 0 {width} {height}">\n{body}</svg>\n'
    )


# ---------------------------------------------------------------------------
# Tool-bar pictograms on a 24 × 24 grid; "{c}" is the glyph colour.


def gear(cx, cy, teeth=8, outer=9.5, inner=7.2, hole=3.2):
    points = []
    for i in range(teeth * 4):
        angle = 2 * math.pi * i / (teeth * 4) - math.pi / 2
        r = outer if (i % 4) in (1, 2) else inner
        points.append(f"{cx + r * math.cos(angle):.2f},{cy + r * math.sin(angle):.2f}")
    return (
        f'<path fill="{{c}}" fill-rule="evenodd" d="M{" L".join(points)} Z '
        f'M{cx + hole},{cy} A{hole},{hole} 0 1 0 {cx - hole},{cy} A{hole},{hole} 0 1 0 {cx + hole},{cy} Z"/>'
    )


TRIANGLE = 'stroke="{c}" stroke-width="1.6" stroke-linejoin="round" fill="{c}"'

GLYPHS = {
    # 148 play
    "play": f'<path {TRIANGLE} d="M8 5.5 L18.5 12 L8 18.5 Z"/>',
    # 147 pause
    "pause": '<rect x="6.5" y="5.5" width="4" height="13" rx="1.2" fill="{c}"/>'
    '<rect x="13.5" y="5.5" width="4" height="13" rx="1.2" fill="{c}"/>',
    # 154 stop and back to the start
    "first": '<rect x="6" y="6" width="12" height="12" rx="2" fill="{c}"/>',
    # 144 previous recording: bar and two triangles pointing left
    "previous": '<rect x="4" y="6" width="2.4" height="12" rx="1" fill="{c}"/>'
    f'<path {TRIANGLE} d="M13 6.5 L7.5 12 L13 17.5 Z"/>'
    f'<path {TRIANGLE} d="M19.5 6.5 L14 12 L19.5 17.5 Z"/>',
    # 145 next recording
    "next": '<rect x="17.6" y="6" width="2.4" height="12" rx="1" fill="{c}"/>'
    f'<path {TRIANGLE} d="M11 6.5 L16.5 12 L11 17.5 Z"/>'
    f'<path {TRIANGLE} d="M4.5 6.5 L10 12 L4.5 17.5 Z"/>',
    # 142 slower: play sign with a minus
    "slower": f'<path {TRIANGLE} d="M3.5 6 L12 12 L3.5 18 Z"/>'
    '<rect x="14.5" y="10.8" width="7" height="2.4" rx="1.1" fill="{c}"/>',
    # 139 faster: play sign with a plus
    "faster": f'<path {TRIANGLE} d="M3.5 6 L12 12 L3.5 18 Z"/>'
    '<rect x="14.5" y="10.8" width="7" height="2.4" rx="1.1" fill="{c}"/>'
    '<rect x="16.8" y="8.5" width="2.4" height="7" rx="1.1" fill="{c}"/>',
    # 153 still image: camera
    "snapshot": '<path fill="{c}" fill-rule="evenodd" d="M3 8.5 Q3 7 4.5 7 L8 7 L9.5 5 L14.5 5 L16 7 '
    'L19.5 7 Q21 7 21 8.5 L21 17.5 Q21 19 19.5 19 L4.5 19 Q3 19 3 17.5 Z '
    'M12 9.2 A3.8 3.8 0 1 0 12 16.8 A3.8 3.8 0 1 0 12 9.2 Z"/>'
    '<circle cx="12" cy="13" r="2.2" fill="{c}"/>',
    # 150 join: two clips linked
    "join": '<rect x="2.8" y="7" width="7.5" height="10" rx="1.6" fill="none" stroke="{c}" stroke-width="1.8"/>'
    '<rect x="13.7" y="7" width="7.5" height="10" rx="1.6" fill="none" stroke="{c}" stroke-width="1.8"/>'
    '<rect x="7.5" y="10.9" width="9" height="2.2" rx="1.1" fill="{c}"/>',
    # 200 zoom: magnifier with a plus
    "zoom": '<circle cx="10.5" cy="10.5" r="6" fill="none" stroke="{c}" stroke-width="2"/>'
    '<path d="M15 15 L20 20" stroke="{c}" stroke-width="3" stroke-linecap="round"/>'
    '<path d="M10.5 7.8 V13.2 M7.8 10.5 H13.2" stroke="{c}" stroke-width="1.8" stroke-linecap="round"/>',
    # 362 mirror: a shape and its reflection across a dashed axis
    "mirror": f'<path {TRIANGLE} d="M10 6 L10 18 L3.5 18 Z"/>'
    '<path d="M14 6 L14 18 L20.5 18 Z" fill="none" stroke="{c}" stroke-width="1.6" stroke-linejoin="round"/>'
    '<path d="M12 3.5 V20.5" stroke="{c}" stroke-width="1.2" stroke-dasharray="2 1.6"/>',
    # 357 map on/off: folded map with a pin
    "map": '<path d="M3 7 L8.5 5 L15.5 7 L21 5 L21 18 L15.5 20 L8.5 18 L3 20 Z" fill="none" '
    'stroke="{c}" stroke-width="1.6" stroke-linejoin="round"/>'
    '<path d="M8.5 5 V18 M15.5 7 V20" stroke="{c}" stroke-width="1.2"/>'
    '<path fill="{c}" fill-rule="evenodd" d="M12 7.2 A3.2 3.2 0 0 1 15.2 10.4 C15.2 12.6 12 15.6 12 15.6 '
    'C12 15.6 8.8 12.6 8.8 10.4 A3.2 3.2 0 0 1 12 7.2 Z M12 9.2 A1.2 1.2 0 1 0 12 11.6 A1.2 1.2 0 1 0 12 9.2 Z"/>',
    # 146 browse: open folder
    "browse": '<path d="M3 6.5 Q3 5 4.5 5 L9 5 L11 7 L18 7 Q19.5 7 19.5 8.5 L19.5 9.5" fill="none" '
    'stroke="{c}" stroke-width="1.6" stroke-linejoin="round"/>'
    '<path d="M3 6 L3 18 Q3 19 4 19 L17.8 19 Q18.8 19 19.2 18 L21.6 11.6 Q22 10.5 20.8 10.5 L7.6 10.5 '
    'Q6.7 10.5 6.3 11.4 L3.6 18" fill="none" stroke="{c}" stroke-width="1.6" stroke-linejoin="round"/>',
    # 138 delete: waste bin
    "delete": '<path d="M4.5 7 H19.5" stroke="{c}" stroke-width="1.8" stroke-linecap="round"/>'
    '<path d="M9.5 7 V5.2 Q9.5 4.2 10.5 4.2 H13.5 Q14.5 4.2 14.5 5.2 V7" fill="none" stroke="{c}" stroke-width="1.6"/>'
    '<path d="M6.3 9 L7.2 18.8 Q7.3 20 8.5 20 H15.5 Q16.7 20 16.8 18.8 L17.7 9 Z" fill="{c}"/>',
    # 151 settings: gear
    "settings": gear(12, 12),
    # 137 CSV: sheet with a table
    "csv": '<path d="M5 3.5 H14.5 L19 8 V20.5 H5 Z" fill="none" stroke="{c}" stroke-width="1.6" stroke-linejoin="round"/>'
    '<path d="M14.5 3.5 V8 H19" fill="none" stroke="{c}" stroke-width="1.4" stroke-linejoin="round"/>'
    '<path d="M7.5 11 H16.5 M7.5 14 H16.5 M7.5 17 H16.5 M11 11 V18" stroke="{c}" stroke-width="1.3"/>',
    # 356 view switch: main and second picture trading places
    "viewswitch": '<rect x="2.5" y="3.5" width="12" height="9" rx="1.5" fill="none" stroke="{c}" stroke-width="1.6"/>'
    '<rect x="9.5" y="11.5" width="12" height="9" rx="1.5" fill="{c}" stroke="{bg}" stroke-width="1.6"/>'
    '<path d="M16.5 4.5 H17.5 Q20.5 4.5 20.5 7.5 V9" fill="none" stroke="{c}" stroke-width="1.5" stroke-linecap="round"/>'
    '<path d="M18.6 7.4 L20.5 9.4 L22.4 7.4" fill="none" stroke="{c}" stroke-width="1.5" stroke-linecap="round" stroke-linejoin="round"/>'
    '<path d="M7.5 19.5 H6.5 Q3.5 19.5 3.5 16.5 V15" fill="none" stroke="{c}" stroke-width="1.5" stroke-linecap="round"/>'
    '<path d="M1.6 16.6 L3.5 14.6 L5.4 16.6" fill="none" stroke="{c}" stroke-width="1.5" stroke-linecap="round" stroke-linejoin="round"/>',
}

TOOLBAR = {
    137: "csv", 138: "delete", 139: "faster", 142: "slower", 144: "previous", 145: "next",
    146: "browse", 147: "pause", 148: "play", 150: "join", 151: "settings", 153: "snapshot",
    154: "first", 200: "zoom", 356: "viewswitch", 357: "map", 362: "mirror",
}

# (face, edge, glyph) of the four frames: normal, hover, pressed or on, disabled.
BUTTON_FRAMES = [
    (SURFACE, EDGE, GLYPH),
    (SURFACE_HOVER, ACCENT, WHITE),
    (ACCENT, ACCENT_DARK, WHITE),
    (SURFACE_DISABLED, "#2a3037", GLYPH_DISABLED),
]


def toolbar_strip(glyph):
    body = []
    for i, (face, edge, colour) in enumerate(BUTTON_FRAMES):
        body.append(
            f'<g transform="translate({32 * i} 0)">'
            f'<rect x="0.5" y="0.5" width="31" height="31" rx="7" fill="{face}" stroke="{edge}"/>'
            f'<g transform="translate(4 4)">{glyph.replace("{c}", colour).replace("{bg}", face)}</g></g>\n'
        )
    return svg(128, 32, "".join(body))


# ---------------------------------------------------------------------------
# Caption buttons: close 46 × 18, maximise and minimise 26 × 18.


def caption_strip(width, glyph, danger):
    faces = [
        ("none", GLYPH),
        (DANGER if danger else SURFACE_HOVER, WHITE),
        (DANGER_DARK if danger else ACCENT, WHITE),
        ("none", GLYPH_DISABLED),
    ]
    body = []
    for i, (face, colour) in enumerate(faces):
        cx = width / 2
        shape = glyph(cx, 9).replace("{c}", colour)
        back = "" if face == "none" else f'<rect x="0" y="0" width="{width}" height="18" rx="4" fill="{face}"/>'
        body.append(f'<g transform="translate({width * i} 0)">{back}{shape}</g>\n')
    return svg(width * 4, 18, "".join(body))


def close_glyph(cx, cy):
    return (f'<path d="M{cx - 4} {cy - 4} L{cx + 4} {cy + 4} M{cx + 4} {cy - 4} L{cx - 4} {cy + 4}" '
            'stroke="{c}" stroke-width="1.5" stroke-linecap="round"/>')


def maximise_glyph(cx, cy):
    return (f'<rect x="{cx - 4.5}" y="{cy - 4.5}" width="9" height="9" rx="1.5" fill="none" '
            'stroke="{c}" stroke-width="1.4"/>')


def minimise_glyph(cx, cy):
    return f'<path d="M{cx - 4.5} {cy + 0.5} H{cx + 4.5}" stroke="{{c}}" stroke-width="1.5" stroke-linecap="round"/>'


# ---------------------------------------------------------------------------
# Small marks: check box 217, radio 327 (12 × 12), close cross 352 (13 × 12).


def check_strip():
    frames = [
        (WHITE, "#8a939e", None),
        (ACCENT_LIGHT, ACCENT, None),
        (ACCENT, ACCENT_DARK, WHITE),
        ("#aeb5bd", "#8d959e", None),
    ]
    body = []
    for i, (face, edge, tick) in enumerate(frames):
        mark = ""
        if tick:
            mark = (f'<path d="M3 6.2 L5.2 8.4 L9.2 3.8" fill="none" stroke="{tick}" stroke-width="1.7" '
                    'stroke-linecap="round" stroke-linejoin="round"/>')
        body.append(f'<g transform="translate({12 * i} 0)"><rect x="0.5" y="0.5" width="11" height="11" '
                    f'rx="2.2" fill="{face}" stroke="{edge}"/>{mark}</g>\n')
    return svg(48, 12, "".join(body))


def radio_strip():
    frames = [
        (WHITE, "#8a939e", None),
        (ACCENT_LIGHT, ACCENT, None),
        (WHITE, ACCENT, ACCENT),
        ("#e3e6e9", "#b9c0c7", None),
    ]
    body = []
    for i, (face, edge, dot) in enumerate(frames):
        mark = f'<circle cx="6" cy="6" r="3" fill="{dot}"/>' if dot else ""
        body.append(f'<g transform="translate({12 * i} 0)"><circle cx="6" cy="6" r="5.4" fill="{face}" '
                    f'stroke="{edge}" stroke-width="1.1"/>{mark}</g>\n')
    return svg(48, 12, "".join(body))


def close_button_strip():
    colours = ["#2e3339", "#c4000c", "#8e0009", "#a3a8ae"]
    body = []
    for i, colour in enumerate(colours):
        body.append(f'<g transform="translate({13 * i} 0)"><path d="M3.5 3 L9.5 9 M9.5 3 L3.5 9" '
                    f'stroke="{colour}" stroke-width="1.8" stroke-linecap="round"/></g>\n')
    return svg(52, 12, "".join(body))


# ---------------------------------------------------------------------------
# Slider pictures. Only the middle of a bar is painted; the rest stays
# transparent. Bars are stretched piecewise, so they do not change along x.


def bar(width, height, track, colour_top, colour_bottom, name):
    top = (height - track) / 2
    return svg(width, height,
               f'<defs><linearGradient id="{name}" x1="0" y1="0" x2="0" y2="1">'
               f'<stop offset="0" stop-color="{colour_top}"/><stop offset="1" stop-color="{colour_bottom}"/>'
               f'</linearGradient></defs>'
               f'<rect x="0" y="{top}" width="{width}" height="{track}" fill="url(#{name})"/>\n')


def thumb(width, height, face, edge):
    return svg(width, height,
               f'<rect x="0.75" y="0.75" width="{width - 1.5}" height="{height - 1.5}" '
               f'rx="{min(width, height) / 2 - 0.75}" fill="{face}" stroke="{edge}" stroke-width="1.5"/>\n')


# ---------------------------------------------------------------------------
# Kind marks of the folder tree: 21 × 14, a 3 × 2 grid of 7 × 7 slots. Each
# kind fills its own slot; white is the transparent colour where they are
# composed, so nothing here is white.

KIND_SLOTS = {
    315: (0, 0, "G", "#e5484d"),   # impact
    318: (1, 0, "P", "#3b8eea"),   # parking
    346: (2, 0, "O", "#e6b400"),   # speed camera
    316: (0, 1, "M", "#2fa866"),   # manual
    317: (1, 1, "S", "#9b5de5"),   # parking impact
    369: (2, 1, "D", "#0fa3b1"),   # approaching vehicle
}


def kind_grid():
    cells = "".join(
        f'<rect x="{7 * c + 0.5}" y="{7 * r + 0.5}" width="6" height="6" fill="none" '
        f'stroke="#6b747e"/>' for r in range(2) for c in range(3))
    return svg(21, 14, f'<g shape-rendering="crispEdges">{cells}</g>\n')


# 5 × 5 pixel letters, so that they stay legible at 7 pixels.
PIXEL_LETTERS = {
    "G": [" ### ", "#    ", "# ###", "#   #", " ### "],
    "P": ["#### ", "#   #", "#### ", "#    ", "#    "],
    "O": [" ### ", "#   #", "#   #", "#   #", " ### "],
    "M": ["#   #", "## ##", "# # #", "#   #", "#   #"],
    "S": [" ####", "#    ", " ### ", "    #", "#### "],
    "D": ["#### ", "#   #", "#   #", "#   #", "#### "],
}


def kind_mark(column, row, letter, colour):
    x, y = 7 * column, 7 * row
    pixels = "".join(
        f'<rect x="{x + 1 + i}" y="{y + 1 + j}" width="1" height="1"/>'
        for j, line in enumerate(PIXEL_LETTERS[letter]) for i, ch in enumerate(line) if ch == "#")
    return svg(21, 14,
               f'<g shape-rendering="crispEdges"><rect x="{x}" y="{y}" width="7" height="7" fill="{colour}"/>'
               f'<g fill="#f2f4f6">{pixels}</g></g>\n')


# ---------------------------------------------------------------------------
# Acceleration graph scales: 640 × 120, legend in the left 40 columns. The
# curve amplitude is (120 − 6) / (level + 1) pixels per G around y = 60.
# Tiles repeat every 593 columns, so the grid repeats with that period.


def graph_scale(level):
    a = (120 - 6) // (level + 1)
    steps = {0: [0.25, 0.5], 1: [0.5, 1.0], 2: [0.5, 1.0, 1.5], 3: [0.5, 1.0, 1.5, 2.0]}[level]
    labelled = {0: [0.5], 1: [0.5, 1.0], 2: [0.5, 1.0, 1.5], 3: [1.0, 2.0]}[level]
    parts = [
        '<defs><linearGradient id="bg" x1="0" y1="0" x2="0" y2="1">'
        '<stop offset="0" stop-color="#161b21"/><stop offset="0.5" stop-color="#1b2128"/>'
        '<stop offset="1" stop-color="#161b21"/></linearGradient></defs>',
        '<rect width="640" height="120" fill="url(#bg)"/>',
    ]
    for j in range(11):
        x = 40 + round(593 * j / 10)
        if x < 640:
            parts.append(f'<path d="M{x + 0.5} 0 V120" stroke="#262e37" stroke-width="1"/>')
    for g in steps:
        for sign in (1, -1):
            y = 60 - sign * round(a * g)
            if 0 <= y < 120:
                colour = "#34404c" if g in labelled else "#28313a"
                parts.append(f'<path d="M40 {y + 0.5} H640" stroke="{colour}" stroke-width="1"/>')
    parts.append('<path d="M40 60.5 H640" stroke="#4c5866" stroke-width="1"/>')
    parts.append('<rect width="40" height="120" fill="#101419"/>')
    parts.append('<path d="M39.5 0 V120" stroke="#3a434e" stroke-width="1"/>')
    labels = [(0.0, "0")] + [(s * g, f"{s * g:+.1f}G") for g in labelled for s in (1, -1)]
    for value, text in labels:
        y = 60 - round(a * value)
        y_text = min(max(y + 3.5, 8.5), 118)
        parts.append(f'<path d="M34 {y + 0.5} H40" stroke="#8a939e" stroke-width="1"/>')
        parts.append(f'<text x="32" y="{y_text}" font-family="DejaVu Sans, sans-serif" font-size="8.5" '
                     f'text-anchor="end" fill="#aab3bd">{text}</text>')
    return svg(640, 120, "\n".join(parts) + "\n")


def steering_icon():
    # 11 × 11, event code 10 (drive assist: sudden steering), yellow like its pen.
    return svg(11, 11,
               '<circle cx="5.5" cy="5.5" r="4.6" fill="none" stroke="#ffff00" stroke-width="1.5"/>'
               '<circle cx="5.5" cy="5.5" r="1.3" fill="#ffff00"/>'
               '<path d="M1.2 5 H9.8 M5.5 6 V10" stroke="#ffff00" stroke-width="1.2"/>\n')


# ---------------------------------------------------------------------------
# Zoom cursor 191, 32 × 32, hot spot at the lens centre (13, 13).


def zoom_cursor():
    return svg(32, 32,
               '<circle cx="13" cy="13" r="9" fill="#ffffff" fill-opacity="0.18" stroke="#111418" stroke-width="4.5"/>'
               '<circle cx="13" cy="13" r="9" fill="none" stroke="#ffffff" stroke-width="2.2"/>'
               '<path d="M19.8 19.8 L28.5 28.5" stroke="#111418" stroke-width="6.5" stroke-linecap="round"/>'
               '<path d="M19.8 19.8 L28.5 28.5" stroke="#ffffff" stroke-width="3.6" stroke-linecap="round"/>'
               '<path d="M13 8.5 V17.5 M8.5 13 H17.5" stroke="#111418" stroke-width="4" stroke-linecap="round"/>'
               '<path d="M13 8.5 V17.5 M8.5 13 H17.5" stroke="#ffffff" stroke-width="2" stroke-linecap="round"/>\n')


# ---------------------------------------------------------------------------
# Logo 365 and the logo with the no-connection notice 366, 452 × 392.


def lens(cx, cy, r):
    return (f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="#12161b" stroke="{ACCENT}" stroke-width="6"/>'
            f'<circle cx="{cx}" cy="{cy}" r="{r * 0.62}" fill="#0b0e12" stroke="#3a434e" stroke-width="3"/>'
            f'<circle cx="{cx}" cy="{cy}" r="{r * 0.3}" fill="#1d3a5c"/>'
            f'<circle cx="{cx - r * 0.14}" cy="{cy - r * 0.14}" r="{r * 0.09}" fill="#cfe5ff" fill-opacity="0.85"/>')


def logo(notice_lines=None):
    parts = [
        '<defs><radialGradient id="glow" cx="0.5" cy="0.42" r="0.7">'
        '<stop offset="0" stop-color="#232a33"/><stop offset="1" stop-color="#14181d"/></radialGradient></defs>',
        '<rect width="452" height="392" fill="url(#glow)"/>',
        # the road running into the distance under the lens
        '<path d="M170 392 L214 250 L238 250 L282 392 Z" fill="#1f252c"/>',
        '<path d="M226 392 V372 M226 352 V336 M226 320 V308 M226 296 V288 M226 278 V272" '
        'stroke="#4b5560" stroke-width="3"/>',
    ]
    cy = 150 if notice_lines is None else 118
    parts.append(lens(226, cy, 62))
    parts.append(f'<text x="226" y="{cy + 112}" font-family="DejaVu Sans, sans-serif" font-size="34" '
                 f'font-weight="bold" text-anchor="middle" fill="#e6ebf0" letter-spacing="2">Kolvista</text>')
    if notice_lines:
        top = cy + 140
        parts.append(f'<rect x="36" y="{top}" width="380" height="78" rx="12" fill="#2a2219" stroke="#e6a23c" stroke-width="1.5"/>')
        tx, ty = 72, top + 39
        parts.append(f'<path d="M{tx} {ty - 17} L{tx + 19} {ty + 15} L{tx - 19} {ty + 15} Z" fill="#e6a23c" '
                     'stroke="#e6a23c" stroke-width="3" stroke-linejoin="round"/>')
        parts.append(f'<path d="M{tx} {ty - 6} V{ty + 4}" stroke="#2a2219" stroke-width="3.4" stroke-linecap="round"/>')
        parts.append(f'<circle cx="{tx}" cy="{ty + 10}" r="2" fill="#2a2219"/>')
        for i, line in enumerate(notice_lines):
            parts.append(f'<text x="102" y="{top + 33 + 26 * i}" font-family="{FONT}" font-size="16" '
                         f'fill="#f3e6d2">{line}</text>')
    return svg(452, 392, "\n".join(parts) + "\n")


def app_icon():
    return svg(64, 64,
               f'<rect x="2" y="2" width="60" height="60" rx="14" fill="#1b1f24" stroke="{ACCENT}" stroke-width="2"/>'
               + lens(32, 30, 17) +
               '<path d="M24 62 L30 47 L34 47 L40 62 Z" fill="#3a434e"/>\n')


# ---------------------------------------------------------------------------

# The notice of picture 366; the windows show the same words (UI text
# NoConnectionNotice).
NO_CONNECTION = ["インターネットに接続されていないため", "マップを表示できません。"]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "..", "resources", "skin")
    os.makedirs(out, exist_ok=True)
    files = {}
    for number, name in TOOLBAR.items():
        files[number] = toolbar_strip(GLYPHS[name])
    files[155] = caption_strip(46, close_glyph, True)
    files[156] = caption_strip(26, minimise_glyph, False)
    files[157] = caption_strip(26, maximise_glyph, False)
    files[217] = check_strip()
    files[327] = radio_strip()
    files[352] = close_button_strip()
    files[174] = bar(800, 10, 4, "#5aa6f5", ACCENT_DARK, "played")
    files[159] = bar(800, 10, 4, "#5b646e", "#414951", "remaining")
    files[160] = thumb(25, 10, "#e8f1fb", ACCENT)
    files[161] = thumb(25, 10, ACCENT_DARK, "#e8f1fb")
    files[167] = bar(100, 20, 5, "#5aa6f5", ACCENT_DARK, "played")
    files[168] = bar(100, 20, 5, "#5b646e", "#414951", "remaining")
    files[169] = thumb(10, 20, "#e8f1fb", ACCENT)
    files[170] = thumb(10, 20, ACCENT_DARK, "#e8f1fb")
    files[319] = kind_grid()
    for number, (column, row, letter, colour) in KIND_SLOTS.items():
        files[number] = kind_mark(column, row, letter, colour)
    for number, level in ((163, 0), (162, 1), (188, 2), (189, 3)):
        files[number] = graph_scale(level)
    files[176] = steering_icon()
    files[191] = zoom_cursor()
    files[365] = logo()
    files[366] = logo(NO_CONNECTION)
    files[128] = app_icon()
    for number, text in sorted(files.items()):
        with open(os.path.join(out, f"{number}.svg"), "w", encoding="utf-8") as f:
            f.write(text)
    print(f"{len(files)} pictures written to {out}")


if __name__ == "__main__":
    main()
