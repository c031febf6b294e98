#!/usr/bin/env bash
# Builds the messenger and its tests and runs every test through CTest.
# With CI=true it also builds with -Werror and with AddressSanitizer + UBSan and runs the tests there.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh --tests
scripts/verifier-inclusions.sh
scripts/verifier-format.sh
scripts/verifier-adresses.sh
# Says once, before the tests, when they cannot have a network of their own here.
scripts/reseau-prive.sh true
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# Configures a build folder with Ninja. One configured earlier (by hand with another generator, say)
# keeps its generator: CMake refuses to change it.
configurer() {
  local dir=$1; shift
  local generateur=(-G Ninja)
  [ -f "$dir/CMakeCache.txt" ] && generateur=()
  cmake -S . -B "$dir" "${generateur[@]}" "$@" >/dev/null
}

run_tests() {
  local dir=$1; shift
  configurer "$dir" "$@"
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

# Coverage-guided runs of the frame reader and decoder, the config.ini parser and a batch's list,
# about 30 s each, with clang's libFuzzer; a crash found fails the run. Without CI their seed corpora are replayed by
# ordinary tests.
fuzz() {
  configurer build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++
  cmake --build build-fuzz -j "$jobs" --target fuzz_trames fuzz_config fuzz_lot
  for cible in fuzz_trames:trames fuzz_config:config fuzz_lot:lot; do
    local nom=${cible%%:*} corpus=${cible#*:}
    local travail=build-fuzz/corpus-$nom
    mkdir -p "$travail"
    echo "== $nom, 30 s"
    build-fuzz/tests/fuzz/"$nom" "$travail" "tests/corpus/$corpus" -max_total_time=30 -max_len=4096 \
      -print_final_stats=1 >"build-fuzz/$nom.log" 2>&1 || { tail -n 40 "build-fuzz/$nom.log"; return 1; }
    grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::new_units_added' "build-fuzz/$nom.log"
  done
}

if [ "${CI:-}" = "true" ]; then
  run_tests build-asan -DCMAKE_BUILD_TYPE=Debug -DOVAN_SANITIZE=ON -DOVAN_WERROR=ON
  fuzz
fi
run_tests build -DCMAKE_BUILD_TYPE=Release ${CI:+-DOVAN_WERROR=ON}
# The Debian package from the build just made, so that only packing is left to do.
scripts/verifier-paquet.sh build
