# Sourced by the end-to-end scripts: a private X server for the real program.
# The server picks a free display itself and names it once it takes
# connections, so a busy machine or another test's server cannot come
# between. It never resets: a reset each time its last client (the program,
# an xdotool call) leaves can turn away the program starting next. Sets work (a temporary folder), DISPLAY and the cleanup on exit,
# which ends the program whose id is in programpid, then the script's own
# servers whose ids it added to serverpids, then the X server.
work=$(mktemp -d)
Xvfb -displayfd 8 -noreset -screen 0 1280x1024x24 -nolisten tcp 8>"$work/display.number" >/dev/null 2>&1 &
xvfbpid=$!
programpid=
serverpids=()
cleanup() {
  [ -n "$programpid" ] && kill -9 "$programpid" 2>/dev/null
  local pid
  for pid in "${serverpids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${serverpids[@]}"; do wait "$pid" 2>/dev/null; done
  kill "$xvfbpid" 2>/dev/null
  wait "$xvfbpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

for attempt in $(seq 300); do
  [ -s "$work/display.number" ] && break
  sleep 0.1
done
[ -s "$work/display.number" ] || { echo "FAIL: the X server did not start"; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display.number")"

# Sets window to the program's shown main window. Gives up (status 1, window
# empty) after 30 s, as a loaded machine starts slowly, or at once when the
# program whose id is in programpid has ended.
findwindow() {
  local attempt
  window=
  for attempt in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "Vorkana" 2>/dev/null | head -n 1)
    [ -n "$window" ] && return 0
    [ -n "$programpid" ] && ! kill -0 "$programpid" 2>/dev/null && return 1
    sleep 0.1
  done
  return 1
}

# Waits up to the seconds for the program whose id is in programpid to end;
# status 1 when it is still running then.
waitforend() {
  local attempt
  for attempt in $(seq $(($1 * 4))); do
    kill -0 "$programpid" 2>/dev/null || return 0
    sleep 0.25
  done
  ! kill -0 "$programpid" 2>/dev/null
}
