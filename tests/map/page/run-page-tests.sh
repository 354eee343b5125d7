#!/usr/bin/env bash
# Runs the map page's script tests with Node's own test runner; skipped
# (exit 77) when node is not installed.
set -euo pipefail
command -v node >/dev/null 2>&1 || { echo "node not found: map page tests skipped"; exit 77; }
cd "$(dirname "$0")"
exec node --test ./*.test.js
