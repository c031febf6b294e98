#!/usr/bin/env bash
# deux_reseaux.sh PROGRAM [ARGS...]: runs a test program beside a second network (a namespace
# joined to this one by a virtual cable) where an avahi-daemon runs as host "poste-b" and
# announces a workstation. This side gets its own system bus ($DBUS_SYSTEM_BUS_ADDRESS); its
# daemon is left for the program to start and stop ($OVAN_AVAHI_DEMON with $OVAN_AVAHI_CONF, host
# "poste-a"). The program runs commands on the other side through $OVAN_COTE_B (a command
# prefix with its bus set). Root only; skips (77) otherwise.
set -u
PROGRAMME=${1:?usage: deux_reseaux.sh test-program [arguments...]}
shift
SKIP=77
ICI=$(cd "$(dirname "$0")" && pwd)
. "$ICI/mdns.sh"

[ "$(id -u)" -eq 0 ] || { echo "SKIP: network namespaces and private daemons need root"; exit $SKIP; }
manque=$(mdns_outils) || { echo "SKIP: $manque"; exit $SKIP; }

id=$$
nsB=ovan-mdns-b-$id
travail=$(mktemp -d)
nettoyer() {
  for f in "$travail"/b/avahi.pid "$travail"/b/bus.pid "$travail"/a/bus.pid; do
    [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null
  done
  wait 2>/dev/null
  ip netns del "$nsB" 2>/dev/null
  ip link del "ovma$id" 2>/dev/null
  rm -rf "$travail"
}
trap nettoyer EXIT

if ! ip netns add "$nsB" 2>/dev/null; then
  echo "SKIP: network namespaces cannot be made here"; exit $SKIP
fi
ip link add "ovma$id" type veth peer name "ovmb$id" netns "$nsB" || { echo "SKIP: no virtual cable"; exit $SKIP; }
ip addr add 10.232.0.1/24 dev "ovma$id"
ip link set "ovma$id" up
ip link set lo up
ip -n "$nsB" addr add 10.232.0.2/24 dev "ovmb$id"
ip -n "$nsB" link set "ovmb$id" up
ip -n "$nsB" link set lo up

busA=$(mdns_bus "$travail/a") || { echo "SKIP: no private system bus: $(cat "$travail/a/bus.log")"; exit $SKIP; }
mkdir -p "$travail/b"
busB=$(ip netns exec "$nsB" bash -c ". '$ICI/mdns.sh'; mdns_bus '$travail/b'") ||
  { echo "SKIP: no private system bus on the other side"; exit $SKIP; }
mdns_configuration "$travail/a" poste-a no
mdns_configuration "$travail/b" poste-b yes
ip netns exec "$nsB" bash -c ". '$ICI/mdns.sh'; mdns_demon '$travail/b' '$busB'"
if ! mdns_pret "$travail/b" 10; then
  echo "SKIP: avahi-daemon could not start: $(tail -n 3 "$travail/b/avahi.log")"; exit $SKIP
fi

export DBUS_SYSTEM_BUS_ADDRESS=$busA
export OVAN_AVAHI_DEMON=$ICI/avahi_demon.sh
export OVAN_AVAHI_CONF=$travail/a/avahi.conf
export OVAN_COTE_B="ip netns exec $nsB env DBUS_SYSTEM_BUS_ADDRESS=$busB"
"$PROGRAMME" "$@"
