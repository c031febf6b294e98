#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Safe to run again.
set -euo pipefail

PAQUETS=(
  g++ cmake ninja-build
  # libFuzzer, for the fuzz runs under CI
  clang libclang-rt-14-dev
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev
  libbz2-dev libfreeimage-dev libavahi-client-dev
  qt6-translations-l10n
  # The conversation history's database driver
  libqt6sql6-sqlite
  xvfb xauth iproute2
  fonts-dejavu-core fonts-liberation2 fonts-comic-neue
  # Tests on a real display: typing into windows, a window manager, a tray host, window
  # properties, screenshots.
  xdotool openbox trayer x11-utils imagemagick
  # The file benchmark's reference copy; reading the user guide back in its test
  socat poppler-utils
  # The network window's tests: an mDNS daemon on a private system bus per network namespace
  avahi-daemon dbus-daemon avahi-utils
)

manquants=()
for p in "${PAQUETS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    manquants+=("$p")
  fi
done
[ ${#manquants[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${manquants[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${manquants[@]}"
