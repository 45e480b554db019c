#!/usr/bin/env bash
# The real program under its own X server and its own session bus, read over
# AT-SPI as Orca reads it: the main window, its screen text and menus, and
# each dialog the keyboard opens, all named in the interface language
# (Czech on a first start).
set -u
program="$1"
appfolder="$2"
tree="$(dirname "$0")/atspitree.py"

for tool in Xvfb xdotool dbus-daemon /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }

source "$(dirname "$0")/../support/xserver.sh"

mkdir -p "$work/runtime" "$work/home" "$work/app"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
dbus-daemon --session --nofork --nosyslog --address="unix:path=$work/bus" >/dev/null 2>&1 &
serverpids+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
# A loaded machine takes seconds to bring up the bus.
for attempt in $(seq 300); do
  [ -S "$work/bus" ] && break
  sleep 0.1
done
[ -S "$work/bus" ] || { echo "FAIL: the session bus did not start"; exit 1; }
# The accessibility bus, started here so that it is ours to stop.
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
serverpids+=($!)

cp "$program" "$work/app/vorkana"
cp "$appfolder/sounds.dat" "$appfolder/czech.ebt" "$appfolder/czech.eky" "$work/app/"
# Starts the program; Qt serves the tree when a screen reader asks, and no
# desktop here asks, so it is told to.
# A start that finds the busy X server not answering ends at once; it is
# tried again, up to three times.
startprogram() {
  local tries
  for tries in 1 2 3; do
    (cd "$work/app" && QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec ./vorkana) &
    programpid=$!
    findwindow && return 0
    wait "$programpid" 2>/dev/null
    echo "the program ended before its window appeared (start $tries)"
  done
}
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
opendialog ctrl+h "voice dialog" dialog "Nastavení hlasu" list Hlasy slider Výška slider Rychlost slider Hlasitost \
  "push button" "Zvolit hlas" "push button" Zavřít
# The help menu shares its mnemonic with the program menu, so it is reached
# from the program menu with the arrow keys, as a user would.
opendialog "alt+p Right Right Return" "about box" dialog "O programu" label "Překladač Vorkana Basicu" \
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
