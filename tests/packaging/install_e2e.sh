#!/usr/bin/env bash
# Installs into a temporary prefix and uses the installed program as a user
# would: from another folder, with the XDG folders in the temporary folder,
# under its own X server. Then a second start in a folder that holds
# sounds.dat must use that folder's files instead. Any message box is
# answered with Enter, and a program that does not end in time is killed
# and the test fails.
set -u
builddir="$1"
version="$2"

for tool in Xvfb xdotool desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/../support/xserver.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix="$work/prefix"
cmake --install "$builddir" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }
program="$prefix/bin/vorkana"
appid=org.vorkana.BasicInterpreter
for file in bin/vorkana share/vorkana/sounds.dat share/vorkana/czech.ebt share/vorkana/czech.eky share/vorkana/english.eky \
  share/vorkana/slovak.eky share/vorkana/hrapamet.bas "share/applications/$appid.desktop" "share/icons/hicolor/scalable/apps/$appid.svg" \
  "share/metainfo/$appid.metainfo.xml" share/man/man6/vorkana.6.gz; do
  [ -s "$prefix/$file" ] || fail "not installed: $file"
done
[ -x "$program" ] || { echo "FAIL: no installed program"; exit 1; }

desktop-file-validate "$prefix/share/applications/$appid.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$appid.metainfo.xml" || fail "appstreamcli validate"
grep -q '^Name\[cs\]=Překladač Vorkana Basicu$' "$prefix/share/applications/$appid.desktop" || fail "no Czech name"
grep -q '^Name\[sk\]=Prekladač Vorkana Basicu$' "$prefix/share/applications/$appid.desktop" || fail "no Slovak name"
grep -q '^Categories=Education;ComputerScience;$' "$prefix/share/applications/$appid.desktop" || fail "categories"

# The command line is answered without a display.
output=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version 2>"$work/stderr")
status=$?
[ "$status" = 0 ] || fail "--version ended with $status"
[ "$output" = "Vorkana Basic Interpreter $version" ] || fail "--version printed '$output'"
output=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --bogus 2>"$work/stderr")
status=$?
[ "$status" = 2 ] || fail "--bogus ended with $status"
[ -z "$output" ] || fail "--bogus printed '$output' on standard output"
grep -q -- "--bogus" "$work/stderr" || fail "--bogus: the message does not name the option: $(cat "$work/stderr")"
env -u DISPLAY "$program" --help | grep -q -- "--version" || fail "--help does not list --version"

mkdir -p "$work/runtime" "$work/home"
chmod 700 "$work/runtime"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8 HOME="$work/home"
export XDG_DATA_HOME="$work/xdg/data" XDG_CONFIG_HOME="$work/xdg/config" XDG_DATA_DIRS="$work/nothing"

# Starts the installed program in the given folder, ends it with Alt+F4,
# and waits for it to end, answering any box with Enter.
runandclose() {
  local folder="$1" window= attempt tries
  # Up to 30 s: a loaded machine starts slowly. A start that finds the busy
  # X server not answering ends at once; it is tried again, up to three times.
  for tries in 1 2 3; do
    (cd "$folder" && exec "$program") &
    programpid=$!
    findwindow && break
    wait "$programpid" 2>/dev/null
    programpid=
  done
  [ -n "$window" ] || { fail "$folder: no window appeared"; return 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.3
  xdotool key alt+F4
  for attempt in $(seq 120); do
    kill -0 "$programpid" 2>/dev/null || { wait "$programpid"; programpid=; return 0; }
    sleep 0.25
    [ $((attempt % 4)) -eq 0 ] && xdotool key Return 2>/dev/null
  done
  fail "$folder: the program did not end"
  kill -9 "$programpid" 2>/dev/null
  wait "$programpid" 2>/dev/null
  programpid=
  return 1
}

# Installed: started from an empty folder, the user's files go to the XDG folders.
mkdir -p "$work/elsewhere"
if runandclose "$work/elsewhere"; then
  [ "$(stat -c %s "$XDG_DATA_HOME/vorkana/ram.dat" 2>/dev/null)" = 65536 ] || fail "installed: no ram.dat in XDG_DATA_HOME"
  [ -s "$XDG_CONFIG_HOME/vorkana/vorkana.ini" ] || fail "installed: no settings in XDG_CONFIG_HOME"
  [ -z "$(ls -A "$work/elsewhere")" ] || fail "installed: files written to the current folder: $(ls -A "$work/elsewhere")"
  [ ! -e "$prefix/bin/vorkana.ini" ] || fail "installed: settings written beside the program"
fi

# A working folder with sounds.dat: its own memory is loaded and saved, the
# XDG files are left alone.
mkdir -p "$work/folder"
cp "$prefix/share/vorkana/sounds.dat" "$prefix/share/vorkana/czech.ebt" "$prefix/share/vorkana/czech.eky" "$work/folder/"
head -c 65536 /dev/urandom >"$work/known.dat"
cp "$work/known.dat" "$work/folder/ram.dat"
cp "$XDG_DATA_HOME/vorkana/ram.dat" "$work/xdgram.dat" 2>/dev/null
if runandclose "$work/folder"; then
  cmp -s "$work/known.dat" "$work/folder/ram.dat" || fail "working folder: its ram.dat was not the one loaded and saved"
  cmp -s "$work/xdgram.dat" "$XDG_DATA_HOME/vorkana/ram.dat" || fail "working folder: the XDG ram.dat changed"
  [ -s "$prefix/bin/vorkana.ini" ] || fail "working folder: no settings beside the program"
fi

[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
