# Sourced by the scripts that look at the program on a private X server: a temporary work folder
# ($work) and the X server with its window manager, removed and stopped when the script ends.
# Add the pid of anything else started to $pids so that it is stopped too.
work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Starts Xvfb on the display given ($1, e.g. ":22") and openbox on it, and waits until both work.
avvia_schermo() {
  Xvfb "$1" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do
    DISPLAY="$1" xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
  done
  DISPLAY="$1" openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
}
