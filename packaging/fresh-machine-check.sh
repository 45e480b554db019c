#!/usr/bin/env bash
# The Debian package on a fresh, minimal Debian 12: debootstrap builds a root
# in a temporary folder, apt installs the package there as a user would, the
# program starts under Xvfb with a PulseAudio null sink, Ctrl+S starts the
# game and the sink's monitor must hear it; then the package goes with all
# it pulled in and the root's package list must be the one from before.
# Prints what the package pulls in, with and without Recommends. The test
# tools are installed in the root only after those figures and removed
# before the comparison. It downloads Debian's packages, so the test suite
# does not run it. Runs as root; needs scripts/install-deps.sh --bench.
# Usage: packaging/fresh-machine-check.sh [build folder]
set -u
build="$(cd "${1:-build}" 2>/dev/null && pwd)" || { echo "no build folder ${1:-build}: ./run.sh makes one"; exit 1; }
[ -f "$build/CPackConfig.cmake" ] || { echo "$build is not a configured build folder"; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "debootstrap, chroot and mount need root"; exit 1; }
for tool in debootstrap cpack sox findmnt; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: scripts/install-deps.sh --bench"; exit 1; }
done

release=bookworm
started=$SECONDS
work=$(mktemp -d)
root="$work/root"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Ends everything started in the root (the servers, the program, whatever
# they started themselves) by its id, with the given signal.
endrootprocesses() {
  local entry
  for entry in /proc/[0-9]*; do
    [ "$(readlink "$entry/root" 2>/dev/null)" = "$root" ] && kill "$1" "${entry#/proc/}" 2>/dev/null
  done
  sleep 0.5
}

# Every mount under the root is undone, and the folder is removed only once
# nothing is mounted there any more.
cleanup() {
  trap - EXIT INT TERM
  local target
  endrootprocesses -KILL
  findmnt -rn -o TARGET | awk -v root="$root/" 'index($0, root) == 1' | sort -r | while read -r target; do
    umount "$target" 2>/dev/null || umount -l "$target"
  done
  if findmnt -rn -o TARGET | awk -v root="$root/" 'index($0, root) == 1' | grep -q .; then
    echo "still mounted under $root; left in place"
  else
    rm -rf --one-file-system "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The URI of the host's own source for a suite, from either format of apt's
# configuration; empty when the host has none.
hostsource() {
  local suite="$1" file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk -v suite="$suite" 'BEGIN { RS = ""; FS = "\n" }
      {
        deb = 0; match_ = 0; uri = ""; enabled = 1
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^#/) continue
          split($i, words, /[ \t]+/)
          if (words[1] == "Types:") for (w = 2; w in words; w++) if (words[w] == "deb") deb = 1
          if (words[1] == "Suites:") for (w = 2; w in words; w++) if (words[w] == suite) match_ = 1
          if (words[1] == "URIs:" && uri == "") uri = words[2]
          if (words[1] == "Enabled:" && words[2] == "no") enabled = 0
        }
        if (deb && match_ && enabled && uri != "") { print uri; exit }
      }' "$file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    sed -E 's/#.*//; s/\[[^]]*\]//' "$file" | awk -v suite="$suite" '$1 == "deb" && $3 == suite { print $2; exit }'
  done
}

# A command in the root, with a clean environment of its own plus the
# variables given as NAME=value before it; it runs in /tmp. Started with &
# after --replace, it takes the place of the subshell, so that $! is its id.
inroot() {
  local variables=() how=()
  [ "${1:-}" = --replace ] && { how=(exec); shift; }
  while [[ "${1:-}" == *=* ]]; do variables+=("$1"); shift; done
  "${how[@]}" chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "${variables[@]}" /bin/sh -c 'cd /tmp && exec "$@"' sh "$@"
}

packagelist() {
  inroot dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package} ${Version}\n' | sort
}

