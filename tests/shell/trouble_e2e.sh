#!/usr/bin/env bash
# When things go wrong the real program still talks, read over AT-SPI as a
# screen reader reads it and heard on a PulseAudio null sink of its own:
# - started with no sound server, its status line says so at once, and it
#   speaks once the server comes;
# - a program with a syntax error named on the command line is heard
#   before any key, and its error is on the screen;
# - a program that divides by zero shows and says its error as its last
#   line, then "hotovo";
# - with a settings file that cannot be written, Ctrl+S still starts the
#   game;
# - on a full disk Alt+F4 closes the window at once and ends the program,
#   leaving ram.dat as it was.
# The error boxes are never answered: each trial ends the program itself.
set -u
program="$1"
appfolder="$2"
tree="$(dirname "$0")/atspitree.py"
reader="$(dirname "$0")/../basic/atspiinput.py"

for tool in pulseaudio parecord sox unshare; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/../support/accessibilitybus.sh"
stageprogram "$program" "$appfolder"
unset PULSE_SERVER

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

startpulse() {
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n --disable-shm=yes --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=ci_sink" --log-target=file:"$work/pulse.log" \
    || { echo "FAIL: pulseaudio did not start"; exit 1; }
  serverpids+=("$(cat "$XDG_RUNTIME_DIR/pulse/pid")")
  pactl set-default-sink ci_sink
}

# Records the sink for the seconds given and says whether speech was heard.
heard() {
  local name=$1 seconds=$2 loudness
  timeout "$seconds" parecord --device=ci_sink.monitor --raw --format=s16le --rate=16000 --channels=1 "$work/$name.raw"
  loudness=$(sox -t raw -r 16000 -e signed -b 16 -c 1 "$work/$name.raw" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
  echo "$name: the sink heard RMS ${loudness:-none} in $seconds s"
  awk -v rms="${loudness:-0}" 'BEGIN { exit !(rms > 0.003) }'
}

run() {
  (cd "$work/app" && exec ./vorkana "$@") 2>>"$work/program.errors" &
  programpid=$!
  findwindow || { fail "$*: no window"; return 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null
}

stop() {
  kill -9 "$programpid" 2>/dev/null
  wait "$programpid" 2>/dev/null
  programpid=
}

# No sound server: told on the status line at once, heard when it comes.
run
/usr/bin/python3 "$tree" check vorkana label "Zvukový server není k dispozici; tóny a řeč jsou zatím tiché." \
  || fail "no sound server: not on the status line"
startpulse
heard soundserver 10 || fail "no sound server: nothing heard once it came"
stop

printf '10 PRINT 1\n20 IF 1 PRINT 2\n' >"$work/app/bad.bas"
run bad.bas
heard syntax 6 || fail "a syntax error at start was not heard"
/usr/bin/python3 "$reader" screen "řádek 20: očekává se THEN" || fail "a syntax error at start is not on the screen"
stop

printf '10 PRINT "start"\n20 X=0\n30 PRINT 5/X\n' >"$work/app/divide.bas"
run divide.bas && sleep 1 && xdotool key ctrl+s
/usr/bin/python3 "$reader" screen "start" "řádek 30: dělení nulou" "hotovo" || fail "division by zero is not on the screen"
stop

# The settings file cannot be replaced: a folder stands where its new
# version would be made (root may write anywhere else).
rm -f "$work/app/vorkana.ini"
mkdir "$work/app/vorkana.ini.tmp"
run && sleep 1 && xdotool key ctrl+s
/usr/bin/python3 "$reader" screen ";hrapameť." || fail "with settings that cannot be written the game did not start"
stop
rmdir "$work/app/vorkana.ini.tmp"

# A full disk, in a private mount namespace: Alt+F4 ends the program.
if unshare -m true 2>/dev/null; then
  mkdir -p "$work/full"
  head -c 65536 /dev/urandom >"$work/ram.before"
  unshare -m bash -c '
    mount -t tmpfs -o size=32m tmpfs "$1/full" || exit 3
    cp "$1/app/vorkana" "$1/app/sounds.dat" "$1/app/czech.ebt" "$1/app/czech.eky" "$1/ram.before" "$1/full/"
    mv "$1/full/ram.before" "$1/full/ram.dat"
    cd "$1/full" && ./vorkana 2>>"$1/program.errors" &
    pid=$!
    echo "$pid" >"$1/full.pid"
    head -c 64M /dev/zero >"$1/full/filler" 2>/dev/null
    wait "$pid"
    cmp -s "$1/full/ram.dat" "$1/ram.before" && echo same >"$1/full.result"
  ' _ "$work" &
  namespace=$!
  programpid=
  for attempt in $(seq 100); do
    [ -s "$work/full.pid" ] && break
    sleep 0.1
  done
  programpid=$(cat "$work/full.pid" 2>/dev/null)
  if findwindow; then
    sleep 2
    xdotool windowfocus --sync "$window" 2>/dev/null
    start=$(date +%s%N)
    xdotool key alt+F4
    while xdotool search --onlyvisible --name "Vorkana" >/dev/null 2>&1; do sleep 0.05; done
    gone=$((($(date +%s%N) - start) / 1000000))
    waitforend 15 || fail "full disk: Alt+F4 did not end the program"
    ended=$((($(date +%s%N) - start) / 1000000))
    echo "full disk: the window went after $gone ms, the program ended after $ended ms"
    [ "$gone" -lt 1000 ] || fail "full disk: the window stayed $gone ms"
    programpid=
  else
    fail "full disk: no window"
  fi
  wait "$namespace"
  [ -f "$work/full.result" ] || fail "full disk: ram.dat changed"
  grep -q "ram.dat" "$work/program.errors" || fail "full disk: nothing said of ram.dat"
else
  echo "the full disk trial needs a private mount namespace (root); left out"
fi

[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
