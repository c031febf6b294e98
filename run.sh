#!/usr/bin/env bash
# Builds the messenger (Release) and starts it from its program folder.
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: start ./run.sh from a desktop session, or without one as: xvfb-run -a ./run.sh" >&2
  exit 1
fi

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target OVAN_Messenger
cd build/OVAN_Messenger
exec ./OVAN_Messenger
