#!/usr/bin/env bash
# Builds the messenger (Release) and starts it from its program folder.
set -euo pipefail
cd "$(dirname "$0")"

# What running needs only; ./test.sh installs the test tools.
scripts/install-deps.sh
# A build/ made earlier keeps the generator it was made with.
generateur=(-G Ninja)
[ -f build/CMakeCache.txt ] && generateur=()
cmake -S . -B build "${generateur[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target OVAN_Messenger

# Checked after installing and building, so that the advice names a command that is now there.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Built in build/OVAN_Messenger/, but there is no display to show the window." >&2
  echo "Start ./run.sh from a desktop session, or without one run: xvfb-run -a ./run.sh" >&2
  exit 1
fi
cd build/OVAN_Messenger
exec ./OVAN_Messenger
