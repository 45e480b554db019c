#!/usr/bin/env bash
# ram.dat and the settings file survive anything short of the disk failing:
# - 200 times, the rewriter (the program's own save routines in a loop) is
#   killed with SIGKILL at a random moment; each time both files are a whole
#   version, old or new, and the rewriter loads them again without error;
# - on a full disk (a small tmpfs) and in a read-only folder (a tmpfs
#   mounted read-only) a write tells one message naming each file and
#   leaves both old files as they were, with no temporary file behind;
# - the real program then starts on the files the kills left, and its exit
#   command writes ram.dat anew with the same contents.
# The tmpfs mounts live in a private mount namespace of their own.
set -u
rewriter="$1"
program="$2"
appfolder="$3"
kills="${KILLS:-200}"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Inside the private mount namespace: $2 is a fresh mount point.
if [ "${1:-}" = --on-tmpfs ]; then
  kind="$2" folder="$3" rewriter="$4"
  mount -t tmpfs -o size=256k tmpfs "$folder" || exit 3
  "$rewriter" "$folder" write 0 || { echo "FAIL: $kind: the first version was not written"; exit 1; }
  cp "$folder/ram.dat" "$folder/../old-ram.dat"
  cp "$folder/vorkana.ini" "$folder/../old-settings.ini"
  if [ "$kind" = full ]; then
    head -c 1G /dev/zero >"$folder/filler" 2>/dev/null
  else
    mount -o remount,ro "$folder" || exit 3
  fi
  "$rewriter" "$folder" write 1 2>"$folder/../errors"
  status=$?
  result=0
  [ "$status" -eq 1 ] || { echo "FAIL: $kind: the write reported success"; result=1; }
  # Lines of the program's own log ("vorkana: ") repeat what was told.
  grep -v '^vorkana: ' "$folder/../errors" >"$folder/../told"
  [ "$(grep -c "$folder/ram.dat" "$folder/../told")" -eq 1 ] && [ "$(grep -c "$folder/vorkana.ini" "$folder/../told")" -eq 1 ] \
    || { echo "FAIL: $kind: not one message per file: $(cat "$folder/../errors")"; result=1; }
  cmp -s "$folder/ram.dat" "$folder/../old-ram.dat" || { echo "FAIL: $kind: ram.dat changed"; result=1; }
  cmp -s "$folder/vorkana.ini" "$folder/../old-settings.ini" || { echo "FAIL: $kind: the settings file changed"; result=1; }
  ls "$folder" | grep -q '\.tmp$' && { echo "FAIL: $kind: a temporary file is left"; result=1; }
  echo "$kind: $(head -n 1 "$folder/../errors")"
  exit "$result"
fi

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
# The X server for the real program at the end; idle until then.
source "$(dirname "$0")/../support/xserver.sh"

# The two versions of the settings file, as references.
mkdir -p "$work/even" "$work/odd" "$work/files"
"$rewriter" "$work/even" write 0 && "$rewriter" "$work/odd" write 1 && "$rewriter" "$work/files" write 0 \
  || { echo "FAIL: the first versions were not written"; exit 1; }

for kill in $(seq "$kills"); do
  "$rewriter" "$work/files" loop 2>"$work/loop.errors" &
  pid=$!
  sleep "0.0$((RANDOM % 60 + 10))"
  kill -9 "$pid"
  wait "$pid" 2>/dev/null
  [ -s "$work/loop.errors" ] && { fail "kill $kill: the rewriter failed: $(cat "$work/loop.errors")"; break; }
  version=$("$rewriter" "$work/files" check 2>"$work/check.errors") \
    || { fail "kill $kill: $(cat "$work/check.errors")"; break; }
  cmp -s "$work/files/vorkana.ini" "$work/even/vorkana.ini" || cmp -s "$work/files/vorkana.ini" "$work/odd/vorkana.ini" \
    || { fail "kill $kill: the settings file is no whole version: $(cat "$work/files/vorkana.ini")"; break; }
done
echo "after $kills kills: version $version of ram.dat"
# Each kill must have found the rewriter writing most of the time, or the
# test proves nothing.
[ "${version:-0}" -ge $((kills / 10)) ] || fail "only ${version:-0} versions were written in $kills runs"

# Full disk and read-only folder, each on a tmpfs of its own.
if unshare -rm true 2>/dev/null; then
  private=(unshare -rm)
elif unshare -m true 2>/dev/null; then
  private=(unshare -m)
else
  echo "SKIP: no private mount namespace for the tmpfs (needs user namespaces or root)"
  exit 77
fi
for kind in full readonly; do
  mkdir -p "$work/$kind/mount"
  "${private[@]}" "$0" --on-tmpfs "$kind" "$work/$kind/mount" "$rewriter" || fail "$kind: see above"
done

# The real program on what the kills left.
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" LANG=C.UTF-8
folder="$work/files"
cp "$program" "$folder/vorkana"
cp "$appfolder/sounds.dat" "$appfolder/czech.ebt" "$appfolder/czech.eky" "$folder/"
cp "$folder/ram.dat" "$work/survivor.dat"
touch -d 2000-01-01 "$folder/ram.dat"
(cd "$folder" && exec ./vorkana) 2>"$work/program.errors" &
programpid=$!
findwindow
if [ -z "$window" ]; then
  fail "the program showed no window"
else
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.3
  xdotool key alt+p
  sleep 0.5
  xdotool key e
  if ! waitforend 30; then
    fail "the program did not end through its exit command (a message box?)"
  else
    wait "$programpid" || fail "the program ended with status $?"
    programpid=
    [ "$(stat -c %Y "$folder/ram.dat")" -gt 946771200 ] || fail "the program did not write ram.dat on exit"
    cmp -s "$folder/ram.dat" "$work/survivor.dat" || fail "the program changed the memory it loaded"
  fi
fi

[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
