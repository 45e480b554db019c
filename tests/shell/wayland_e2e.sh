#!/usr/bin/env bash
# The real program as a native client of a headless Wayland compositor
# (sway), typed on by a keyboard with the standard keymap, so the key codes
# the program reads are a real keyboard's: the window's application id is
# the desktop entry's name, and the game is played with the ordinary keys
# beside a screen reader's listener (screenreaderkeys.py). A missing tool
# fails the test.
set -u
program="$1"
appfolder="$2"
keyboard="$3"
swayconfig="$4"
driver="$(dirname "$0")/screenreaderkeys.py"
appid=org.vorkana.BasicInterpreter

for tool in sway swaymsg setpriv; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps.sh --tests)"; exit 1; }
done
[ -x "$keyboard" ] || { echo "FAIL: the Wayland test keyboard was not built ($keyboard)"; exit 1; }
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 \
  || { echo "FAIL: Qt's Wayland plugin is not installed (qt6-wayland)"; exit 1; }

# The screen reader's bus (and an X server, which the program is kept
# from); its missing tools end the script with 77, a failure here.
source "$(dirname "$0")/../support/accessibilitybus.sh"
unset DISPLAY
stageprogram "$program" "$appfolder"

# sway refuses to run as root: as root it runs as nobody, in a runtime
# folder of its own that the program (root) reaches through the socket's
# full path.
chmod 711 "$work"
mkdir "$work/wayland"
swayuser=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$work/wayland"
  swayuser=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
chmod 700 "$work/wayland"
env -i PATH="$PATH" HOME="$work/wayland" XDG_RUNTIME_DIR="$work/wayland" WLR_BACKENDS=headless \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${swayuser[@]}" sway -c "$swayconfig" >"$work/sway.log" 2>&1 &
serverpids+=($!)
for attempt in $(seq 300); do
  socket=$(ls "$work"/wayland/wayland-[0-9] 2>/dev/null | head -n 1)
  [ -n "$socket" ] && break
  sleep 0.1
done
[ -n "$socket" ] || { echo "FAIL: sway did not start"; cat "$work/sway.log"; exit 1; }
export WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland
export SWAYSOCK=$(ls "$work"/wayland/sway-ipc.*.sock)

# The keyboard is there before the window, as a real one is; the driver
# writes its commands into the pipe.
mkfifo "$work/keys"
"$keyboard" <"$work/keys" &
serverpids+=($!)
exec 9>"$work/keys"
export WAYLAND_KEYS="$work/keys"

(cd "$work/app" && exec ./vorkana) &
programpid=$!

# The window, known to the desktop by its application id.
shown=
for attempt in $(seq 300); do
  shown=$(swaymsg -t get_tree 2>/dev/null | sed -n 's/.*"app_id": "\([^"]*\)".*/\1/p' | head -n 1)
  [ -n "$shown" ] && break
  kill -0 "$programpid" 2>/dev/null || break
  sleep 0.1
done
[ "$shown" = "$appid" ] || { echo "FAIL: the window's application id is '$shown', not $appid"; exit 1; }

timeout 240 /usr/bin/python3 "$driver" keys
