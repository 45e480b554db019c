# The program on the screen reader harness's headless desktop with Orca, for
# the figures scripts that source this file.
#   startdesktop HARNESS: starts the desktop (its folder $SR_DIR, by default
#     /tmp/vorkana-screenreader; its display $SR_DISPLAY, by default the
#     first free one) and takes in its environment (press, orca_said...)
#   startprogram BUILD [FILE]: the build's staged program copied to a folder
#     of its own ($work) and started there ($program), running FILE at Start
#     instead of the game; waits for its window and gives it the focus
#     ($window). Each call starts one more.
#   stopprograms: ends them all and removes their folders; run at exit
SR_DIR="${SR_DIR:-/tmp/vorkana-screenreader}"

startdesktop() {
  "$1/start.sh" --dir "$SR_DIR" ${SR_DISPLAY:+--display "$SR_DISPLAY"} >/dev/null || exit 1
  . "$SR_DIR/env.sh"
}

programs=() works=()
startprogram() {
  work=$(mktemp -d)
  works+=("$work")
  cp "$1/app/vorkana" "$1/app/sounds.dat" "$1/app/czech.ebt" "$1/app/czech.eky" "$work/"
  (cd "$work" && exec ./vorkana ${2:+"$2"}) 2>"$work/stderr.log" &
  program=$!
  programs+=("$program")
  window=$(xdotool search --sync --onlyvisible --all --pid "$program" --name ' - (Vorkana|Překladač)' | head -n 1)
  xdotool windowfocus --sync "$window"
}

stopprograms() {
  local pid
  for pid in "${programs[@]}"; do
    kill -9 "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  [ ${#works[@]} -gt 0 ] && rm -rf "${works[@]}"
  programs=() works=()
}
trap stopprograms EXIT
