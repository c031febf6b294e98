# Shell helpers for tests that need the local network's mDNS: source it (root only).
# Each side gets a private D-Bus system bus and its own avahi-daemon, so that nothing reaches the
# machine's own bus or daemon, and two sides in two network namespaces see each other.

MDNS_ICI=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# mdns_outils: whether everything needed is there; prints what is missing.
mdns_outils() {
  local outil
  for outil in dbus-daemon avahi-daemon unshare ip mount; do
    command -v "$outil" >/dev/null 2>&1 || { echo "$outil is missing"; return 1; }
  done
  [ -f /usr/share/dbus-1/system.conf ] || { echo "D-Bus's system bus configuration is missing"; return 1; }
}

# mdns_bus DIR: starts a system bus listening on DIR/bus, pid in DIR/bus.pid; prints its address.
mdns_bus() {
  local dossier=$1
  mkdir -p "$dossier"
  # Debian's configuration, with its own socket, its include folders absolute, in the foreground
  # and as the caller (no user switch, no pid file, no syslog).
  sed -e '/<user>/d' -e '/<fork\/>/d' -e '/<pidfile>/d' -e '/<syslog\/>/d' -e '/<servicehelper>/d' \
      -e "s|<listen>.*</listen>|<listen>unix:path=$dossier/bus</listen>|" \
      -e 's|<includedir>system.d</includedir>|<includedir>/usr/share/dbus-1/system.d</includedir>|' \
      /usr/share/dbus-1/system.conf >"$dossier/bus.conf"
  dbus-daemon --config-file="$dossier/bus.conf" --nofork --nopidfile >"$dossier/bus.log" 2>&1 &
  echo $! >"$dossier/bus.pid"
  local i
  for i in $(seq 100); do
    [ -S "$dossier/bus" ] && break
    sleep 0.05
  done
  [ -S "$dossier/bus" ] || return 1
  echo "unix:path=$dossier/bus"
}

# mdns_configuration DIR HOST PUBLISH_WORKSTATION: writes DIR/avahi.conf for host name HOST.
# A second browse domain with no computer in it ("vide.example") is offered as well.
mdns_configuration() {
  cat >"$1/avahi.conf" <<EOC
[server]
host-name=$2
use-ipv4=yes
use-ipv6=no
browse-domains=vide.example
ratelimit-interval-usec=1000000
ratelimit-burst=1000
[wide-area]
enable-wide-area=yes
[publish]
publish-workstation=$3
publish-hinfo=no
[reflector]
[rlimits]
EOC
}

# mdns_demon DIR BUS: starts avahi-daemon with DIR/avahi.conf on bus BUS, pid in DIR/avahi.pid.
mdns_demon() {
  DBUS_SYSTEM_BUS_ADDRESS=$2 "$MDNS_ICI/avahi_demon.sh" "$1/avahi.conf" >"$1/avahi.log" 2>&1 &
  echo $! >"$1/avahi.pid"
}

# mdns_pret DIR SECONDS: waits until the daemon of DIR runs.
mdns_pret() {
  local limite=$(( $(date +%s) + $2 ))
  until grep -q "Server startup complete" "$1/avahi.log" 2>/dev/null; do
    [ "$(date +%s)" -lt "$limite" ] || return 1
    sleep 0.05
  done
}
