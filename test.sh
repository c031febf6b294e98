#!/usr/bin/env bash
# Builds the messenger and its tests and runs every test through CTest.
# With CI=true it also builds with -Werror and with AddressSanitizer + UBSan and runs the tests there.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

run_tests() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

if [ "${CI:-}" = "true" ]; then
  run_tests build-asan -DCMAKE_BUILD_TYPE=Debug -DOVAN_SANITIZE=ON -DOVAN_WERROR=ON
fi
run_tests build -DCMAKE_BUILD_TYPE=Release ${CI:+-DOVAN_WERROR=ON}
