#!/usr/bin/env bash
# What reading the main window costs a screen reader while the built-in
# game waits for a key, against the same screen at rest: one AT-SPI call,
# the extents of 80 characters, the window walked for the focus and one
# flat review step read over AT-SPI (screenreview.py), and Orca's own flat
# review keys, from the key to what Orca said. At rest is a second program
# that printed the game's greeting and ended (greeting.bas); both run at
# once and are read in turns.
# Usage: bench/screenreview-figures.sh HARNESS [build folder]
#   HARNESS: the screen reader harness's folder (start.sh); SR_DIR and
#   SR_DISPLAY choose the desktop's folder and display
set -u
harness="$(cd "$1" && pwd)"
build="$(cd "${2:-build}" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/screenreaderdesktop.sh"
review() { /usr/bin/python3 "$here/screenreview.py" "$@"; }
# Orca's review keys in a window, once the focus came to it: the current
# line, the one above, the one below; the span of Orca's log they took is
# added to the window's list.
orcareview() {
  local from
  local -n spans=$2
  xdotool windowfocus --sync "$1"
  sleep 2
  from=$(($(wc -l <"$ORCA_LOG") + 1))
  PRESS_GAP=1.2 press KP_Up KP_Home KP_Page_Up
  sleep 0.5
  spans+=("$from-$(wc -l <"$ORCA_LOG")")
}

startdesktop "$harness"
startprogram "$build" "$here/greeting.bas"
rest=$program restwindow=$window
sleep 2
press ctrl+s
review shown "$rest" "medzerníka" && review ended "$rest" || exit 1

startprogram "$build"
game=$program gamewindow=$window
sleep 2
press ctrl+s
review shown "$game" "medzerníka" || exit 1
# the greeting said, the game clicks while it waits for a key
sleep 8
review "at rest=$rest" "in the game's wait=$game"
restspans=() gamespans=()
for round in 1 2 3 4 5; do
  orcareview "$restwindow" restspans
  orcareview "$gamewindow" gamespans
done
review orca "at rest" "${restspans[@]}"
review orca "in the game's wait" "${gamespans[@]}"
