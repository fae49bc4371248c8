#!/usr/bin/env bash
# Builds the Debian package, installs it with dpkg, lays out a program folder and an office
# workstation's folder from the installed files with velkora-admin and starts the installed
# program on the first under Xvfb until its login window shows; the screen is saved as
# build/pacchetto-accesso.png. The package is removed again at the end, unless it was installed
# before this run. Needs root (dpkg).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
screenshot="$build/pacchetto-accesso.png"

[ "$(id -u)" -eq 0 ] || { echo "package-check: serve l'utente root per dpkg" >&2; exit 1; }

work="$(mktemp -d)"
display=""
xvfb_pid=""
program_pid=""
was_installed=0
dpkg-query -W -f='${Status}' velkora 2>/dev/null | grep -q "install ok installed" && was_installed=1
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ "$was_installed" -eq 0 ] && dpkg --purge velkora >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && rm -f velkora_*.deb && cpack -G DEB >/dev/null)
deb="$(ls "$build"/velkora_*.deb)"
echo "package-check: pacchetto $(basename "$deb")"
dpkg -i "$deb" >/dev/null

folder="$work/ufficio"
velkora-admin demo "$folder"
for module in "$root"/modules/*/; do
  name="$(basename "$module")"
  [ -f "$folder/lib$name.so" ] || { echo "package-check: manca il modulo $name in $folder" >&2; exit 1; }
done
[ -x "$folder/velkora" ] || { echo "package-check: manca il programma in $folder" >&2; exit 1; }

# A workstation of an office, laid out from the installed files for a server: the program and
# the modules, and a dati.ini that names the server instead of a database.
postazione="$work/postazione"
velkora-admin postazione "$postazione" dbserver/3051 >/dev/null
for module in "$root"/modules/*/; do
  name="$(basename "$module")"
  [ -f "$postazione/lib$name.so" ] || { echo "package-check: manca il modulo $name in $postazione" >&2; exit 1; }
done
[ -x "$postazione/velkora" ] || { echo "package-check: manca il programma in $postazione" >&2; exit 1; }
grep -qx 'Nome Server=dbserver/3051.\?' "$postazione/user/dati.ini" ||
  { echo "package-check: $postazione/user/dati.ini non nomina il server" >&2; exit 1; }
[ ! -e "$postazione/user/user.fdb" ] || { echo "package-check: la postazione ha un database" >&2; exit 1; }

# A display of its own, so a desktop or another test is never disturbed.
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "package-check: nessun display libero" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

# Started as the desktop entry starts it: the launcher brings the folder up to the installed
# program and runs it there.
DISPLAY="$display" QT_QPA_PLATFORM=xcb velkora "$folder" >"$work/velkora.log" 2>&1 &
program_pid=$!
shown=0
for _ in $(seq 100); do
  if DISPLAY="$display" xdotool search --onlyvisible --name '^Autenticazione$' >/dev/null 2>&1; then
    shown=1
    break
  fi
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.2
done
if [ "$shown" -ne 1 ]; then
  echo "package-check: la finestra di accesso non si è aperta" >&2
  cat "$work/velkora.log" >&2
  exit 1
fi
sleep 0.5
DISPLAY="$display" import -window root "$screenshot"
kill -TERM "$program_pid"
wait "$program_pid" || { echo "package-check: il programma è terminato con errore" >&2; exit 1; }
program_pid=""
echo "package-check: finestra di accesso del programma installato in $screenshot"
