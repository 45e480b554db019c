#!/usr/bin/env bash
# The real program's resident memory and processor time while its sound
# server answers nothing: a private PulseAudio daemon with a null sink is
# stopped (SIGSTOP) under the idle program for a while and then let go on.
# Prints the resident memory before, every ten seconds while stopped and
# after, the share of a core used while stopped, and the lines the program
# wrote about its sound server.
# Needs Xvfb and pulseaudio (scripts/install-deps.sh --tests).
# Usage: bench/soundserverpause.sh [build folder] [seconds stopped] [idle|game]
set -u
build="$(cd "${1:-build}" && pwd)"
seconds="${2:-60}"
# idle: the program waits for a command; game: the game has started and
# speaks, as the server stops.
while="${3:-game}"
for tool in Xvfb xdotool pulseaudio; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: scripts/install-deps.sh --tests"; exit 1; }
done
source "$(dirname "$0")/../tests/support/xserver.sh"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/run" HOME="$work" LANG=C.UTF-8
unset PULSE_SERVER PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

pulseaudio --daemonize=yes --exit-idle-time=-1 -n --disable-shm=yes --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=ci_sink" --log-target=file:"$work/pulse.log" \
  || { echo "pulseaudio did not start"; exit 1; }
pulsepid=$(cat "$XDG_RUNTIME_DIR/pulse/pid")
serverpids+=("$pulsepid")
# A server still stopped would not hear the signal that ends it.
trap 'kill -CONT "$pulsepid" 2>/dev/null; cleanup' EXIT

folder="$work/folder"
mkdir -p "$folder"
cp "$build/app/vorkana" "$folder/vorkana"
cp "$build/app/sounds.dat" "$build/app/czech.ebt" "$build/app/czech.eky" "$folder/"
(cd "$folder" && exec ./vorkana) 2>"$work/errors" &
programpid=$!
findwindow || { echo "no window appeared: $(cat "$work/errors")"; exit 1; }
if [ "$while" = game ]; then
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key ctrl+s
fi
sleep 5

residentkb() { awk '/^VmRSS/ { print $2 }' "/proc/$programpid/status"; }
ticks() { awk '{ print $14 + $15 }' "/proc/$programpid/stat"; }
megabytes() { awk -v kb="$1" 'BEGIN { printf "%.1f MB", kb / 1024 }'; }

echo "resident before: $(megabytes "$(residentkb)")"
startticks=$(ticks)
kill -STOP "$pulsepid"
for ((elapsed = 10; elapsed <= seconds; elapsed += 10)); do
  sleep 10
  echo "stopped ${elapsed} s: $(megabytes "$(residentkb)")"
done
stoppedticks=$(($(ticks) - startticks))
kill -CONT "$pulsepid"
awk -v used="$stoppedticks" -v hz="$(getconf CLK_TCK)" -v seconds="$seconds" \
  'BEGIN { printf "processor while stopped: %.2f %% of a core\n", 100 * used / hz / seconds }'
sleep 5
echo "resident 5 s after it goes on: $(megabytes "$(residentkb)")"
echo "the program said:"
grep -i 'sound server' "$work/errors" | sed 's/^/  /'
