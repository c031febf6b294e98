#!/usr/bin/env bash
# Where the program folder may not be written (installed, started by an ordinary user), settings and
# history go to the user's data folder, and nothing is written beside the program.
set -u
PROGRAMME=${1:?usage: dossier_utilisateur.sh path/to/OVAN_Messenger}
SKIP=77
. "$(dirname "$0")/../support/attendre.sh"

travail=$(mktemp -d)
chmod 755 "$travail"
pid=
nettoyer() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$travail"
}
trap nettoyer EXIT

cp -r "$(dirname "$PROGRAMME")" "$travail/programme"
rm -f "$travail/programme"/config*.ini "$travail/programme"/historique.db* "$travail/programme"/.zone-*
chmod -R a-w "$travail/programme"
mkdir -p "$travail/maison"

# Root writes anywhere: the program runs as nobody then, as a user would.
comme=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "SKIP: setpriv is missing"; exit $SKIP; }
  chown 65534:65534 "$travail/maison"
  comme=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
(cd "$travail/programme" && exec env -u XDG_DATA_HOME HOME="$travail/maison" QT_QPA_PLATFORM=offscreen \
  XDG_RUNTIME_DIR="$travail/maison" "${comme[@]}" ./OVAN_Messenger) >"$travail/journal" 2>&1 &
pid=$!

donnees=$travail/maison/.local/share/ovan-messenger
if ! attendre 30 test -s "$donnees/historique.db"; then
  echo "FAIL: no history in $donnees"; ls -la "$travail/maison" "$donnees"; cat "$travail/journal"; exit 1
fi
ecrits=$(find "$travail/programme" -newer "$travail/journal" -type f)
[ -z "$ecrits" ] || { echo "FAIL: written beside the program: $ecrits"; exit 1; }
echo "PASS: history in the user's data folder, the program folder untouched"
