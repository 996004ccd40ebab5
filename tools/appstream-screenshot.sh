#!/usr/bin/env bash
# Makes the screenshot that the AppStream metadata shows (software centres
# fetch it from <LAUNCHER_HOMEPAGE>/appstream/login.png): the demo on a virtual
# screen, cut to the main window, with the window's own transparency around
# its picture.
set -euo pipefail
cd "$(dirname "$0")/.."
(unset DISPLAY && bash tools/demo.sh)

# The demo keeps a screenshot of each step; the second shows the login page.
# Its screen is 1920 x 1080 and the window stands centred on it.
picture=res/155-background.png
read -r width height < <(identify -format '%w %h\n' "$picture")
x=$(((1920 - width) / 2))
y=$(((1080 - height) / 2))
mkdir -p res/appstream
convert build/demo/02-page.png -crop "${width}x${height}+${x}+${y}" +repage \
  \( "$picture" -alpha extract \) -alpha off -compose CopyOpacity -composite \
  -strip -define png:compression-level=9 res/appstream/login.png
echo "appstream-screenshot: res/appstream/login.png"
