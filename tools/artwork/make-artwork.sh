#!/usr/bin/env bash
# Rebuilds the launcher's built-in pictures in res/ from the generator in this
# directory. The output is deterministic, so re-running it leaves res/
# unchanged unless the generator (or the cairo/pango/font packages) changed.
# Needs: a C++20 compiler, pkg-config, libgtk-3-dev (brings the cairo, pango
# and libpng headers), fonts-noto-cjk.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-$root/res}

build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT

# shellcheck disable=SC2046  # pkg-config prints several flags on purpose
c++ -std=c++20 -O2 -Wall -Wextra -o "$build/artwork" "$here"/*.cpp \
  $(pkg-config --cflags --libs pangocairo cairo cairo-svg libpng)

mkdir -p "$out"
"$build/artwork" "$out"
echo "make-artwork: pictures written to $out"
