#!/usr/bin/env bash
# The sound figures on the three ways the program can reach a sink, in one
# run: PipeWire through our own stream, PipeWire through its PulseAudio
# service (the libpulse output), and PulseAudio itself. PipeWire,
# WirePlumber and pipewire-pulse are started headless in a private runtime
# folder with a null sink called ci_sink, and stopped by process id
# afterwards; the PulseAudio figures start their own daemon. Every figure
# is read off the null sink's monitor.
# Needs scripts/install-deps.sh --bench.
# Usage: bench/pipewire-figures.sh [build folder] [seconds of tones per load] [figures]
# figures: all (the default), or only one program's: soundfigures,
# speechlatency or dropouts.
set -u
build="$(cd "${1:-build}" && pwd)"
seconds="${2:-60}"
only="${3:-all}"
for tool in pipewire pipewire-pulse wireplumber dbus-run-session pactl pulseaudio; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: scripts/install-deps.sh --bench"; exit 1; }
done

work=$(mktemp -d)
pids=()
stopservers() {
  for pid in "${pids[@]}"; do
    for child in $(pgrep -P "$pid"); do kill "$child" 2>/dev/null; done
    kill "$pid" 2>/dev/null
  done
  for pid in "${pids[@]}"; do
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  done
  pids=()
}
trap 'stopservers; rm -rf "$work"' EXIT

figures() {
  case "$only" in all|soundfigures) "$build/bench/soundfigures" "$build/app/sounds.dat" ;; esac
  case "$only" in all|speechlatency) "$build/bench/speechlatency" ;; esac
  case "$only" in all|dropouts) "$build/bench/dropouts" "$build/app/sounds.dat" "$seconds" 11 ;; esac
}

(
  export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" HOME="$work"
  unset DBUS_SESSION_BUS_ADDRESS PULSE_SERVER PIPEWIRE_REMOTE
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  mkdir -p "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d"
  cat >"$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/null-sink.conf" <<'EOF'
context.objects = [
  { factory = adapter
    args = { factory.name = support.null-audio-sink node.name = "ci_sink" media.class = "Audio/Sink"
             audio.position = [ FL FR ] audio.rate = 48000 monitor.channel-volumes = true object.linger = true } }
]
EOF
  pipewire >"$work/pipewire.log" 2>&1 &
  pids+=($!)
  sleep 0.5
  dbus-run-session -- wireplumber >"$work/wireplumber.log" 2>&1 &
  pids+=($!)
  pipewire-pulse >"$work/pipewire-pulse.log" 2>&1 &
  pids+=($!)
  trap stopservers EXIT
  for attempt in $(seq 100); do
    pactl info 2>/dev/null | grep -q 'Default Sink: ci_sink' && break
    sleep 0.1
  done
  pactl info 2>/dev/null | grep -E 'Server Name|Default Sink' || { echo "PipeWire's server did not start"; exit 1; }
  export VORKANA_RUNNING_SOUND_SERVER=1

  echo "== PipeWire, our own stream"
  figures
  # With no PipeWire socket to be found, the program takes the libpulse
  # output, which pipewire-pulse serves.
  echo "== PipeWire's PulseAudio service, the libpulse output"
  PIPEWIRE_REMOTE=vorkana-none figures
)

# The figures start a PulseAudio daemon of their own; no PipeWire socket
# may be found beside it.
echo "== PulseAudio, the libpulse output"
PIPEWIRE_REMOTE=vorkana-none figures
