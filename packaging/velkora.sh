#!/bin/sh
# Starts Velkora from a program folder: the one given, or $VELKORA_CARTELLA, or ~/Velkora.
# The program folder holds its own copy of the program and the module libraries, brought up to
# the installed version at each start; a new folder gets the demo data, a folder that already has
# a database or a dati.ini (a workstation of an office) only the program.
set -e
cartella="${1:-${VELKORA_CARTELLA:-$HOME/Velkora}}"
if [ -f "$cartella/user/user.fdb" ] || [ -f "$cartella/user/dati.ini" ]; then
  velkora-admin programma "$cartella" >/dev/null
else
  velkora-admin demo "$cartella" >/dev/null
fi
cd "$cartella"
exec ./velkora
