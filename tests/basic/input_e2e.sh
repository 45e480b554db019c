#!/usr/bin/env bash
# BASIC programs that read, on the real program under its own X server and
# accessibility bus, with its sound going to a PulseAudio null sink of its
# own, driven by keys alone and read over AT-SPI as a screen reader reads
# them: a quiz that asks a name with INPUT and ten sums from
# DATA, typed on the keyboard and again as Braille chords, each answer
# through the data entry dialog; the dialog's field answering every
# boundary question at every offset while a program waits in it; and a
# program printing the three lines of the data.dta beside it until EOF.
set -u
program="$1"
appfolder="$2"
reader="$(dirname "$0")/atspiinput.py"

for tool in pulseaudio parecord sox; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/../support/accessibilitybus.sh"
stageprogram "$program" "$appfolder"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

unset PULSE_SERVER
pulseaudio --daemonize=yes --exit-idle-time=-1 -n --disable-shm=yes --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=ci_sink" --log-target=file:"$work/pulse.log" \
  || { echo "FAIL: pulseaudio did not start"; exit 1; }
serverpids+=("$(cat "$XDG_RUNTIME_DIR/pulse/pid")")
pactl set-default-sink ci_sink

cat >"$work/app/quiz.bas" <<'PROGRAM'
10 INPUT "jméno"; N$
20 PRINT "ahoj "; N$
30 FOR Q=1 TO 10: READ A, B: PRINT A; " plus "; B: INPUT C
40 IF C=A+B THEN S=S+1
50 NEXT: PRINT N$; " má "; S; " z 10"
60 DATA 1,1, 2,2, 3,3, 1,2, 2,3, 3,4, 1,3, 2,4, 4,1, 3,1
PROGRAM
sums=(2 4 6 3 5 7 4 6 5 4)
mkdir -p "$work/app/drill"
printf 'prvni radek\ndruhy, radek\ntreti radek\n' >"$work/app/drill/data.dta"
printf '10 WHILE NOT EOF(1): INPUT #1, L$: PRINT "cteno "; L$: WEND: PRINT "konec"\n' >"$work/app/drill/lines.bas"

# Waits for the data entry dialog and gives it the focus (no window
# manager does).
dialog() {
  local attempt id
  for attempt in $(seq 100); do
    id=$(xdotool search --onlyvisible --name '^Vlož data$' 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      xdotool windowfocus --sync "$id" 2>/dev/null
      sleep 0.3
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# One line typed into the dialog, with keys or as chords.
answer() {
  local mode=$1 line=$2
  dialog || { fail "$mode: the dialog did not open for '$line'"; return 1; }
  if [ "$mode" = keys ]; then
    xdotool type --delay 60 "$line"
    xdotool key Return
  else
    /usr/bin/python3 "$reader" chords "$line"
  fi
}

run() {
  local file=$1
  (cd "$work/app" && exec ./vorkana "$file") &
  programpid=$!
  findwindow || { fail "$file: no window"; return 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.5
  xdotool key ctrl+s
}

stop() {
  kill -9 "$programpid" 2>/dev/null
  wait "$programpid" 2>/dev/null
  programpid=
}

for mode in keys chords; do
  [ "$mode" = chords ] && printf '[keyboard]\nbraillekeys=1\n' >"$work/app/vorkana.ini"
  parecord --device=ci_sink.monitor --raw --format=s16le --rate=16000 --channels=1 "$work/$mode.raw" &
  recorder=$!
  run quiz.bas || continue
  if [ "$mode" = keys ]; then
    # A screen reader asks about the field's words while the program waits.
    dialog && xdotool type --delay 60 "a b, c. d"
    /usr/bin/python3 "$reader" boundaries "Vlož data" || fail "the field's boundaries"
    dialog && xdotool key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
  fi
  answer "$mode" ja
  /usr/bin/python3 "$reader" screen "jménoja" "ahoj ja" || fail "$mode: the name"
  for sum in "${sums[@]}"; do
    answer "$mode" "$sum" || break
  done
  /usr/bin/python3 "$reader" screen "ja má 10 z 10" "hotovo" || fail "$mode: the quiz did not end with its score"
  stop
  kill "$recorder"
  wait "$recorder" 2>/dev/null
  # Prompts, questions and echoes were heard: the sink carried sound.
  loudness=$(sox -t raw -r 16000 -e signed -b 16 -c 1 "$work/$mode.raw" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
  echo "$mode: the sink heard RMS ${loudness:-none}"
  awk -v rms="${loudness:-0}" 'BEGIN { exit !(rms > 0.003) }' || fail "$mode: the sink heard nothing (RMS ${loudness:-none})"
done

rm -f "$work/app/vorkana.ini"
run drill/lines.bas
/usr/bin/python3 "$reader" screen "cteno prvni radek" "cteno druhy, radek" "cteno treti radek" "konec" "hotovo" \
  || fail "the data file's lines"
stop

[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
