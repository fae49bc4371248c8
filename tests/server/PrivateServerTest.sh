#!/usr/bin/env bash
# scripts/fbserver.sh runs a private instance: a second instance on a port of its own starts,
# serves SYSDBA with the suite's password and stops, while the servers it did not start keep
# running (the instance of the test run, and a process of the same name standing for the
# machine's own server), a stale pid file never makes it end another process, and the machine's
# configuration and security database stay byte-identical. Only those processes are watched:
# other Firebird processes of the machine may start and end meanwhile.
# Run by ctest only when the server tests are on (VELKORA_SERVER_TESTS); exit 77 skips.
set -uo pipefail

script="$1"
[ -n "${VELKORA_SERVER_TESTS:-}" ] || { echo "server tests are off"; exit 77; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

machine_files() {
  find /etc/firebird /var/lib/firebird -type f -print0 2>/dev/null | sort -z | xargs -0 -r sha256sum
}
# Running, not just a process table entry waiting to be reaped.
alive() { [ -e "/proc/$1" ] && [ "$(ps -o stat= -p "$1" | cut -c1)" != Z ]; }
free_port() {
  local p
  for p in $(seq 3061 3099); do
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return; }
  done
  return 1
}

work="$(mktemp -d /tmp/velkora-fbserver-test-XXXXXX)"
chmod 755 "$work"
sleeper=""
decoy=""
cleanup() {
  VELKORA_FBSERVER_PORT="$port" VELKORA_FBSERVER_DIR="$work/instance" "$script" stop >/dev/null 2>&1
  [ -n "$sleeper" ] && kill "$sleeper" 2>/dev/null
  [ -n "$decoy" ] && kill "$decoy" 2>/dev/null
  rm -rf "$work"
}
port="$(free_port)" || { echo "FAIL: no free port"; exit 1; }
trap cleanup EXIT
export VELKORA_FBSERVER_PORT="$port" VELKORA_FBSERVER_DIR="$work/instance"

before_files="$(machine_files)"
# The servers this run must leave alone: the test run's own instance (when it runs) and a
# process called "firebird" that this script did not start.
before_pids=""
run_port="${VELKORA_TEST_SERVER:-localhost/3051}"
run_pidfile="/tmp/velkora-fbserver-${run_port##*/}/firebird.pid"
if [ -f "$run_pidfile" ] && alive "$(cat "$run_pidfile")"; then before_pids="$(cat "$run_pidfile")"; fi
cp /bin/sleep "$work/firebird"
"$work/firebird" 300 &
decoy=$!
before_pids="$before_pids $decoy"

"$script" start || fail "start"
"$script" status | grep -q '^up:' || fail "status does not say up"
"$script" start | grep -q 'already running' || fail "a second start does not find the first"
pid="$(cat "$work/instance/firebird.pid")"
[ "$(stat -c %U "/proc/$pid")" = firebird ] || fail "the server does not run as user firebird"
grep -qx "RemoteBindAddress = 127.0.0.1" "$work/instance/firebird.conf" || fail "not bound to loopback"

# SYSDBA logs in with the suite's password over TCP, on this instance's port.
mkdir "$work/data" && chown firebird:firebird "$work/data"
out="$(printf "CREATE DATABASE 'localhost/%s:%s' USER 'SYSDBA' PASSWORD 'quillbark';\nSELECT MON\$REMOTE_PROTOCOL FROM MON\$ATTACHMENTS WHERE MON\$ATTACHMENT_ID = CURRENT_CONNECTION;\n" \
  "$port" "$work/data/t.fdb" | isql-fb -q 2>&1)"
echo "$out" | grep -q TCPv4 || fail "no TCP attachment with the suite's password: $out"

"$script" stop || fail "stop"
alive "$pid" && fail "the instance's server (pid $pid) still runs after stop"
"$script" status >/dev/null && fail "status says up after stop"

# A pid file left behind that names another process: stop ends nothing.
sleep 300 &
sleeper=$!
echo "$sleeper" >"$work/instance/firebird.pid"
"$script" stop | grep -q 'not running' || fail "stop with a stale pid file does not say not running"
alive "$sleeper" || fail "stop ended a process it did not start (pid $sleeper)"

# What ran before runs still; the machine's files are unchanged.
for p in $before_pids; do
  alive "$p" || fail "a server that ran before (pid $p) was ended"
done
[ "$(machine_files)" = "$before_files" ] || fail "the machine's Firebird files changed"

# A folder this script did not make is never emptied.
mkdir "$work/foreign" && touch "$work/foreign/keep"
VELKORA_FBSERVER_DIR="$work/foreign" "$script" start >/dev/null 2>&1 && fail "started in a foreign folder"
[ -f "$work/foreign/keep" ] || fail "a foreign folder was emptied"

[ "$failures" -eq 0 ] && echo "PASS" || exit 1
