#!/usr/bin/env bash
# Runs a test program on a private X display (Xvfb) under a window manager (openbox), with Qt's
# xcb platform. Skips (77) where the display or the window manager cannot be started.
set -u

PROGRAMME=${1:?usage: sous_x11.sh test-program [arguments...]}
shift
SKIP=77

for outil in Xvfb openbox xprop xdotool; do
  command -v "$outil" >/dev/null || { echo "SKIP: $outil is missing"; exit $SKIP; }
done

travail=$(mktemp -d)
pids=()
nettoyer() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$travail"
}
trap nettoyer EXIT

. "$(dirname "$0")/../support/attendre.sh"

# -displayfd picks a free display number, so parallel runs do not collide. Only the abstract socket,
# private to the network namespace: the one in /tmp/.X11-unix is shared by every namespace, and
# another run's server would take it over. -noreset: a server resets when its last client leaves,
# and a client that comes meanwhile (openbox, as the first xprop of the wait below ends) is refused.
Xvfb -displayfd 3 -screen 0 "${OVAN_ECRAN:-1280x1024}x24" -nolisten tcp -nolisten unix -noreset \
  3>"$travail/display" >"$travail/xvfb.log" 2>&1 &
xvfb=$!
pids+=($xvfb)
# Ready once it has written its display number; an early death is not waited for.
attendre 10 sh -c "test -s '$travail/display' || ! kill -0 $xvfb"
if ! test -s "$travail/display"; then
  echo "SKIP: Xvfb could not start: $(tail -n 3 "$travail/xvfb.log")"; exit $SKIP
fi
export DISPLAY=":$(cat "$travail/display")"

# openbox keeps owned windows above their owner and moves the focus as a desktop does.
HOME=$travail openbox --sm-disable >"$travail/openbox.log" 2>&1 &
pids+=($!)
if ! attendre 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
  echo "SKIP: openbox could not start: $(tail -n 3 "$travail/openbox.log")"; exit $SKIP
fi

export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$travail
"$PROGRAMME" "$@"
