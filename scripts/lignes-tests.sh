#!/bin/sh
# C++ lines of the program and of its tests, and the share of test lines in programs that link no
# widget library (the ones built with ovan_test_noyau, the fuzz targets and their helpers).
cd "$(dirname "$0")/.." || exit 1
src=$(find src -name '*.cpp' -o -name '*.h' | xargs cat | wc -l)
tests=$(find tests -name '*.cpp' -o -name '*.h' | xargs cat | wc -l)
noyau=$(sed -n 's/^ovan_test_noyau(\([a-z_0-9]*\) \(.*\))$/\2/p' tests/CMakeLists.txt | tr ' ' '\n' | grep '\.cpp$' |
  sed 's|^|tests/|' | sort -u)
autres="tests/fuzz/*.cpp tests/history/*.cpp tests/avahi/*.cpp tests/support/FauxContact.* tests/support/Fichiers.h tests/support/Memoire.h"
horsfenetres=$(cat $noyau $autres | wc -l)
echo "src: $src lines; tests: $tests lines; ratio $(echo "scale=2; $tests / $src" | bc)"
echo "tests in programs without widgets: $horsfenetres lines ($(echo "scale=0; 100 * $horsfenetres / $tests" | bc) %)"
