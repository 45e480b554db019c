#!/usr/bin/env bash
# The sound figures against PipeWire's PulseAudio server instead of
# PulseAudio itself: PipeWire, WirePlumber and pipewire-pulse started
# headless in a private runtime folder with a null sink called ci_sink,
# stopped by process id afterwards. Needs scripts/install-deps.sh --bench.
# Usage: bench/pipewire-figures.sh [build folder] [seconds of game tones]
set -u
build="$(cd "${1:-build}" && pwd)"
seconds="${2:-60}"
for tool in pipewire pipewire-pulse wireplumber dbus-run-session pactl; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: scripts/install-deps.sh --bench"; exit 1; }
done

work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" HOME="$work"
unset DBUS_SESSION_BUS_ADDRESS PULSE_SERVER
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d"
cat >"$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/null-sink.conf" <<'EOF'
context.objects = [
  { factory = adapter
    args = { factory.name = support.null-audio-sink node.name = "ci_sink" media.class = "Audio/Sink"
             audio.position = [ FL FR ] audio.rate = 48000 monitor.channel-volumes = true object.linger = true } }
]
EOF

pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    for child in $(pgrep -P "$pid"); do kill "$child" 2>/dev/null; done
    kill "$pid" 2>/dev/null
  done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

pipewire >"$work/pipewire.log" 2>&1 &
pids+=($!)
sleep 0.5
dbus-run-session -- wireplumber >"$work/wireplumber.log" 2>&1 &
pids+=($!)
pipewire-pulse >"$work/pipewire-pulse.log" 2>&1 &
pids+=($!)
for attempt in $(seq 100); do
  pactl info 2>/dev/null | grep -q 'Default Sink: ci_sink' && break
  sleep 0.1
done
pactl info 2>/dev/null | grep -E 'Server Name|Default Sink' || { echo "PipeWire's server did not start"; exit 1; }

export VORKANA_RUNNING_SOUND_SERVER=1
"$build/bench/soundfigures" "$build/app/sounds.dat"
"$build/bench/speechlatency"
"$build/bench/dropouts" "$build/app/sounds.dat" "$seconds" 10
