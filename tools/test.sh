#!/usr/bin/env bash
# Installs, builds and runs every test. The GUI tests get an X server of
# their own, large enough for the 1334-pixel-wide window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
  ctest --test-dir build --output-on-failure -j"$(nproc)"
