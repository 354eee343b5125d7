#!/usr/bin/env bash
# Refreshes the Leaflet files the map page is built with (resources/map/leaflet)
# from the npm registry: the script, its style sheet, its marker images and
# its licence (BSD-2-Clause). The files are kept in the repository so that a
# build needs no network; run this by hand to move to another version.
set -euo pipefail
cd "$(dirname "$0")/.."

version=${1:-1.9.4}
target=resources/map/leaflet
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && npm pack --silent "leaflet@$version" >/dev/null)
tar -xzf "$work/leaflet-$version.tgz" -C "$work"

rm -rf "$target"
mkdir -p "$target/images"
cp "$work/package/dist/leaflet.js" "$work/package/dist/leaflet.css" "$target/"
cp "$work/package/dist/images/"*.png "$target/images/"
cp "$work/package/LICENSE" "$target/LICENSE"
echo "$version" >"$target/VERSION"
# The bundled script names its source map, which is not shipped.
sed -i '/^\/\/# sourceMappingURL=/d' "$target/leaflet.js"
echo "fetch-leaflet: Leaflet $version in $target"
