#!/usr/bin/env bash
# Walks the recent items and the favourites as a person does, with real keys and clicks
# (xdotool) on the real program on a private X server with a window manager, and saves the
# README's pictures docs/screenshots/recenti.png and preferiti.png. A demo program folder is laid
# out in a temporary folder and the call log of "Giulia Bianchi" gets a few days of work.
# Checks what the walk left in the user database once the program has ended (it holds the file
# while it runs) and fails when something is missing.
# Needs Xvfb, openbox, xdotool and ImageMagick (scripts/install-deps.sh --prove).
#
#   scripts/screenshots-preferiti.sh [display number, default 23]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
display=":${1:-23}"
out="$root/docs/screenshots"

cmake --build "$build" --parallel "${JOBS:-2}" --target velkora velkora-admin Rubrivo Anagrafi Vorp
source "$root/scripts/lib/schermo.sh"

folder="$work/program"
"$build/program/velkora-admin" demo "$folder" >/dev/null
cp "$build/program/velkora" "$build/program/libvelkoradata.so" "$build/program/libvelkoracore.so" "$folder/"
for modulo in Rubrivo Anagrafi Vorp; do cp "$build/program/lib$modulo.so" "$folder/"; done

sql() { isql-fb -q -user SYSDBA -password quillbark "$folder/user/user.fdb" -i "$1"; }
query() {
  printf 'SET HEADING OFF;\n%s\n' "$1" > "$work/q.sql"
  sql "$work/q.sql" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
}

# A few days of work of Giulia Bianchi (user 2) on another workstation: a closed session and
# its calls, each naming its menu item.
{
  echo "INSERT INTO NORVILOG (CODICESESSIONE, DATAAPERTURA, ORAAPERTURA, CODICEUTENTE, DATACHIUSURA, ORACHIUSURA) VALUES (900, CURRENT_DATE - 3, '08:00:00', 2, CURRENT_DATE, '18:00:00');"
  add() { for _ in $(seq "$5"); do echo "INSERT INTO NORVILOGFUNZ (CODICESESSIONE, DATACHIAMATAFUNZIONE, ORACHIAMATAFUNZIONE, FUNZIONECHIAMATA, PROGRAMMA, MENU) VALUES (900, CURRENT_DATE - $1, '$2', '$3', 10, $4);"; done; }
  add 0 09:10:00 ShowFornitoriFormX 14 3
  add 0 08:30:00 ShowContattAgendaFormX 110 1
  add 1 11:00:00 ShowClientiFormX 11 6
  add 2 10:00:00 ShowNuovoClienteFormX 12 1
  add 3 16:00:00 StampaClientiFormX 15 2
  echo "COMMIT;"
} > "$work/seed.sql"
sql "$work/seed.sql"

avvia_schermo "$display"

export DISPLAY="$display" QT_QPA_PLATFORM=xcb
(cd "$folder" && exec ./velkora >"$work/velkora.log" 2>&1) &
program=$!
pids+=($program)
win=""
for _ in $(seq 100); do
  win="$(xdotool search --name '^Autenticazione$' 2>/dev/null | head -1 || true)"
  [ -n "$win" ] && break
  sleep 0.2
done
[ -n "$win" ] || { echo "the login window did not appear" >&2; cat "$work/velkora.log" >&2; exit 1; }
xdotool windowactivate --sync "$win"
sleep 0.5
shot() { import -window root "$work/$1.png"; convert "$work/$1.png" -colors 128 -strip "PNG8:$out/$1.png"; }

# Log in: the user list takes the first letters of the name; Giulia has no password.
xdotool type --delay 80 "Giulia"
sleep 0.3
xdotool key Return
for _ in $(seq 50); do
  xdotool search --name 'Utente: Giulia Bianchi' >/dev/null 2>&1 && break
  sleep 0.2
done
win="$(xdotool search --name 'Utente: Giulia Bianchi' | head -1)"
xdotool windowactivate --sync "$win"
sleep 1

# Ctrl+F on the empty field: the recent items.
xdotool key ctrl+f
sleep 1
mkdir -p "$out"
shot recenti
# Down three times and Enter: the third recent item, "Elenco clienti" (after today's "Elenco
# fornitori" and "Elenco contatti"), started as the menus would start it.
xdotool key Down Down Down Return
sleep 2
# Close the customer list it opened.
closeactive() {
  local w
  w="$(xdotool getactivewindow)"
  # Alt+F4: the window manager asks the window to close, as a click on its X does.
  if [ "$w" != "$win" ]; then xdotool key alt+F4; sleep 1; fi
}
closeactive
xdotool windowactivate --sync "$win"
sleep 0.5

# A favourite from the search: type two words, Ctrl+D on the row, Escape.
xdotool key ctrl+f
xdotool type --delay 60 "con registro"
sleep 0.5
xdotool key ctrl+d
sleep 0.5
xdotool key Escape
sleep 0.5
shot preferiti

# Click the favourite in the bar: the first link below the heading "Preferiti", below the menu
# bar, the search field and the heading (the window's client area starts below its title).
# The client area's corner on the screen, as the X server knows it.
X="$(xwininfo -id "$win" | awk '/Absolute upper-left X/ {print $4}')"
Y="$(xwininfo -id "$win" | awk '/Absolute upper-left Y/ {print $4}')"
xdotool mousemove $((X + 80)) $((Y + 81)) click 1
sleep 2
closeactive

# The program ends (its session is closed); then the database shows what the walk did.
xdotool windowactivate --sync "$win"
xdotool key alt+F4
for _ in $(seq 50); do kill -0 "$program" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$program" 2>/dev/null; then
  import -window root "$work/fermo.png"; cp "$work/fermo.png" "$root/build/preferiti-fermo.png"
  echo "the program did not end (build/preferiti-fermo.png)" >&2; exit 1
fi
recent="$(query "SELECT COUNT(*) FROM NORVILOGFUNZ WHERE CODICESESSIONE <> 900 AND PROGRAMMA = 10 AND MENU = 11;")"
[ "$recent" = "1" ] || { echo "Enter on the recent item logged $recent calls of Elenco clienti" >&2; exit 1; }
rows="$(query "SELECT PARAMETRO || '=' || VALORE FROM TABVELKORA WHERE UTENTE = 2 AND INTESTAZIONE = 'Preferiti';")"
[ "$rows" = "10.143=Rubrica con registro" ] || { echo "favourite stored: '$rows'" >&2; exit 1; }
clicked="$(query "SELECT COUNT(*) FROM NORVILOGFUNZ WHERE PROGRAMMA = 10 AND MENU = 143;")"
[ "$clicked" = "1" ] || { echo "the click on the favourite logged $clicked calls" >&2; exit 1; }
echo "recent item started, favourite stored and started from the bar: pictures in $out"
