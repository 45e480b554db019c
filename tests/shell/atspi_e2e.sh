#!/usr/bin/env bash
# The real program under its own X server and its own session bus, read over
# AT-SPI as Orca reads it: the main window, its screen text and menus, and
# each dialog the keyboard opens, all named in the interface language
# (Czech on a first start).
set -u
program="$1"
appfolder="$2"
tree="$(dirname "$0")/atspitree.py"

source "$(dirname "$0")/../support/accessibilitybus.sh"
stageprogram "$program" "$appfolder"
startprogram

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() {
  local what="$1"
  shift
  /usr/bin/python3 "$tree" check vorkana "$@" || fail "$what"
}

check "main window" frame "vorkana - Překladač Vorkana Basicu" text Obrazovka "popup menu" Program \
  "popup menu" Nastavení "popup menu" Nápověda "menu item" Spustit "menu item" Konec "menu item" "O programu" \
  "menu item" "Braillská klávesnice" "menu item" "Zvuky..."
window=$(xdotool search --onlyvisible --name "Vorkana" 2>/dev/null | head -n 1)

# Each dialog opened from the keyboard: its name and its controls' names.
opendialog() {
  local keys="$1" what="$2"
  shift 2
  # Without a window manager nobody gives the focus back when a dialog closes.
  if [ -n "$keys" ]; then
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key $keys
  fi
  check "$what" "$@"
  xdotool key Escape
  sleep 0.5
}
opendialog ctrl+e "environment dialog" dialog "Nastavení prostředí" "radio button" Čeština "radio button" English \
  "push button" Ok "push button" Zrušit
opendialog ctrl+d "sounds dialog" dialog "Nastavení zvuků" "check box" "Povolit hlas" "check box" "Zvuky Vorkany" \
  slider "Hlasitost zvuků" "push button" Ok "push button" Zrušit
# The voice in use has the focus as the voice dialog opens, after the list,
# so a screen reader names it without the user moving in the list.
/usr/bin/python3 "$tree" focus vorkana 6 "list item" >"$work/focus.log" &
listener=$!
sleep 1.5
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key ctrl+h
wait "$listener" || { cat "$work/focus.log"; fail "voice dialog focus"; }
xdotool key Escape
sleep 0.5
opendialog ctrl+h "voice dialog" dialog "Nastavení hlasu" list Hlasy slider Výška slider Rychlost slider Hlasitost \
  "push button" "Zvolit hlas" "push button" Zavřít
# The help menu by its own letter.
opendialog "alt+n Return" "about box" dialog "O programu" label "Překladač Vorkana Basicu" \
  label "verze 1.7" "push button" Ok
# The virtual screen opens from the arrow keys once the game has started;
# a fresh start, since the program's menus are closed during a run.
kill -9 "$programpid" 2>/dev/null
wait "$programpid" 2>/dev/null
startprogram
check "main window again" frame "vorkana - Překladač Vorkana Basicu"
window=$(xdotool search --onlyvisible --name "Vorkana" 2>/dev/null | head -n 1)
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key ctrl+s
# Up opens it only once the run has begun; a loaded machine takes a while.
for attempt in $(seq 40); do
  sleep 0.5
  xdotool search --onlyvisible --name '^Obrazovka$' >/dev/null 2>&1 && break
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key Up
done
opendialog "" "virtual screen" dialog Obrazovka text Obrazovka "push button" Zavřít

kill -9 "$programpid" 2>/dev/null
wait "$programpid" 2>/dev/null
programpid=
[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
