#!/bin/sh
# The layers, checked by folder:
# - src/core is the program without windows: no file there includes a header of src/ui, nor one of
#   Qt's graphical modules (widgets, painting, sound, pictures), whatever its name;
# - the subsystems under src/ui get what they use in their constructors: none of them reaches for
#   the running copy (ui/app/Ovan.h), which only src/ui/app and main.cpp hold.
cd "$(dirname "$0")/.." || exit 1
echec=0

qt=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null)
[ -d "$qt" ] || qt=/usr/include/x86_64-linux-gnu/qt6
modules="QtGui QtWidgets QtSvg QtSvgWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport QtOpenGL QtOpenGLWidgets QtQuick QtQml"
# Every class header of those modules (QWidget, QLabel, QImage...), and the modules themselves.
interdits=$(mktemp)
trap 'rm -f "$interdits"' EXIT
for m in $modules; do
  echo "$m"
  [ -d "$qt/$m" ] && find "$qt/$m" -maxdepth 1 -type f -name 'Q*' ! -name '*.h' -printf '%f\n'
done | sort -u >"$interdits"

fautifs=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' src/core | while IFS= read -r ligne; do
  cible=$(printf '%s\n' "$ligne" | sed -E 's/.*#[[:space:]]*include[[:space:]]*[<"]([^>"]*)[>"].*/\1/')
  case $cible in
    ui/*) echo "$ligne" ; continue ;;
  esac
  premier=${cible%%/*}
  dernier=${cible##*/}
  if grep -qxF "$premier" "$interdits" || grep -qxF "$dernier" "$interdits"; then
    echo "$ligne"
  fi
done)
if [ -n "$fautifs" ]; then
  echo "These core files include a window-side or graphical header; the core must run without a display:" >&2
  echo "$fautifs" | sed 's/^/  /' >&2
  echec=1
fi

fautifs=$(grep -rl '#include "ui/app/Ovan.h"' src/ui --exclude-dir=app 2>/dev/null)
if [ -n "$fautifs" ]; then
  echo "These files include ui/app/Ovan.h; give them what they use in their constructor instead:" >&2
  echo "$fautifs" | sed 's/^/  /' >&2
  echec=1
fi
exit $echec
