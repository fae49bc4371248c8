#!/usr/bin/env bash
# Starts or stops the Firebird server used by the multi-workstation tests: loopback only,
# SYSDBA's password set to the suite's default before it starts, run as user firebird.
#   scripts/fbserver.sh start | stop | status
set -euo pipefail

password="quillbark"
conf=/etc/firebird/3.0/firebird.conf
security=/var/lib/firebird/3.0/system/security3.fdb
rundir=/run/firebird3.0

is_up() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

start() {
  if is_up; then
    echo "fbserver: already listening on 127.0.0.1:3050"
    return 0
  fi
  # Loopback only.
  if grep -q '^RemoteBindAddress' "$conf"; then
    sed -i 's/^RemoteBindAddress.*/RemoteBindAddress = 127.0.0.1/' "$conf"
  else
    echo 'RemoteBindAddress = 127.0.0.1' >> "$conf"
  fi
  # SYSDBA's password, written through the embedded engine into the security database.
  printf "CREATE OR ALTER USER SYSDBA PASSWORD '%s' USING PLUGIN Srp;\nCOMMIT;\n" "$password" \
    | isql-fb -q -user SYSDBA "$security" >/dev/null
  chown firebird:firebird "$security"
  mkdir -p "$rundir"
  chown firebird:firebird "$rundir"
  # The lock folder must be usable by the server and by embedded test processes alike.
  mkdir -p /tmp/firebird
  chown firebird:firebird /tmp/firebird
  chmod 2777 /tmp/firebird
  su -s /bin/sh firebird -c "/usr/sbin/fbguard -daemon -forever -pidfile $rundir/fbguard.pid"
  for _ in $(seq 1 50); do
    is_up && { echo "fbserver: listening on 127.0.0.1:3050"; return 0; }
    sleep 0.2
  done
  echo "fbserver: the server did not start" >&2
  return 1
}

stop() {
  # The guard goes first, or it starts the server again.
  if [ -f "$rundir/fbguard.pid" ]; then
    kill "$(cat "$rundir/fbguard.pid")" 2>/dev/null || true
    rm -f "$rundir/fbguard.pid"
  fi
  pkill -u firebird -x fbguard 2>/dev/null || true
  pkill -u firebird -x firebird 2>/dev/null || true
  for _ in $(seq 1 25); do
    is_up || { echo "fbserver: stopped"; return 0; }
    sleep 0.2
  done
  echo "fbserver: the server is still running" >&2
  return 1
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  status) if is_up; then echo up; else echo down; exit 1; fi ;;
  *) echo "usage: $0 start|stop|status" >&2; exit 2 ;;
esac
