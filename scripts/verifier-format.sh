#!/bin/sh
# The C++ sources follow .clang-format: fails, naming the files, when one does not (fix with
# clang-format -i FILE).
cd "$(dirname "$0")/.." || exit 1
fautifs=$(find src tests bench resources -name '*.cpp' -o -name '*.h' | sort | while IFS= read -r f; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"
done)
if [ -n "$fautifs" ]; then
  echo "These files do not follow .clang-format (clang-format -i FILE):" >&2
  echo "$fautifs" | sed 's/^/  /' >&2
  exit 1
fi
