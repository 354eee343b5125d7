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
echo "The viewer is not built yet: showing the demo card with kolvista-cli instead."
echo
for f in "$card"/Normal/Front/*.AVI "$card"/Parking/Front/*.AVI; do
  [ -e "$f" ] || continue
  echo "== $f"
  "$build/cli/kolvista-cli" info "$f" || true
  echo
done
first=$(ls "$card"/Normal/Front/*.AVI 2>/dev/null | head -n 1)
if [ -n "$first" ]; then
  echo "== telemetry of $first (first 20 records)"
  "$build/cli/kolvista-cli" telemetry "$first" | head -n 21
fi
