#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and the
# demo need. Safe to run again: it does nothing when all of them are present.
set -euo pipefail

packages=(
  # Build
  build-essential cmake pkg-config git
  libgtk-3-dev libx11-dev libxext-dev libwayland-dev libwebkit2gtk-4.1-dev libcurl4-openssl-dev libjsoncpp-dev libssl-dev
  libglib2.0-dev-bin
  # Gamepads: SDL's game controller layer and its mapping database; the GUI
  # tests drive the program with SDL's own virtual pad (2.24 or later)
  libsdl2-dev
  # The system trust store that https origins' certificates are checked against
  ca-certificates
  # Tests
  libgtest-dev libgmock-dev libcpp-httplib-dev locales
  # The proxy tests: GIO's proxy resolvers (the environment's, GNOME's), the
  # desktop's settings they read, and libproxy's JavaScript runner, without
  # which GIO takes a PAC file for no proxy at all
  glib-networking gsettings-desktop-schemas libproxy1-plugin-webkit
  xvfb xauth openbox xcompmgr xdotool x11-utils wmctrl imagemagick
  # More window managers the window tests run under (xfwm4 reads its
  # settings over a session bus)
  xfwm4 metacity dbus-bin
  # The Wayland desktops the tests run on (tests/gui/wayland_session.py),
  # each nested on an Xvfb, with XWayland for the X11 clients: weston, sway,
  # GNOME's mutter and KDE's KWin
  weston sway xwayland mutter kwin-wayland
  # The wallpaper sway's stock configuration names: without it sway shows a bar
  # of configuration errors over the screen
  sway-backgrounds
  # sway's XWayland lets in only its own user until xhost says otherwise
  x11-xserver-utils
  # A tiling window manager, run with its stock configuration
  i3-wm
  # What a screen reader reads of the windows (tests/gui/accessibility.py):
  # a session bus with at-spi2-core's accessibility bus on it (gdbus waits
  # for it), read through the system Python's AT-SPI bindings
  dbus-daemon libglib2.0-bin at-spi2-core python3-gi gir1.2-atspi-2.0
  python3
  # The https tests make their own certificate authority (tests/with-test-ca.sh)
  openssl
  # Fonts the windows draw with: a CJK face and Arial's metric twin
  fonts-noto-cjk fonts-liberation2
  # The publisher's signing command, tools/sign-launcher.sh
  openssl
  # The release package (cpack -G DEB finds the programs with file and reads
  # their dependencies with dpkg-shlibdeps) and the checks the package tests
  # run on it and on its manual page
  file dpkg-dev lintian desktop-file-utils appstream man-db
  # The sources' checks (tools/lint.sh)
  clang-format clang-tidy
  # The helper that starts a Windows game launcher under Wine, and the
  # tests' Windows probes, are cross-compiled for 32- and 64-bit Windows
  gcc-mingw-w64-i686-win32 gcc-mingw-w64-x86-64-win32
  # Wine, with its 32-bit half (from the i386 architecture, added below),
  # starts those Windows programs in the tests and the demo
  wine wine64 wine32:i386
  # Benchmarks
  curl time hyperfine
  # Fuzzing (tools/fuzz.sh): clang with libFuzzer and the sanitizer runtimes,
  # and llvm-symbolizer for readable stack traces
  clang libclang-rt-dev llvm
)

# wine32 comes from the i386 architecture, which a fresh amd64 machine lacks.
multiarch=0
if [[ $(dpkg --print-architecture) == amd64 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  multiarch=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "install-deps: missing packages: ${missing[*]}; run this script as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if ((multiarch)); then
    dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails one index or another (seen: the security
  # suite's i386 one, for hours). What was fetched is still good: go on.
  indexes_whole=1
  if ! apt-get update -qq; then
    indexes_whole=0
    echo "install-deps: some package indexes could not be fetched; going on with the others" >&2
  fi
  if ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    ((indexes_whole == 0)) || exit 1
    # Without an architecture's index of one suite, the two architectures
    # see different versions of the same library, and multiarch packages
    # (wine32:i386) need the same on both: take the release's own versions.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "install-deps: installing from $release alone, whose versions both architectures have" >&2
    apt-get install -y -qq --no-install-recommends -t "$release" "${missing[@]}" >/dev/null
  fi
fi

# The text conversion tests run under these locales; Wine gives Windows
# programs the players' code page (936) under the Chinese UTF-8 one.
# Every needed line is in /etc/locale.gen before locale-gen runs, and it
# keeps what the machine has: otherwise a locale made by other means (one
# not listed there) would be lost when another one is generated.
need_locales=(en_US.UTF-8 zh_CN.GB18030 zh_CN.UTF-8)
have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | tr -d '-')
gen=0
for l in "${need_locales[@]}"; do
  key=$(echo "$l" | tr 'A-Z' 'a-z' | tr -d '-')
  grep -qx "$key" <<<"$have" || gen=1
done
if ((gen)); then
  for l in "${need_locales[@]}"; do
    charset=${l#*.}
    grep -q "^$l $charset" /etc/locale.gen 2>/dev/null || echo "$l $charset" >>/etc/locale.gen
  done
  locale-gen --keep-existing >/dev/null
fi
