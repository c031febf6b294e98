#!/usr/bin/env bash
# Two real copies of the built program, each in a network namespace of its own with its own
# X display and its own mDNS daemon (host names "poste-a" and "poste-b"): A types a nickname,
# finds B in the network window, double-clicks it and connects with the button, B connects back;
# a few words each way; a file goes from A to B and another from B to A through the real file
# dialog and question boxes (OVAN_E2E_MIO MiB each, 8 by default; OVAN_E2E_CAPTURES names a folder
# for screenshots); a screen capture from A; A disconnects with Ctrl+D and both listen again; A
# quits, starts again and shows its history with Ctrl+H. Needs root (namespaces); skips otherwise.
set -euo pipefail

PROGRAMME=${1:?usage: deux_postes.sh path/to/OVAN_Messenger}
SKIP=77

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: network namespaces need root"; exit $SKIP
fi
for outil in ip tc Xvfb xdotool ss sha256sum trayer; do
  command -v "$outil" >/dev/null || { echo "SKIP: $outil is missing"; exit $SKIP; }
done
. "$(dirname "$0")/../avahi/mdns.sh"
manque=$(mdns_outils) || { echo "SKIP: $manque"; exit $SKIP; }

id=$$
nsA=ovan-e2e-a-$id
nsB=ovan-e2e-b-$id
vethA=ovea$id
vethB=oveb$id
travail=$(mktemp -d)
pids=()

