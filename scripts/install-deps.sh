#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need;
# --tests adds the test tools, --bench those and what the benchmarks use.
# Idempotent: packages already present are left alone, and the package lists
# are refreshed only when something is missing. Installing needs root: run
# as root it needs nothing more, run as a user it asks sudo.
set -euo pipefail

# Runs the command as root: as it is for root, through sudo for a user.
asroot() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "$0: installing packages needs root: run it as root, or install sudo" >&2
    exit 1
  fi
}

build_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-private-dev libgl-dev
  libsimpleini-dev libsoxr-dev libpulse-dev libpipewire-0.3-dev
  libespeak-ng-dev espeak-ng-data
  libspeechd-dev speech-dispatcher speech-dispatcher-espeak-ng
  libgtest-dev libgmock-dev libxcb1-dev libbrlapi-dev
  fonts-dejavu-core
  qt6-translations-l10n qt6-wayland
  dpkg-dev file
)
# clang-14 and its libFuzzer and sanitizer runtimes build the fuzz targets
# and the sanitized key soak; util-linux gives unshare for the tmpfs tests;
# sway is the headless Wayland desktop of the Wayland end-to-end test, whose
# virtual keyboard is built against libwayland and libxkbcommon.
test_packages=(xvfb xdotool pulseaudio pulseaudio-utils sox x11-utils locales
  desktop-file-utils appstream dbus at-spi2-core python3-pyatspi clang-14 libclang-rt-14-dev util-linux lintian
  brltty
  pipewire pipewire-bin wireplumber
  sway libwayland-dev libxkbcommon-dev)
# The benchmarks also measure against PipeWire's PulseAudio server;
# debootstrap builds the fresh Debian root for packaging/fresh-machine-check.sh.
bench_packages=(pipewire-pulse debootstrap)

want=("${build_packages[@]}")
if [ "${1:-}" = "--tests" ] || [ "${1:-}" = "--bench" ]; then
  want+=("${test_packages[@]}")
fi
if [ "${1:-}" = "--bench" ]; then
  want+=("${bench_packages[@]}")
fi

missing=()
for package in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  asroot apt-get update
  # The tests start their own BRLTTY on a private socket; a system BRLTTY
  # started by the package would take devices and the default socket. No
  # service is started while packages are installed.
  guard=""
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    guard=/usr/sbin/policy-rc.d
    printf '#!/bin/sh\nexit 101\n' | asroot tee "$guard" >/dev/null
    asroot chmod 755 "$guard"
  fi
  status=0
  asroot env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" || status=$?
  [ -n "$guard" ] && asroot rm -f "$guard"
  [ "$status" -eq 0 ] || exit "$status"
fi

# The number tests also run under Czech settings, where the decimal
# separator is a comma.
if [ "${1:-}" = "--tests" ] && ! locale -a 2>/dev/null | grep -qi '^cs_CZ\.utf-\?8$'; then
  asroot sed -i 's/^# *cs_CZ.UTF-8 UTF-8/cs_CZ.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^cs_CZ.UTF-8 UTF-8' /etc/locale.gen || echo 'cs_CZ.UTF-8 UTF-8' | asroot tee -a /etc/locale.gen >/dev/null
  asroot locale-gen >/dev/null
fi
