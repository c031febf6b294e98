#!/usr/bin/env bash
# Installs the package on a fresh minimal Debian 12 and starts it there, as a desktop user would:
# apt resolves its dependencies from Debian's archive, the program runs as an ordinary user under
# Xvfb, and a window must appear. Downloads a few hundred MB; root only; not run by ./test.sh.
#   scripts/essai-debootstrap.sh              builds the package with scripts/paquet.sh
#   scripts/essai-debootstrap.sh FILE.deb     tries that package
# OVAN_GARDER=1 keeps the root under /var/tmp afterwards; OVAN_MIROIR names another mirror.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "essai-debootstrap.sh: run as root (debootstrap and chroot)" >&2
  exit 1
fi
for outil in debootstrap chroot; do
  command -v "$outil" >/dev/null || { echo "essai-debootstrap.sh: $outil is missing (apt-get install $outil)" >&2; exit 1; }
done

deb=${1:-$(scripts/paquet.sh | tail -n 1)}

# The mirror this machine already uses for Debian, else Debian's own.
sources() {
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk '$1 == "deb" {for (i = 2; i <= NF; i++) if ($i ~ /^https?:/) print $i}'
  cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '$1 == "URIs:" {print $2}'
}
miroir=${OVAN_MIROIR:-$(sources | grep -m1 -E '/debian/?$' || echo http://deb.debian.org/debian)}
securite=$(sources | grep -m1 -E '/debian-security/?$' || echo http://security.debian.org/debian-security)

racine=$(mktemp -d /var/tmp/ovan-essai.XXXXXX)
# mktemp's 0700 would be the root's "/", closed to the ordinary user.
chmod 755 "$racine"
montes=()
nettoyer() {
  local i
  for ((i = ${#montes[@]} - 1; i >= 0; i--)); do umount -l "${montes[i]}" 2>/dev/null || true; done
  if [ "${OVAN_GARDER:-}" = 1 ]; then
    echo "Root kept in $racine"
  else
    rm -rf --one-file-system "$racine"
  fi
}
trap nettoyer EXIT

echo "== debootstrap bookworm from $miroir into $racine"
debootstrap --variant=minbase bookworm "$racine" "$miroir" >"$racine.log" 2>&1 ||
  { tail -n 20 "$racine.log" >&2; exit 1; }
rm -f "$racine.log"
cat >"$racine/etc/apt/sources.list" <<FIN
deb $miroir bookworm main
deb $miroir bookworm-updates main
deb $securite bookworm-security main
FIN
# No service starts inside the root.
printf '#!/bin/sh\nexit 101\n' >"$racine/usr/sbin/policy-rc.d"
chmod +x "$racine/usr/sbin/policy-rc.d"
for m in proc sys dev dev/pts; do
  mount --bind "/$m" "$racine/$m"
  montes+=("$racine/$m")
done
cp "$deb" "$racine/tmp/ovan-messenger.deb"

dans() { chroot "$racine" env LC_ALL=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
echo "== apt-get install the package (its Depends only) with xvfb xauth x11-utils trayer"
dans apt-get update -q >/dev/null
# trayer: a notification area, which the program expects on a desktop (it says so in a box otherwise).
dans apt-get install -y -q --no-install-recommends /tmp/ovan-messenger.deb xvfb xauth x11-utils trayer >"$racine/tmp/apt.log" 2>&1 ||
  { tail -n 30 "$racine/tmp/apt.log" >&2; exit 1; }
grep -c '^Setting up' "$racine/tmp/apt.log" | sed 's/^/packages installed: /'
echo "== the package's Recommends resolve:"
recommandes=$(dpkg-deb -f "$deb" Recommends | sed 's/|[^,]*//g; s/,/ /g')
# shellcheck disable=SC2086
dans apt-get install -s --no-install-recommends $recommandes | grep '^Inst' | grep -wE "$(echo $recommandes | tr ' ' '|')" || true

echo "== libraries the installed files miss"
manque=$(dans sh -c 'ldd /usr/bin/ovan-messenger /usr/libexec/ovan-messenger/ovan_decodeur_images /usr/lib/*/qt6/plugins/*/*.so' 2>&1 | grep 'not found' | sort -u || true)
echo "${manque:-none}"

dans useradd -m -s /bin/sh ovan
cat >"$racine/tmp/essai.sh" <<'FIN'
#!/bin/sh
# As the user, on the Xvfb display with a notification area: start the program, wait for its main
# window, give an error box a moment to show, then stop it.
cd "$HOME"
trayer --edge top >/tmp/trayer.log 2>&1 &
plateau=$!
for _ in $(seq 1 100); do
  xwininfo -root -tree 2>/dev/null | grep -q '"trayer"' && break
  sleep 0.1
done
ovan-messenger >/tmp/ovan.log 2>&1 &
pid=$!
fenetre=
for _ in $(seq 1 300); do
  fenetre=$(xwininfo -root -tree 2>/dev/null | grep '"OVAN Messenger": ("ovan-messenger"' | grep -v ' [0-9]\{1,2\}x[0-9]\{1,2\}+' | head -n 1)
  [ -n "$fenetre" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
erreur=
for _ in $(seq 1 30); do
  [ -n "$fenetre" ] || break
  erreur=$(xwininfo -root -tree | grep '"Erreur"')
  [ -n "$erreur" ] && break
  sleep 0.1
done
echo "named windows:"
xwininfo -root -tree | grep '0x[0-9a-f]* "' | sed 's/^ */  /'
statut=0
if [ -n "$fenetre" ]; then
  echo "main window: $(echo "$fenetre" | sed 's/^ *//')"
  xprop -id "$(echo "$fenetre" | awk '{print $1}')" WM_CLASS
else
  echo "no main window"
  statut=1
fi
if [ -n "$erreur" ]; then
  echo "an error box showed"
  statut=1
fi
kill "$pid" "$plateau" 2>/dev/null
wait "$pid" 2>/dev/null
echo "program output:"
sed 's/^/  /' /tmp/ovan.log
exit $statut
FIN
chmod 755 "$racine/tmp/essai.sh"

echo "== ovan-messenger as user ovan under xvfb-run"
resultat=0
dans timeout 120 runuser -u ovan -- env HOME=/home/ovan xvfb-run -a -s "-screen 0 1280x1024x24" /tmp/essai.sh || resultat=1
if [ -d "$racine/home/ovan/.local/share/ovan-messenger" ]; then
  echo "/home/ovan/.local/share/ovan-messenger holds: $(find "$racine/home/ovan/.local/share/ovan-messenger" -mindepth 1 -printf "%P ")"
else
  echo "/home/ovan/.local/share/ovan-messenger is missing"
  resultat=1
fi
echo "files the program left in the home folder: $(cd "$racine/home/ovan" && find . -type f ! -path './.profile' ! -path './.bash*' | tr '\n' ' ')"
[ "$resultat" -eq 0 ] && echo "The installed program started on a fresh Debian 12." || echo "Trial failed."
exit "$resultat"
