#!/usr/bin/env bash
# A program of the user's, chosen as a user chooses it, on the real program
# under its own X server with its sound going to a PulseAudio null sink of
# its own: once named on the command line, once opened with Ctrl+O and the
# file typed into the dialog. Each time the title names the file, Ctrl+S
# starts it, its tone is heard at its pitch, and then, while the program
# loops without ever waiting, Alt+F4 still ends it with a whole ram.dat.
set -u
program="$1"
appfolder="$2"

for tool in Xvfb xdotool pulseaudio parecord sox; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/../support/xserver.sh"

export QT_QPA_PLATFORM=xcb LANG=C.UTF-8 XDG_RUNTIME_DIR="$work/pulse" HOME="$work/pulse"
unset PULSE_SERVER
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
pulseaudio --daemonize=yes --exit-idle-time=-1 -n --disable-shm=yes --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=ci_sink" --log-target=file:"$work/pulse.log" \
  || { echo "FAIL: pulseaudio did not start"; exit 1; }
serverpids+=("$(cat "$XDG_RUNTIME_DIR/pulse/pid")")
pactl set-default-sink ci_sink

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# One sine tone (timbre 0) of 880: a sample rate of 64 x 880 over a
# 64-sample cycle, 880 Hz. Then a loop that never waits.
cat >"$work/tone.bas" <<'PROGRAM'
10 sound 880,1500,0
20 i=i+1: goto 20
PROGRAM

# Runs the program in a fresh folder with the arguments, the voice off so
# only the tone is heard; $1 names the trial.
start() {
  folder="$work/$1"
  mkdir -p "$folder"
  cp "$program" "$folder/vorkana"
  cp "$appfolder/sounds.dat" "$appfolder/czech.ebt" "$appfolder/czech.eky" "$folder/"
  printf '[voice]\nvoiceallowed=0\n' >"$folder/vorkana.ini"
  shift
  (cd "$folder" && exec ./vorkana "$@") &
  programpid=$!
  findwindow || { fail "$trial: no window appeared"; return 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.5
}

# Starts the program with Ctrl+S, records its tone and ends it with Alt+F4.
startandhear() {
  local trial=$1
  title=$(xdotool getwindowname "$window")
  [[ "$title" == "tone.bas - "* ]] || fail "$trial: the title is '$title'"
  parecord --device=ci_sink.monitor --raw --format=s16le --rate=48000 --channels=1 "$work/$trial.raw" &
  local recorder=$!
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.3
  xdotool key ctrl+s
  sleep 1.5
  kill "$recorder"; wait "$recorder" 2>/dev/null
  local frequency
  frequency=$(sox -t raw -r 48000 -e signed -b 16 -c 1 "$work/$trial.raw" -n stat 2>&1 \
    | awk '/Rough   frequency/ { print $3 }')
  [ -n "$frequency" ] && [ "$frequency" -ge 860 ] && [ "$frequency" -le 900 ] \
    || fail "$trial: the tone was heard at '${frequency}' Hz, not 880"
  sleep 1 # the loop that never waits
  xdotool key alt+F4
  if ! waitforend 10; then
    fail "$trial: Alt+F4 did not end the looping program"
    kill -9 "$programpid"
  fi
  wait "$programpid" 2>/dev/null
  programpid=
  [ "$(stat -c %s "$folder/ram.dat" 2>/dev/null)" = 65536 ] || fail "$trial: ram.dat is not 65536 bytes"
}

trial=commandline
start "$trial" "$work/tone.bas" && startandhear "$trial"

trial=menu
if start "$trial"; then
  xdotool key ctrl+o
  sleep 1
  xdotool type --delay 20 "$work/tone.bas"
  xdotool key Return
  sleep 1
  startandhear "$trial"
fi

[ "$failures" -eq 0 ] && echo "userprogram e2e: passed" || exit 1
