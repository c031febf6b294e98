#!/bin/sh
# Runs a command in a network namespace of its own, with only the loopback interface up, so that
# a messenger or another test run listening on this machine neither takes its ports nor answers
# its calls. As root a plain namespace; otherwise a user namespace (the command then runs as root
# inside it). Where the machine allows neither, runs the command as is.
# Nor does it reach the machine's system bus, and through it its mDNS daemon: a copy under test
# would announce itself on the real network. Tests that want a daemon give their own bus.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/ovan-tests/bus
if [ "$(id -u 2>/dev/null)" = 0 ]; then
  options=-n
else
  options=-rn
fi
if command -v unshare >/dev/null 2>&1 && command -v ip >/dev/null 2>&1 &&
  unshare $options ip link set lo up >/dev/null 2>&1; then
  # Said to the command: it may change this network (firewall rules) without touching the machine's.
  export OVAN_RESEAU_PRIVE=1
  exec unshare $options sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
# Said on stderr, which CTest shows with a failure: a messenger listening here may be the cause.
echo "reseau-prive.sh: no network namespace can be made here (needs root, or user namespaces" \
  "and the ip command); running on this machine's network, where a program listening on" \
  "127.0.0.x:60000 may get in the tests' way." >&2
exec "$@"
