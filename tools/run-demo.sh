#!/usr/bin/env bash
# Installs what is missing, builds Kolvista, makes the demo card (once) and
# shows it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

build=${KOLVISTA_BUILD_DIR:-build-demo}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOLVISTA_TESTS=OFF \
  -DKOLVISTA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

card=${KOLVISTA_DEMO_CARD:-demo-card}
if [ ! -f "$card/DRFormatConfig.dfc" ]; then
  echo "Making the demo card in $card ..."
  "$build/tools/cardmaker/kolvista-mkcard" --out "$card"
fi

echo
echo "The demo card in $card:"
for f in "$card"/Normal/Front/*.AVI; do
  [ -e "$f" ] || continue
  "$build/cli/kolvista-cli" info "$f" | head -n 3 || true
done
echo
echo "Starting the viewer on $card. Until the file browser is built, the card's"
echo "recordings form one list: the first is opened; Next/Previous move through it."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running under xvfb-run for five seconds instead."
  timeout 5 xvfb-run -a -s '-screen 0 1600x1000x24' "$build/app/kolvista" "$card" || true
  exit 0
fi
exec "$build/app/kolvista" "$card"
