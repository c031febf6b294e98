#!/usr/bin/env bash
# Builds the Debian package (cpack) and prints its path on the last line.
#   scripts/paquet.sh           in build-paquet/, configured Release without the tests
#   scripts/paquet.sh FOLDER    in a build folder configured earlier (./test.sh passes build/)
set -euo pipefail
cd "$(dirname "$0")/.."

dossier=${1:-build-paquet}
if [ $# -eq 0 ]; then
  generateur=(-G Ninja)
  [ -f "$dossier/CMakeCache.txt" ] && generateur=()
  cmake -S . -B "$dossier" "${generateur[@]}" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
elif [ ! -f "$dossier/CMakeCache.txt" ]; then
  echo "paquet.sh: $dossier is not a configured build folder" >&2
  exit 1
fi
# cpack only installs: what the package holds is built first, and nothing else (no tests).
nice -n 10 cmake --build "$dossier" -j "$(nproc)" --target OVAN_Messenger ovan_fichiers_bureau >"$dossier/paquet.log" ||
  { tail -n 30 "$dossier/paquet.log" >&2; exit 1; }
(cd "$dossier" && nice -n 10 cpack -G DEB >cpack.log 2>&1) || { tail -n 30 "$dossier/cpack.log" >&2; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dossier/CMakeCache.txt")
echo "$PWD/$dossier/ovan-messenger_${version}_$(dpkg --print-architecture).deb"
