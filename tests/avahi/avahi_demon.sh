#!/bin/sh
# avahi_demon.sh CONFIGURATION: runs avahi-daemon in the foreground on $DBUS_SYSTEM_BUS_ADDRESS,
# in a mount namespace of its own where /run/avahi-daemon (its fixed pid file and socket) is
# private, so that several daemons run side by side. The process becomes the daemon.
[ -d /run/avahi-daemon ] || mkdir -p /run/avahi-daemon
exec unshare -m --propagation private sh -c \
  'mount -t tmpfs ovan-avahi /run/avahi-daemon && exec avahi-daemon --no-chroot --no-drop-root --no-rlimits -f "$1"' \
  sh "$1"
