#!/usr/bin/env bash
# Builds the Debian package and checks what it holds and what it depends on:
# every library the program links comes from a package the package depends
# on, and the speech data it loads without linking is named too.
set -u
builddir="$1"
program="$2"

for tool in cpack dpkg-deb dpkg-shlibdeps readelf; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$work" && cpack -G DEB --config "$builddir/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
package=$(ls "$work"/out/vorkana_*.deb 2>/dev/null | head -n 1)
[ -n "$package" ] || { cat "$work/cpack.log"; echo "FAIL: no vorkana_*.deb"; exit 1; }

dpkg-deb -c "$package" | awk '{ print $6 }' >"$work/contents"
appid=org.vorkana.BasicInterpreter
for file in ./usr/bin/vorkana ./usr/share/vorkana/sounds.dat ./usr/share/vorkana/czech.ebt ./usr/share/vorkana/czech.eky \
  ./usr/share/vorkana/english.eky ./usr/share/vorkana/slovak.eky ./usr/share/vorkana/hrapamet.bas "./usr/share/applications/$appid.desktop" \
  "./usr/share/icons/hicolor/scalable/apps/$appid.svg" "./usr/share/metainfo/$appid.metainfo.xml" \
  ./usr/share/man/man6/vorkana.6.gz; do
  grep -qxF "$file" "$work/contents" || fail "the package lacks $file"
done

depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
packages=$(echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | sed '/^$/d')
haspackage() { echo "$packages" | grep -qxF "$1"; }
# What the program loads without linking it.
for loaded in espeak-ng-data qt6-translations-l10n qt6-wayland; do
  haspackage "$loaded" || fail "Depends lacks $loaded"
done
for library in $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
  path=$(ldconfig -p | awk -v name="$library" '$1 == name && /x86-64|x86_64/ { print $NF; exit }')
  [ -n "$path" ] || path=$(ldconfig -p | awk -v name="$library" '$1 == name { print $NF; exit }')
  [ -n "$path" ] || { fail "cannot find $library"; continue; }
  owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n 1 | cut -d: -f1)
  [ -n "$owner" ] || owner=$(dpkg -S "$path" 2>/dev/null | head -n 1 | cut -d: -f1)
  [ -n "$owner" ] || { fail "no package holds $library"; continue; }
  haspackage "$owner" || fail "$library comes from $owner, which Depends does not name"
done

# lintian: no error and no warning; of its notes, none on hardening, as
# Debian builds its packages hardened.
if command -v lintian >/dev/null; then
  lintian --allow-root --info "$package" >"$work/lintian" 2>&1
  cat "$work/lintian"
  grep -E '^[EW]: |^I: .* hardening-' "$work/lintian" >"$work/lintian.faults"
  [ -s "$work/lintian.faults" ] && fail "lintian: $(tr '\n' ' ' <"$work/lintian.faults")"
fi
[ -f "$work/contents" ] && grep -qxF ./usr/share/doc/vorkana/copyright "$work/contents" || fail "the package lacks its copyright file"

[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
