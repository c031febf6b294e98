#!/bin/sh
# Each test program uses loopback addresses of its own, so that CTest may run them side by side even
# where they share this machine's network (no namespace could be made). Fails, naming the programs,
# when an address written in one is written in another.
cd "$(dirname "$0")/.." || exit 1
communes=$(for f in tests/tst_*.cpp; do
  grep -o '127\.0\.0\.[0-9][0-9]*' "$f" | sort -u | sed "s|\$| $f|"
done | awk '{ n[$1]++; p[$1] = p[$1] " " $2 } END { for (a in n) if (n[a] > 1) print a ":" p[a] }')
if [ -n "$communes" ]; then
  echo "These addresses are used by more than one test program; give each its own:" >&2
  echo "$communes" | sort | sed 's/^/  /' >&2
  exit 1
fi