nettoyer() {
  for p in "${pids[@]}" ${tcpdump_pid:+"$tcpdump_pid"}; do kill "$p" 2>/dev/null || true; done
  for f in "$travail"/mdns-*/*.pid; do [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null || true; done
  wait 2>/dev/null || true
  ip netns del "$nsA" 2>/dev/null || true
  ip netns del "$nsB" 2>/dev/null || true
  rm -rf "$travail"
}
trap nettoyer EXIT

. "$(dirname "$0")/../support/attendre.sh"

if ! ip netns add "$nsA" 2>/dev/null; then
  echo "SKIP: network namespaces cannot be made here"; exit $SKIP
fi
ip netns add "$nsB"
ip link add "$vethA" type veth peer name "$vethB"
ip link set "$vethA" netns "$nsA"
ip link set "$vethB" netns "$nsB"
ip -n "$nsA" addr add 10.231.0.1/24 dev "$vethA"
ip -n "$nsB" addr add 10.231.0.2/24 dev "$vethB"
for ns in "$nsA" "$nsB"; do ip -n "$ns" link set lo up; done
ip -n "$nsA" link set "$vethA" up
ip -n "$nsB" link set "$vethB" up

# Each computer's system bus and mDNS daemon, announcing its workstation.
for c in a b; do
  ns=ovan-e2e-$c-$id
  d=$travail/mdns-$c
  mkdir -p "$d"
  bus=$(ip netns exec "$ns" bash -c ". '$MDNS_ICI/mdns.sh'; mdns_bus '$d'") || { echo "SKIP: no private system bus"; exit $SKIP; }
  mdns_configuration "$d" "poste-$c" yes
  ip netns exec "$ns" bash -c ". '$MDNS_ICI/mdns.sh'; mdns_demon '$d' '$bus'"
  mdns_pret "$d" 10 || { echo "SKIP: avahi-daemon could not start: $(tail -n 3 "$d/avahi.log")"; exit $SKIP; }
  eval "bus_$c=\$bus"
done

# One X display per copy, so each keeps the keyboard focus. Started from this shell (not a
# subshell) so that the clean-up knows their process ids.
demarrer_x() {
  local fichier=$travail/display-$1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fichier" >/dev/null 2>&1 &
  pids+=($!)
  attendre 10 test -s "$fichier"
}
demarrer_x a
demarrer_x b
dA=":$(cat "$travail/display-a")"
dB=":$(cat "$travail/display-b")"
# What both screens show, when a step fails.
ecrans() {
  [ -n "${OVAN_E2E_CAPTURES:-}" ] || return 0
  import -display "$dA" -window root "$OVAN_E2E_CAPTURES/echec-a.png" 2>/dev/null || true
  import -display "$dB" -window root "$OVAN_E2E_CAPTURES/echec-b.png" 2>/dev/null || true
}
# A notification area on each desktop, as a user has: the program puts its icon there.
for d in "$dA" "$dB"; do
  DISPLAY=$d trayer --edge top --align right --widthtype request --height 32 >/dev/null 2>&1 &
  pids+=($!)
  attendre 10 env DISPLAY="$d" xdotool search --classname trayer ||
    { echo "SKIP: no tray host on $d"; exit $SKIP; }
done

# Each copy runs from a program folder of its own (a copy of the built one: icon, sounds, smileys),
# with a home of its own where received files go.
for c in a b; do
  mkdir -p "$travail/$c/maison"
  cp -r "$(dirname "$PROGRAMME")"/. "$travail/$c/"
  # A fresh start: no settings left by someone who ran the program from the build.
  rm -f "$travail/$c/config.ini" "$travail/$c/config_tmp.ini"
done
# A sends its screen captures as PNG, asking first.
printf 'DOSSIER:%s/\r\nFORMAT:2\r\nQUALITE:0\r\nENVOICAPT:1\r\n' "$travail/a/maison" >"$travail/a/config.ini"
(cd "$travail/a" && HOME=$travail/a/maison DISPLAY=$dA QT_QPA_PLATFORM=xcb DBUS_SYSTEM_BUS_ADDRESS=$bus_a \
  exec ip netns exec "$nsA" ./OVAN_Messenger) >"$travail/a.log" 2>&1 &
pids+=($!)
(cd "$travail/b" && HOME=$travail/b/maison DISPLAY=$dB QT_QPA_PLATFORM=xcb DBUS_SYSTEM_BUS_ADDRESS=$bus_b \
  exec ip netns exec "$nsB" ./OVAN_Messenger) >"$travail/b.log" 2>&1 &
pids+=($!)

ecoute() { ip netns exec "$1" ss -Hltn 'sport = :60000' | grep -q LISTEN; }
etablies() { ip netns exec "$1" ss -Htn state established '( sport = :60000 or dport = :60000 )' | wc -l; }
deux_connexions() { [ "$(etablies "$1")" -eq 2 ]; }
aucune_connexion() { [ "$(etablies "$1")" -eq 0 ]; }

attendre 20 ecoute "$nsA" || { echo "FAIL: A does not listen"; cat "$travail/a.log"; exit 1; }
attendre 20 ecoute "$nsB" || { echo "FAIL: B does not listen"; cat "$travail/b.log"; exit 1; }

fenetre=$(DISPLAY=$dA xdotool search --sync --name '^OVAN Messenger$' | head -1)
fenetreB=$(DISPLAY=$dB xdotool search --sync --name '^OVAN Messenger$' | head -1)
DISPLAY=$dA xdotool windowfocus --sync "$fenetre"
# The address box has the focus; the nickname box comes before it.
DISPLAY=$dA xdotool key shift+Tab type --delay 10 "Alice"
# A's daemon has heard of B's messenger (as soon as B has announced it).
attendre 20 bash -c "ip netns exec '$nsA' env DBUS_SYSTEM_BUS_ADDRESS='$bus_a' avahi-browse -ptr _ovan._tcp | grep -q '^=.*poste-b.local'" ||
  { echo "FAIL: B's messenger is not announced to A"; exit 1; }
# The network window, from its button (84 x 84 at W - (W - 691) / 3 - 265, 12 under the menu).
# Both computers run the messenger: "poste-a.local" (this one) is the first row, "poste-b.local"
# the second. A double click there chooses it and closes the window once the listing shows it.
eval "$(DISPLAY=$dA xdotool getwindowgeometry --shell "$fenetre")"
choisi() { ! DISPLAY=$dA xdotool search --onlyvisible --name '^Réseau$' >/dev/null 2>&1; }
for essai in 1 2 3; do
  DISPLAY=$dA xdotool mousemove --window "$fenetre" $(( WIDTH - (WIDTH - 691) / 3 - 265 + 42 )) 70 click 1
  reseau=$(DISPLAY=$dA xdotool search --sync --onlyvisible --name '^Réseau$' | head -1)
  [ "$essai" -gt 1 ] || [ -z "${OVAN_E2E_CAPTURES:-}" ] || { sleep 3; import -display "$dA" -window root "$OVAN_E2E_CAPTURES/reseau.png"; }
  fin=$(( $(date +%s) + 10 ))
  until choisi || [ "$(date +%s)" -ge "$fin" ]; do
    DISPLAY=$dA xdotool mousemove --window "$reseau" 60 ${OVAN_E2E_LIGNE2:-74} click --repeat 2 --delay 80 1
    sleep 0.5
  done
  choisi && break
  # Not listed yet: closed and opened again for a new listing.
  DISPLAY=$dA xdotool windowfocus --sync "$reseau" key alt+F4
  attendre 5 choisi
done
choisi || { echo "FAIL: B never showed in A's network window"; ecrans; exit 1; }
[ -z "${OVAN_E2E_CAPTURES:-}" ] || import -display "$dA" -window root "$OVAN_E2E_CAPTURES/reseau-choisi.png"
# A capture on the cable from before the connection: it must hold no word typed and no byte of
# a file, both copies speaking TLS.
ip netns exec "$nsA" tcpdump -i "$vethA" -U -B 262144 -s 0 -w "$travail/cable.pcap" 2>"$travail/tcpdump.log" &
tcpdump_pid=$!
attendre 10 grep -q "listening on" "$travail/tcpdump.log" || { echo "FAIL: no capture on the cable"; exit 1; }
# The connect button (84 x 84 at 150, 12).
DISPLAY=$dA xdotool mousemove --window "$fenetre" 192 70 click 1

# A's own connection and B's connection back: two established connections on each side.
attendre 20 deux_connexions "$nsA" || { echo "FAIL: A is not connected both ways"; ecrans; exit 1; }
attendre 20 deux_connexions "$nsB" || { echo "FAIL: B is not connected both ways"; exit 1; }
# Neither listens while connected, so no third party can get in.
if ecoute "$nsA" || ecoute "$nsB"; then echo "FAIL: a connected copy still listens"; exit 1; fi
echo "connected both ways"

# A few words each way, typed and sent with Enter: the history keeps them.
DISPLAY=$dA xdotool windowfocus --sync "$fenetre" type --delay 10 "Rendez-vous cet été à la plage"
DISPLAY=$dA xdotool key Return
DISPLAY=$dB xdotool windowfocus --sync "$fenetreB" type --delay 10 "D'accord pour Noël"
DISPLAY=$dB xdotool key Return
[ -z "${OVAN_E2E_CAPTURES:-}" ] || { sleep 1; import -display "$dB" -window root "$OVAN_E2E_CAPTURES/chiffree-b.png"; }

# A file from one copy to the other: Ctrl+E, the path typed into the file dialog, every question
# box answered with Enter (the one asking to accept, and the one closing an earlier transfer
# window), until the whole file is in the receiver's home.
mio=${OVAN_E2E_MIO:-8}
# The boxes, and the pop-up, which takes no key: every window of that name but the main one.
repondre() {
  local b
  for b in $(DISPLAY=$1 xdotool search --onlyvisible --name '^OVAN Messenger$' 2>/dev/null | grep -v "^$2\$"); do
    DISPLAY=$1 xdotool windowfocus --sync "$b" key Return 2>/dev/null || true
  done
}
capturer() {
  [ -n "${OVAN_E2E_CAPTURES:-}" ] || return 0
  local t
  t=$(DISPLAY=$1 xdotool search --name '^[0-9]+ % - ' getwindowname 2>/dev/null | head -1) || true
  case "$t" in [3-7][0-9]" % "*)
    [ -e "$OVAN_E2E_CAPTURES/$2.png" ] || import -display "$1" -window root "$OVAN_E2E_CAPTURES/$2.png" ;;
  esac
}
# Ctrl+E on display $1 (main window $2), the boxes before the file dialog answered until time $4,
# then the file $3 of the user's home chosen there.
choisir_fichier() {
  local d=$1 f=$2 nom=$3 fin=$4
  DISPLAY=$d xdotool windowfocus --sync "$f" key ctrl+e
  until DISPLAY=$d xdotool search --name '^Ouvrir le fichier$' >/dev/null 2>&1; do
    repondre "$d" "$f"
    [ "$(date +%s)" -lt "$fin" ] || { echo "FAIL: no file dialog for $nom"; exit 1; }
    sleep 0.1
  done
  DISPLAY=$d xdotool windowfocus --sync "$(DISPLAY=$d xdotool search --name '^Ouvrir le fichier$' | head -1)"
  # The dialog opens in the user's home, where the file is; a whole path typed there is not taken.
  DISPLAY=$d xdotool type --delay 5 "$nom"
  DISPLAY=$d xdotool key Return
}
envoyer() {
  local de=$1 dde=$2 fde=$3 vers=$4 dvers=$5 fvers=$6 nom=$7
  local source=$travail/$de/maison/$nom recu=$travail/$vers/maison/$nom
  head -c "$((mio << 20))" /dev/urandom >"$source"
  local fin=$(( $(date +%s) + 60 + mio / 10 ))
  choisir_fichier "$dde" "$fde" "$nom" "$fin"
  local debut=$(date +%s%N)
  until [ -f "$recu" ] && [ "$(stat -c %s "$recu")" -eq "$((mio << 20))" ]; do
    repondre "$dvers" "$fvers"
    capturer "$dvers" "$nom"
    [ "$(date +%s)" -lt "$fin" ] || { echo "FAIL: $nom did not reach $vers"; ecrans; exit 1; }
    sleep 0.1
  done
  local ms=$(( ($(date +%s%N) - debut) / 1000000 ))
  [ "$(sha256sum <"$source")" = "$(sha256sum <"$recu")" ] || { echo "FAIL: $nom differs"; exit 1; }
  echo "$nom: $mio MiB from $de to $vers, same SHA-256 (${ms} ms from the dialog's Enter)"
}
envoyer a "$dA" "$fenetre" b "$dB" "$fenetreB" aller.bin
envoyer b "$dB" "$fenetreB" a "$dA" "$fenetre" retour.bin
kill "$tcpdump_pid"; wait "$tcpdump_pid" 2>/dev/null || true
python3 - "$travail/cable.pcap" "$travail/a/maison/aller.bin" "$travail/b/maison/retour.bin" <<'FIN' 2>&1 || { echo "FAIL: the cable shows the conversation"; cat "$travail/tcpdump.log"; exit 1; }
import sys
cable = open(sys.argv[1], "rb").read()
taille = sum(len(open(f, "rb").read()) for f in sys.argv[2:])
# Enough of both files' way to tell, even where the kernel dropped some of a fast stream's packets.
assert b"[OVT]" in cable and len(cable) > taille // 2, ("the capture missed the conversation", len(cable))
for mot in [b"Rendez-vous", b"plage", b"accord pour No", b"aller.bin", b"retour.bin"]:
    assert mot not in cable, mot
for fichier in sys.argv[2:]:
    octets = open(fichier, "rb").read()
    for debut in range(0, len(octets) - 64, max(1, len(octets) // 200)):
        assert octets[debut:debut + 64] not in cable, (fichier, debut)
FIN
codes=$(for c in a b; do grep -haoE "Code de sûreté : [0-9]{5}( [0-9]{5}){5}" "$travail/$c"/historique.db* | head -1; done | sort -u)
[ "$(echo "$codes" | wc -l)" -eq 1 ] && [ -n "$codes" ] || { echo "FAIL: the safety codes differ or are missing: $codes"; exit 1; }
echo "encrypted: the cable holds no word typed and no byte of either file; both show ${codes#*: }"

# A cancel during a transfer on a slow link, by the receiver and then by the sender: the side that
# did not cancel logs the cancel too (its history says so), never a failure, whichever of the
# "[ANN]" and the stream's reset reached it first.
# grep reads the files itself: through a pipe, its early exit on a match would fail the pipeline.
historique_dit() { grep -aqF "$2" "$travail/$1"/historique.db* 2>/dev/null; }
# A's file $1 of $2 MiB, sent over a link slowed to 16 Mbit/s, until B's transfer window title
# shows a percentage matching $3, before time $4.
lent_jusqua() {
  local nom=$1 mio=$2 pourcent=$3 fin=$4
  head -c $((mio << 20)) /dev/urandom >"$travail/a/maison/$nom"
  ip netns exec "$nsA" tc qdisc add dev "$vethA" root tbf rate 16mbit burst 256kb limit 1mb
  choisir_fichier "$dA" "$fenetre" "$nom" "$fin"
  until DISPLAY=$dB xdotool search --onlyvisible --name "^$pourcent % - $nom\$" >/dev/null 2>&1; do
    repondre "$dB" "$fenetreB"
    [ "$(date +%s)" -lt "$fin" ] || { echo "FAIL: $nom does not start"; ecrans; exit 1; }
    sleep 0.1
  done
}
annuler_pendant() {
  local qui=$1 nom=$2 source=$travail/a/maison/$2
  local fin=$(( $(date +%s) + 60 ))
  lent_jusqua "$nom" 64 "[1-9][0-9]?" "$fin"
  local d=$dA autre=b
  [ "$qui" = b ] && d=$dB autre=a
  # The transfer window's Cancel button (116 x 30 at 233, 230).
  DISPLAY=$d xdotool mousemove --window "$(DISPLAY=$d xdotool search --onlyvisible --name " % - $nom\$" | head -1)" \
    291 245 click 1
  attendre 20 historique_dit "$autre" "Annulation du transfert de '$nom' !" ||
    { echo "FAIL: $autre does not log the cancel of $nom"; ecrans; exit 1; }
  attendre 20 historique_dit "$qui" "Annulation du transfert de '$nom' !" ||
    { echo "FAIL: $qui does not log its cancel of $nom"; exit 1; }
  if historique_dit "$autre" "Le transfert de '$nom' a échoué"; then
    echo "FAIL: $autre reports the cancelled $nom as failed"; exit 1
  fi
  local dautre=$dB
  [ "$autre" = a ] && dautre=$dA
  attendre 10 env DISPLAY="$dautre" xdotool search --onlyvisible --name '^Annulation$' ||
    { echo "FAIL: $autre shows no cancel box"; exit 1; }
  DISPLAY=$dautre xdotool windowfocus --sync "$(DISPLAY=$dautre xdotool search --onlyvisible --name '^Annulation$' | head -1)" key Return
  ip netns exec "$nsA" tc qdisc del dev "$vethA" root
  echo "$nom: cancelled by $qui mid-stream, logged as a cancel on both sides"
}
annuler_pendant b annule-par-b.bin
annuler_pendant a annule-par-a.bin

# A transfer cut on the way (B's file port resets A's stream, as a pulled cable would once its
# stall limit passed): A is asked whether to resume, says yes with Enter, B accepts again; the
# transfer resumes where B stopped, both histories say so, and the file arrives whole and verified.
couper_et_reprendre() {
  local nom=repris.bin source=$travail/a/maison/repris.bin recu=$travail/b/maison/repris.bin
  # What B holds to resume, before: none is left behind by this transfer.
  partiels() { ls -A "$travail/b/maison" | grep -c '^\.ovan-reprise-' || true; }
  local avant
  avant=$(partiels)
  local fin=$(( $(date +%s) + 90 ))
  lent_jusqua "$nom" 32 "[2-9][0-9]" "$fin"
  printf 'table inet ovan_coupure { chain entree { type filter hook input priority 0; tcp dport 60001 reject with tcp reset; }; }\n' |
    ip netns exec "$nsB" nft -f - || { echo "SKIP: nft cannot cut the stream here"; exit $SKIP; }
  attendre 20 historique_dit a "Le transfert de '$nom' a échoué" ||
    { echo "FAIL: A does not see its stream cut"; ecrans; exit 1; }
  ip netns exec "$nsB" nft delete table inet ovan_coupure
  ip netns exec "$nsA" tc qdisc del dev "$vethA" root
  until [ -f "$recu" ] && cmp -s "$source" "$recu"; do
    repondre "$dA" "$fenetre"
    repondre "$dB" "$fenetreB"
    # The contact's cancel, which a copy of ours sends when its stream broke.
    for b in $(DISPLAY=$dB xdotool search --onlyvisible --name '^Annulation$' 2>/dev/null); do
      DISPLAY=$dB xdotool windowfocus --sync "$b" key Return 2>/dev/null || true
    done
    [ "$(date +%s)" -lt "$fin" ] || { echo "FAIL: $nom was not sent again whole"; ecrans; exit 1; }
    sleep 0.1
  done
  for c in a b; do
    attendre 10 historique_dit $c "Reprise à" || { echo "FAIL: $c does not say the transfer resumed"; exit 1; }
    attendre 10 historique_dit $c "avec succès ! Le fichier est complet et vérifié." ||
      { echo "FAIL: $c does not say $nom is verified:"; python3 -c "import sqlite3,sys; [print(r[0]) for r in sqlite3.connect(sys.argv[1]).execute('SELECT texte FROM entrees ORDER BY id DESC LIMIT 8')]" "$travail/$c/historique.db"; exit 1; }
  done
  [ "$(partiels)" = "$avant" ] || { echo "FAIL: a partial file stayed behind"; exit 1; }
  echo "$nom: cut on the way, resumed ($(cat "$travail"/a/historique.db* | grep -ao "Reprise à [0-9]* %" | tail -1)), verified on both sides"
}
couper_et_reprendre

# Several files of a folder chosen at once in the real dialog: one question on B, one transfer,
# every file in B's home, verified.
un_lot() {
  local noms=(plage.jpg "carnet de route.txt" chant.ogg) fin=$(( $(date +%s) + 60 ))
  mkdir -p "$travail/a/maison/Vacances"
  head -c $((3 << 20)) /dev/urandom >"$travail/a/maison/Vacances/${noms[0]}"
  printf 'Jour 1 : la mer.\n' >"$travail/a/maison/Vacances/${noms[1]}"
  head -c 70000 /dev/urandom >"$travail/a/maison/Vacances/${noms[2]}"
  # Relative to the home where the dialog opens, quoted together as the dialog reads several.
  choisir_fichier "$dA" "$fenetre" "\"Vacances/${noms[0]}\" \"Vacances/${noms[1]}\" \"Vacances/${noms[2]}\"" "$fin"
  tous_arrives() {
    local n
    for n in "${noms[@]}"; do cmp -s "$travail/a/maison/Vacances/$n" "$travail/b/maison/$n" || return 1; done
  }
  until tous_arrives; do
    repondre "$dB" "$fenetreB"
    [ "$(date +%s)" -lt "$fin" ] || { echo "FAIL: the files chosen together did not reach b"; ecrans; exit 1; }
    sleep 0.1
  done
  attendre 10 historique_dit b "Les fichiers sont complets et vérifiés." ||
    { echo "FAIL: b does not say the batch is verified"; exit 1; }
  echo "batch: ${#noms[@]} files chosen together in the dialog, one question, all in b's home, verified"
}
un_lot

# A screen capture from A: its button, the question answered yes, the offer accepted on B; the
# file B receives is the one A made.
DISPLAY=$dA xdotool mousemove --window "$fenetre" 385 477 click 1
fin=$(( $(date +%s) + 60 ))
until [ -f "$travail/b/maison/CaptEcran_1.png" ] && [ -f "$travail/a/CaptEcran_1.png" ] &&
  [ "$(sha256sum <"$travail/a/CaptEcran_1.png")" = "$(sha256sum <"$travail/b/maison/CaptEcran_1.png")" ]; do
  repondre "$dA" "$fenetre"
  repondre "$dB" "$fenetreB"
  [ "$(date +%s)" -lt "$fin" ] || { echo "FAIL: the capture did not reach b"; ecrans; exit 1; }
  sleep 0.1
done
[ ! -e "$travail/a/CaptEcran1.bmp" ] || { echo "FAIL: the raw capture was left behind"; exit 1; }
[ -z "${OVAN_E2E_CAPTURES:-}" ] || cp "$travail/b/maison/CaptEcran_1.png" "$OVAN_E2E_CAPTURES/capture-recue.png"
echo "capture: CaptEcran_1.png ($(stat -c %s "$travail/a/CaptEcran_1.png") bytes) from a to b, same SHA-256"

DISPLAY=$dA xdotool windowfocus --sync "$fenetre" key ctrl+d
attendre 20 aucune_connexion "$nsA" || { echo "FAIL: A did not disconnect"; exit 1; }
attendre 20 aucune_connexion "$nsB" || { echo "FAIL: B did not see A leave"; exit 1; }
attendre 20 ecoute "$nsA" || { echo "FAIL: A does not listen again"; exit 1; }
attendre 20 ecoute "$nsB" || { echo "FAIL: B does not listen again"; exit 1; }
echo "disconnected, both listening again"

# Quitting: Ctrl+Q asks, Enter answers yes, and the program ends.
pidA=${pids[-2]}
DISPLAY=$dA xdotool key ctrl+q
attendre 10 bash -c "DISPLAY=$dA xdotool search --name '^OVAN Messenger\$' | grep -qv '^$fenetre\$'" ||
  { echo "FAIL: no question before quitting"; exit 1; }
DISPLAY=$dA xdotool key Return
parti() { ! kill -0 "$pidA" 2>/dev/null; }
attendre 20 parti || { echo "FAIL: A did not quit"; exit 1; }
echo "A quit"

# A again, from the same folder: Ctrl+H shows the history window, where a search finds the words.
(cd "$travail/a" && HOME=$travail/a/maison DISPLAY=$dA QT_QPA_PLATFORM=xcb DBUS_SYSTEM_BUS_ADDRESS=$bus_a \
  exec ip netns exec "$nsA" ./OVAN_Messenger) >"$travail/a2.log" 2>&1 &
pids+=($!)
attendre 20 ecoute "$nsA" || { echo "FAIL: A does not start again"; cat "$travail/a2.log"; exit 1; }
fenetre=$(DISPLAY=$dA xdotool search --sync --onlyvisible --name '^OVAN Messenger$' | head -1)
DISPLAY=$dA xdotool windowfocus --sync "$fenetre" key ctrl+h
historique=$(timeout 10 env DISPLAY=$dA xdotool search --sync --onlyvisible --name '^Historique$' | head -1)
[ -n "$historique" ] || { echo "FAIL: Ctrl+H shows no history window"; ecrans; exit 1; }
[ -s "$travail/a/historique.db" ] || { echo "FAIL: no history beside the program"; exit 1; }
DISPLAY=$dA xdotool windowfocus --sync "$historique" type --delay 10 "ete"
if [ -n "${OVAN_E2E_CAPTURES:-}" ]; then
  sleep 1
  import -display "$dA" -window root "$OVAN_E2E_CAPTURES/historique.png"
fi
echo "history window after a restart, searched"
