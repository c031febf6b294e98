#!/bin/sh
# The subsystems get what they use in their constructors: none of them reaches for the running copy.
# Fails, naming the files, when one of their files includes app/Ovan.h.
cd "$(dirname "$0")/.." || exit 1
fautifs=$(grep -l '#include "app/Ovan.h"' \
  src/chat/* src/conversation/* src/settings/* src/transfer/* src/tools/* src/network/* src/notify/* 2>/dev/null)
if [ -n "$fautifs" ]; then
  echo "These files include app/Ovan.h; give them what they use in their constructor instead:" >&2
  echo "$fautifs" | sed 's/^/  /' >&2
  exit 1
fi
