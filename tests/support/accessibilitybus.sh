# Sourced by the end-to-end scripts that read the program
# as a screen reader does: an X server (xserver.sh), a session bus of the test's own and the
# accessibility bus on it, both stopped with the test's servers. Qt is told
# to serve its tree, as no desktop here asks it to.
for tool in Xvfb xdotool dbus-daemon /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }

source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"

mkdir -p "$work/runtime" "$work/home" "$work/app"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
dbus-daemon --session --nofork --nosyslog --address="unix:path=$work/bus" >/dev/null 2>&1 &
serverpids+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
# A loaded machine takes seconds to bring up the bus.
for attempt in $(seq 300); do
  [ -S "$work/bus" ] && break
  sleep 0.1
done
[ -S "$work/bus" ] || { echo "FAIL: the session bus did not start"; exit 1; }
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
serverpids+=($!)

# Copies the program and its data files into the test's own folder.
stageprogram() {
  cp "$1" "$work/app/vorkana"
  cp "$2/sounds.dat" "$2/czech.ebt" "$2/czech.eky" "$work/app/"
}

# Starts the staged program and waits for its window. A start that finds
# the busy X server not answering ends at once; it is tried again, up to
# three times.
startprogram() {
  local tries
  for tries in 1 2 3; do
    (cd "$work/app" && exec ./vorkana) &
    programpid=$!
    findwindow && return 0
    wait "$programpid" 2>/dev/null
    echo "the program ended before its window appeared (start $tries)"
  done
  return 1
}
