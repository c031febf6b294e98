#!/usr/bin/env bash
# Installs the Debian packages that building and running need; with --tests, also those that the
# tests, the fuzz runs and the benchmarks need. Safe to run again.
set -euo pipefail

PAQUETS=(
  g++ cmake ninja-build pkgconf
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev
  libbz2-dev libfreeimage-dev libavahi-client-dev libssl-dev
  qt6-translations-l10n
  # The conversation history's database driver
  libqt6sql6-sqlite
  fonts-dejavu-core fonts-liberation2 fonts-comic-neue
  # xvfb-run, which run.sh advises where there is no display
  xvfb xauth
)
if [ "${1:-}" = "--tests" ]; then
  PAQUETS+=(
    # libFuzzer, for the fuzz runs under CI; the source layout check
    clang libclang-rt-14-dev clang-format
    # Network namespaces for each test program and the end-to-end run; a shaped link (tc) and
    # resets made on the way (nft) for the transfer tests
    iproute2 nftables
    # A capture on the end-to-end run's cable: nothing of the conversation may be read there
    tcpdump
    # Tests on a real display: typing into windows, a window manager, a tray host, window
    # properties, screenshots.
    xdotool openbox trayer x11-utils imagemagick
    # The file benchmarks' reference copies; reading the user guide back in its test
    socat tar poppler-utils
    # The network window's tests: an mDNS daemon on a private system bus per network namespace
    avahi-daemon dbus-daemon avahi-utils
    # The Debian package and its checks: cpack's dependency scan (dpkg-shlibdeps, file), the desktop
    # entry, the AppStream file, lintian; debootstrap for scripts/essai-debootstrap.sh
    dpkg-dev file desktop-file-utils appstream lintian debootstrap
    # The screen-reader test: the accessibility bus and its Python bindings on a private session bus
    python3 python3-pyatspi at-spi2-core dbus
    # A dark desktop theme forced through Qt's GTK platform theme
    qt6-gtk-platformtheme
  )
fi

manquants=()
for p in "${PAQUETS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    manquants+=("$p")
  fi
done
[ ${#manquants[@]} -eq 0 ] && exit 0

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    {
      echo "Paquets manquants / missing packages: ${manquants[*]}"
      echo "sudo n'est pas installé : lancez en root (su -) / sudo is not installed: as root (su -), run:"
      echo "  apt-get update && apt-get install --no-install-recommends ${manquants[*]}"
    } >&2
    exit 1
  fi
  SUDO=(sudo)
fi
echo "Installing: ${manquants[*]}"
"${SUDO[@]}" apt-get update
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${manquants[@]}"
