#!/usr/bin/env bash
# The real program beside a screen reader's AT-SPI listener on a private
# accessibility bus: every key is held back by Qt's bridge and sent on
# later, yet none may be lost. Played once with the ordinary keys and once
# with the six-key Braille keyboard.
set -u
program="$1"
appfolder="$2"
driver="$(dirname "$0")/screenreaderkeys.py"

source "$(dirname "$0")/../support/accessibilitybus.sh"
stageprogram "$program" "$appfolder"

failures=0
for mode in keys chords; do
  [ "$mode" = chords ] && printf '[keyboard]\nbraillekeys=1\n' >"$work/app/vorkana.ini"
  startprogram || { echo "FAIL: the program did not start"; exit 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null
  echo "with $mode:"
  timeout 240 /usr/bin/python3 "$driver" "$mode" || failures=$((failures + 1))
  kill -9 "$programpid" 2>/dev/null
  wait "$programpid" 2>/dev/null
  programpid=
done
exit $((failures > 0))
