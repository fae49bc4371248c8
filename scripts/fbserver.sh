#!/usr/bin/env bash
# Starts, stops or reports the Firebird server used by the multi-workstation tests.
#   scripts/fbserver.sh start | stop | status | address
#
# The server is a private instance: its own root folder (the FIREBIRD environment variable of the
# server process) holding its firebird.conf, its own security database with SYSDBA's password set
# to the suite's default, and its own lock folder; it listens on 127.0.0.1 on its own port and runs
# as user firebird. The machine's installed server, its configuration under /etc/firebird and its
# security database under /var/lib/firebird are left as they are, and `stop` ends only the
# process that `start` started (by its pid file), never a server that was running before.
#
#   VELKORA_FBSERVER_PORT  the port (default 3051; the installed server keeps 3050)
#   VELKORA_FBSERVER_DIR   the instance's folder (default /tmp/velkora-fbserver-PORT); it is made
#                          afresh by every start and must be reachable by user firebird
set -euo pipefail

password="quillbark"
port="${VELKORA_FBSERVER_PORT:-3051}"
dir="${VELKORA_FBSERVER_DIR:-/tmp/velkora-fbserver-$port}"
server=/usr/sbin/firebird
fblib=/usr/lib/x86_64-linux-gnu/firebird/3.0
pidfile="$dir/firebird.pid"
# Written into every folder this script makes, so that it never empties a folder of anyone else.
marker="$dir/.velkora-fbserver"

case "$port" in
  '' | *[!0-9]*) echo "fbserver: the port '$port' is not a number" >&2; exit 2 ;;
esac

is_up() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

# The pid of the server this script started, when it is still running; nothing otherwise. The
# process must be the Firebird server and have this instance's folder as its FIREBIRD, so a pid
# file left behind after a reboot can never name another process.
running_pid() {
  [ -f "$pidfile" ] || return 1
  local pid
  pid="$(cat "$pidfile")"
  case "$pid" in '' | *[!0-9]*) return 1 ;; esac
  [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$server" ] || return 1
  tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "FIREBIRD=$dir" || return 1
  echo "$pid"
}

# Whether the pid names a process that still runs (a finished one left unreaped is not running).
process_alive() {
  local state
  case "$1" in '' | *[!0-9]*) return 1 ;; esac
  state="$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)"
  [ -n "$state" ] && [ "$state" != Z ]
}

# Makes the instance's folder from nothing: configuration, links to the installed program's
# messages, plugins and character sets, a lock folder and a new security database.
make_instance() {
  if [ -L "$dir" ]; then
    echo "fbserver: $dir is a symbolic link; refusing to use it" >&2
    return 1
  fi
  if [ -e "$dir" ]; then
    if [ ! -f "$marker" ]; then
      echo "fbserver: $dir exists and was not made by this script; choose another VELKORA_FBSERVER_DIR" >&2
      return 1
    fi
    rm -rf -- "$dir"
  fi
  mkdir -m 755 -- "$dir"
  : >"$marker"
  local item
  for item in firebird.msg plugins intl lib UDF; do
    if [ -e "$fblib/$item" ]; then ln -s "$fblib/$item" "$dir/$item"; fi
  done
  mkdir -m 770 "$dir/lock"
  cat >"$dir/firebird.conf" <<EOF
# Private test instance made by scripts/fbserver.sh; remade at every start.
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
SecurityDatabase = $dir/security3.fdb
UdfAccess = None
EOF
  cat >"$dir/databases.conf" <<EOF
security.db = $dir/security3.fdb
{
  RemoteAccess = false
}
EOF
  cat >"$dir/plugins.conf" <<'EOF'
Plugin = UDR {
  Module = $(dir_plugins)/udr_engine
  Config = UDR_config
}
Config = UDR_config {
  path = $(dir_plugins)/udr
}
EOF
  # The security database is new and empty; SYSDBA gets the suite's password through the embedded
  # engine, which reads this instance's configuration and so writes into this instance's file.
  printf "CREATE DATABASE '%s';\nCOMMIT;\n" "$dir/security3.fdb" |
    FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" isql-fb -q -user SYSDBA >/dev/null
  printf "CREATE OR ALTER USER SYSDBA PASSWORD '%s' USING PLUGIN Srp;\nCOMMIT;\n" "$password" |
    FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" isql-fb -q -user SYSDBA "$dir/security3.fdb" >/dev/null
  chown -R firebird:firebird "$dir/lock" "$dir/security3.fdb"
}

start() {
  local pid
  if pid="$(running_pid)"; then
    echo "fbserver: already running (pid $pid) on 127.0.0.1:$port"
    return 0
  fi
  if is_up; then
    echo "fbserver: another program listens on 127.0.0.1:$port; choose another VELKORA_FBSERVER_PORT" >&2
    return 1
  fi
  make_instance
  FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" \
    start-stop-daemon --start --quiet --background --make-pidfile --pidfile "$pidfile" \
    --chuid firebird:firebird --exec "$server"
  for _ in $(seq 1 150); do
    if is_up; then
      echo "fbserver: listening on 127.0.0.1:$port (pid $(cat "$pidfile"), FIREBIRD=$dir)"
      return 0
    fi
    # Until the child has become the server, its pid names start-stop-daemon; it is given up
    # only when the process has gone (or is a finished zombie).
    process_alive "$(cat "$pidfile" 2>/dev/null)" || break
    sleep 0.2
  done
  echo "fbserver: the server did not start on 127.0.0.1:$port" >&2
  stop >/dev/null || true
  return 1
}

stop() {
  local pid
  if ! pid="$(running_pid)"; then
    rm -f "$pidfile"
    echo "fbserver: not running on 127.0.0.1:$port (nothing started by this script)"
    return 0
  fi
  # Only the process of the pid file; the server lets its attachments go on TERM.
  if ! start-stop-daemon --stop --quiet --pid "$pid" --exec "$server" --retry TERM/10/KILL/5; then
    echo "fbserver: the server (pid $pid) did not stop" >&2
    return 1
  fi
  rm -f "$pidfile"
  echo "fbserver: stopped (pid $pid)"
}

status() {
  local pid
  if pid="$(running_pid)"; then
    if is_up; then
      echo "up: pid $pid, 127.0.0.1:$port, FIREBIRD=$dir"
      return 0
    fi
    echo "starting or not answering: pid $pid, 127.0.0.1:$port"
    return 1
  fi
  if is_up; then
    echo "down: 127.0.0.1:$port answers, but not a server started by this script"
  else
    echo "down: 127.0.0.1:$port"
  fi
  return 1
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  status) status ;;
  # The address the tests reach the server by (VELKORA_TEST_SERVER).
  address) echo "localhost/$port" ;;
  *) echo "usage: $0 start|stop|status|address" >&2; exit 2 ;;
esac