# What installing the package would add: the packages besides it and their
# installed size in KiB, the package's own included.
pulledin() {
  local listing wanted size
  listing=$(inroot apt-get install --simulate "$@" "./$debname" 2>&1) || { echo "$listing" >&2; return 1; }
  mapfile -t wanted < <(echo "$listing" | sed -n 's/^Inst \([^ ]*\) (\([^ ]*\) .*/\1=\2/p' | grep -v '^vorkana=')
  size=0
  if [ "${#wanted[@]}" -gt 0 ]; then
    size=$(inroot apt-cache show "${wanted[@]}" | awk '
      /^Package:/ { name = $2 } /^Version:/ { version = $2 }
      /^Installed-Size:/ { if (!seen[name " " version]++) total += $2 } END { print total + 0 }')
  fi
  echo "${#wanted[@]} $((size + $(dpkg-deb -f "$package" Installed-Size)))"
}

echo "== the package"
cmake --build "$build" >"$work/build.log" 2>&1 || { cat "$work/build.log"; echo "FAIL: the build"; exit 1; }
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
package=$(ls "$work"/out/vorkana_*.deb 2>/dev/null | head -n 1)
[ -n "$package" ] || { cat "$work/cpack.log"; echo "FAIL: no vorkana_*.deb"; exit 1; }
debname=$(basename "$package")
echo "$debname"

echo "== a minimal Debian 12"
mirror=$(hostsource "$release" | head -n 1)
security=$(hostsource "$release-security" | head -n 1)
echo "mirror: ${mirror:-the default of debootstrap}"
debootstrap --variant=minbase "$release" "$root" ${mirror:+"$mirror"} >"$work/debootstrap.log" 2>&1 \
  || { tail -n 30 "$work/debootstrap.log"; echo "FAIL: debootstrap"; exit 1; }
bootstrapped=$SECONDS
# Without a host source, the mirror is the one debootstrap wrote down.
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" { print $2; exit }' "$root/etc/apt/sources.list")
{
  echo "deb $mirror $release main"
  echo "deb $mirror $release-updates main"
  [ -n "$security" ] && echo "deb $security $release-security main"
} >"$root/etc/apt/sources.list"
# No service starts while packages are installed: there is no init here.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# The root's /dev is its own, as a booted machine's would be: the host's,
# bound in, would bring the host's permissions along (apt's download user
# must write /dev/null) and carry mounts made under it back to the host
# where the mounts propagate.
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount -t tmpfs -o mode=755,nosuid dev "$root/dev"
for node in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
  IFS=: read -r name major minor <<<"$node"
  mknod -m 666 "$root/dev/$name" c "$major" "$minor"
done
mkdir "$root/dev/pts" "$root/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$root/dev/pts"
ln -s pts/ptmx "$root/dev/ptmx"
mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
ln -s /proc/self/fd "$root/dev/fd"
# A machine installed today has the point release's and the security
# updates; they are in the list from before, not in the figures.
{ inroot apt-get update && inroot apt-get dist-upgrade -y; } >"$work/update.log" 2>&1 \
  || { tail -n 30 "$work/update.log"; echo "FAIL: apt-get update"; exit 1; }
packagelist >"$work/before"
cp "$package" "$root/tmp/"

echo "== what the package pulls in"
read -r withcount withsize < <(pulledin) || { echo "FAIL: apt cannot install the package"; exit 1; }
read -r leancount leansize < <(pulledin --no-install-recommends) || { echo "FAIL: apt cannot install the package"; exit 1; }
echo "with Recommends:    $withcount packages besides vorkana, $((withsize / 1024)) MiB installed"
echo "without Recommends: $leancount packages besides vorkana, $((leansize / 1024)) MiB installed"

echo "== apt-get install ./$debname"
inroot apt-get install -y "./$debname" >"$work/install.log" 2>&1 \
  || { tail -n 30 "$work/install.log"; echo "FAIL: apt-get install"; exit 1; }
grep -E 'newly installed|After this operation' "$work/install.log" | sed 's/^/apt: /'
[ -x "$root/usr/bin/vorkana" ] || fail "no /usr/bin/vorkana after the install"

echo "== the program under Xvfb with a null sink"
tools=()
for tool in xvfb xdotool pulseaudio pulseaudio-utils; do
  inroot dpkg-query -W -f='${Status}' "$tool" 2>/dev/null | grep -q 'install ok installed' || tools+=("$tool")
done
if [ "${#tools[@]}" -gt 0 ]; then
  inroot apt-get install -y --no-install-recommends "${tools[@]}" >"$work/tools.log" 2>&1 \
    || { tail -n 30 "$work/tools.log"; echo "FAIL: the test tools"; exit 1; }
fi
mkdir -m 700 "$root/tmp/listen"
session=(XDG_RUNTIME_DIR=/tmp/listen QT_QPA_PLATFORM=xcb)
inroot "${session[@]}" pulseaudio --daemonize=yes --exit-idle-time=-1 -n --disable-shm=yes \
  --load=module-native-protocol-unix "--load=module-null-sink sink_name=ci_sink" \
  --log-target=file:/tmp/listen/pulse.log || fail "pulseaudio did not start"
inroot "${session[@]}" pactl set-default-sink ci_sink
inroot --replace "${session[@]}" Xvfb -displayfd 8 -noreset -screen 0 1280x1024x24 -nolisten tcp 8>"$work/display" >/dev/null 2>&1 &
for attempt in $(seq 300); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
session+=(DISPLAY=":$(head -n 1 "$work/display")")
inroot --replace "${session[@]}" parecord --raw --device=ci_sink.monitor --format=s16le --rate=16000 --channels=1 \
  /tmp/listen/heard.raw &
recorder=$!
inroot --replace "${session[@]}" vorkana >"$work/program.log" 2>&1 &
programpid=$!
window=
for attempt in $(seq 300); do
  window=$(inroot "${session[@]}" xdotool search --onlyvisible --name Vorkana 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$programpid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  cat "$work/program.log"
  fail "no window appeared"
else
  inroot "${session[@]}" xdotool windowfocus --sync "$window"
  sleep 2
  pressed=$(stat -c %s "$root/tmp/listen/heard.raw")
  inroot "${session[@]}" xdotool key ctrl+s
  sleep 8
  inroot "${session[@]}" xdotool key alt+F4
  for attempt in $(seq 40); do
    kill -0 "$programpid" 2>/dev/null || break
    sleep 0.25
    [ $((attempt % 4)) -eq 0 ] && inroot "${session[@]}" xdotool key Return 2>/dev/null
  done
  kill -0 "$programpid" 2>/dev/null && fail "the program did not end after Alt+F4"
fi
# Started with &, it ignores SIGINT.
kill -TERM "$recorder" 2>/dev/null
wait "$recorder" 2>/dev/null
# How loud the recording was before Ctrl+S and after it: a null sink's monitor
# gives exact silence when nothing plays.
loudness() {
  sox -t raw -r 16000 -e signed -b 16 -c 1 "$root/tmp/listen/heard.raw" -n trim "$@" stat 2>&1 \
    | awk '/^Maximum amplitude/ { peak = $3 } /^RMS +amplitude/ { rms = $3 } END { printf "%.4f %.4f\n", peak, rms }'
}
if [ -n "$window" ]; then
  read -r beforepeak beforerms < <(loudness 0 "$((pressed / 2))s")
  read -r afterpeak afterrms < <(loudness "$((pressed / 2))s")
  echo "before Ctrl+S: peak $beforepeak, RMS $beforerms; after: peak $afterpeak, RMS $afterrms"
  awk -v peak="$afterpeak" -v rms="$afterrms" 'BEGIN { exit !(peak > 0.05 && rms > 0.005) }' \
    && echo "Ctrl+S was heard" || fail "nothing was heard after Ctrl+S"
fi
endrootprocesses -TERM

echo "== removal"
if [ "${#tools[@]}" -gt 0 ]; then
  inroot apt-get purge -y --autoremove "${tools[@]}" >"$work/toolsremoval.log" 2>&1 \
    || { tail -n 30 "$work/toolsremoval.log"; fail "removing the test tools"; }
fi
inroot apt-get purge -y --autoremove vorkana >"$work/removal.log" 2>&1 \
  || { tail -n 30 "$work/removal.log"; fail "apt-get purge --autoremove vorkana"; }
rm -f "$root/tmp/$debname"
packagelist >"$work/after"
if diff "$work/before" "$work/after" >"$work/difference"; then
  echo "the package list is the one from before ($(wc -l <"$work/before") packages)"
else
  cat "$work/difference"
  fail "the package list differs after the removal"
fi

echo "took $((SECONDS - started)) s, $((bootstrapped - started)) s of it building the root"
[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
