#!/usr/bin/env bash
# Builds the Debian package and checks it: the desktop entry and the AppStream file validate,
# lintian finds no error, and the package holds the program's files and nothing of the tests.
#   scripts/verifier-paquet.sh [FOLDER]    FOLDER as for scripts/paquet.sh
set -euo pipefail
cd "$(dirname "$0")/.."

deb=$(scripts/paquet.sh "$@" | tail -n 1)
echo "== $deb"
id=io.github.ovan.Messenger
echs=0
echec() { echo "verifier-paquet: $*" >&2; echs=1; }

desktop-file-validate "resources/linux/$id.desktop" || echec "desktop-file-validate refuses the desktop entry"
appstreamcli validate --no-net --no-color "resources/linux/$id.metainfo.xml" ||
  echec "appstreamcli refuses the metainfo"
# The same, as installed: the metainfo beside its desktop entry and icons.
arbre=$(mktemp -d)
trap 'rm -rf "$arbre"' EXIT
dpkg-deb -x "$deb" "$arbre"
appstreamcli validate-tree --no-net --no-color "$arbre" >/dev/null ||
  echec "appstreamcli refuses the installed tree: appstreamcli validate-tree --no-net on the extracted package"

# lintian as root warns of that; its own exit status counts warnings too, hence the E: lines.
rapport=$(lintian --allow-root --tag-display-limit 0 "$deb" 2>&1 || true)
[ -n "$rapport" ] && echo "$rapport"
if echo "$rapport" | grep -q '^E: '; then
  echec "lintian reports errors"
fi

contenu=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
attendus=(
  /usr/bin/ovan-messenger
  /usr/libexec/ovan-messenger/ovan_decodeur_images
  /usr/share/ovan-messenger/notice.pdf
  /usr/share/ovan-messenger/OVAN_Messenger.ico
  "/usr/share/applications/$id.desktop"
  "/usr/share/metainfo/$id.metainfo.xml"
  "/usr/share/icons/hicolor/scalable/apps/$id.svg"
  /usr/share/man/man1/ovan-messenger.1.gz
  /usr/share/doc/ovan-messenger/copyright
  /usr/share/doc/ovan-messenger/changelog.gz
)
for k in $(seq 1 25); do attendus+=("/usr/share/ovan-messenger/Smileys/smiley$k.bmp"); done
for son in coucou msg open close; do attendus+=("/usr/share/ovan-messenger/Sons/$son.wav"); done
for cote in 16 24 32 48 64 128 256; do attendus+=("/usr/share/icons/hicolor/${cote}x$cote/apps/$id.png"); done
for f in "${attendus[@]}"; do
  grep -qxF "$f" <<<"$contenu" || echec "missing from the package: $f"
done
# Nothing of the tests, benchmarks or build tools, nor a user's settings from a program folder.
if intrus=$(grep -E '/(tst_|bench_|fuzz_)|ovan_generateur|ovan_notice|config\.ini|historique\.db' <<<"$contenu"); then
  echec "files that do not belong in the package:"$'\n'"$intrus"
fi
dpkg-deb -f "$deb" Depends Recommends

[ "$echs" -eq 0 ] && echo "Package checks passed."
exit "$echs"
