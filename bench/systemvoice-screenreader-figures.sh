#!/usr/bin/env bash
# The system voice beside the Orca screen reader, both on the one
# speech-dispatcher of the screen reader harness's desktop: the program
# started with its system voice switched on (Ctrl+P), the game's greeting
# (Ctrl+S), a line of Orca's review while the game speaks, the game's
# questions answered (Orca echoes each key), and a second review line.
# speech-dispatcher's own log, at its fullest for the session, tells when
# each text was queued, began, ended or was cancelled; prints for each of
# the program's texts how long it waited to begin and what of Orca's it
# waited behind, and what became of each of Orca's texts (said, cut while
# spoken, dropped before it began).
# Usage: bench/systemvoice-screenreader-figures.sh HARNESS [build folder]
#   HARNESS: the folder holding start.sh and stop.sh
set -u
harness="$(cd "$1" && pwd)"
build="$(cd "${2:-build}" && pwd)"
folder="${SR_DIR:-/tmp/vorkana-screenreader}"

"$harness/start.sh" --dir "$folder" >/dev/null || exit 1
. "$folder/env.sh"
configuration="$folder/speechd/speechd.conf"
log="$folder/logs/speechd/speech-dispatcher.log"
service=$(cut -d' ' -f1 "$folder/pids/speechd")
level=$(awk '/^ *LogLevel/ { print $2 }' "$configuration")
work=$(mktemp -d)
cp "$build/app/vorkana" "$build/app/sounds.dat" "$build/app/czech.ebt" "$build/app/czech.eky" "$work/"
program=
cleanup() {
  [ -n "$program" ] && kill -9 "$program" 2>/dev/null
  wait 2>/dev/null
  # The service reads its settings again on SIGHUP.
  sed -i "s/^ *LogLevel .*/LogLevel  $level/" "$configuration"
  kill -HUP "$service" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
sed -i 's/^ *LogLevel .*/LogLevel  5/' "$configuration"
kill -HUP "$service"
sleep 1
offset=$(stat -c %s "$log")
: >"$STEPS_LOG"

# The settings file is the copy's own: the system voice stays on only there.
(cd "$work" && exec ./vorkana) 2>"$work/stderr.log" &
program=$!
window=$(xdotool search --sync --onlyvisible --name ' - (Vorkana|Překladač)' | head -n 1)
xdotool windowfocus --sync "$window"
sleep 3
press ctrl+p; sleep 2
press ctrl+s; sleep 4
press KP_Up; sleep 6
press space; sleep 3
press space; sleep 3
press c; sleep 2.5
press KP_Up; sleep 8
press Escape; sleep 1
tail -c +$((offset + 1)) "$log" >"$work/speechd.log"

/usr/bin/python3 - "$work/speechd.log" "$STEPS_LOG" <<'PYTHON'
import re, sys
stamp = re.compile(r"^\[\w+ \w+ +\d+ (\d+):(\d+):(\d+) \d+ : (\d+)\] speechd: +(.*)$")
names, texts, reading, messages = {}, {}, {}, {}
for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    match = stamp.match(line.rstrip("\n"))
    if not match:
        continue
    hours, minutes, seconds, micro, rest = match.groups()
    at = int(hours) * 3600 + int(minutes) * 60 + int(seconds) + int(micro) / 1e6
    data = re.match(r"(\d+):DATA:\|(.*)$", rest)
    if data:
        client, text = data.groups()
        if text.upper().startswith("SET SELF CLIENT_NAME"):
            names[client] = text.split()[-1]
        elif text.lower().startswith("speak"):
            reading[client] = []
        elif client in reading and text.strip() != ".":
            reading[client].append(text)
        elif client in reading:
            texts[client] = " ".join(reading.pop(client))
        continue
    reply = re.match(r"(\d+):REPLY:\|(\d{3})-(\d+)", rest)
    if not reply:
        continue
    client, code, number = reply.groups()
    if code == "225":
        messages[number] = {"ours": "vorkana" in names.get(client, ""), "queued": at,
                            "text": re.sub("<[^>]*>", "", texts.pop(client, "")).strip()}
    elif number in messages:
        event = {"701": "begun", "702": "ended", "703": "cancelled"}.get(code)
        if event:
            messages[number].setdefault(event, at)
# Orca connected before the log was at its fullest, so it is the client
# that never gave its name here.
ours = sorted((m for m in messages.values() if m["ours"]), key=lambda m: m["queued"])
orca = sorted((m for m in messages.values() if not m["ours"]), key=lambda m: m["queued"])
def clockseconds(text):
    hours, minutes, seconds = text.split(":")
    return int(hours) * 3600 + int(minutes) * 60 + float(seconds)
def clock(at):
    return "%02d:%02d:%06.3f" % (at // 3600, at % 3600 // 60, at % 60)
def ahead(message, at):
    """Orca's text being said, or queued and not yet begun, at that moment."""
    begun, over = message.get("begun"), message.get("ended", message.get("cancelled"))
    if begun is not None:
        return begun <= at and (over is None or at < over)
    return message["queued"] <= at and (over is None or at < over)
longest = 0
for message in ours:
    behind = [o["text"] for o in orca if ahead(o, message["queued"])]
    waited = message["begun"] - message["queued"] if "begun" in message else None
    if behind and waited is not None:
        longest = max(longest, waited)
    print("%s program %-34.34s %s%s" % (clock(message["queued"]), message["text"],
          "began after %.3f s" % waited if waited is not None else "never began",
          ", given while Orca said: " + " | ".join(behind) if behind else ""))
for message in orca:
    fate = ("cut while said" if "begun" in message else "dropped unsaid") if "cancelled" in message \
        else "said" if "ended" in message else "not ended"
    print("%s Orca    %-34.34s %s%s" % (clock(message["queued"]), message["text"], fate,
          ", after waiting %.3f s" % (message["begun"] - message["queued"]) if "begun" in message else ""))
# A review line: the first of Orca's texts after each review key.
reviewkeys = [clockseconds(line.split()[0]) for line in open(sys.argv[2]) if line.split()[1:] == ["key", "KP_Up"]]
reviews = [next(o for o in orca if o["queued"] > key) for key in reviewkeys if any(o["queued"] > key for o in orca)]
print("the program's texts given while Orca spoke: %d, the longest began after %.3f s"
      % (sum(1 for m in ours if any(ahead(o, m["queued"]) for o in orca)), longest))
print("Orca's review lines: %d asked for, %d said: %s" % (len(reviewkeys), sum(1 for o in reviews if "ended" in o and "cancelled" not in o),
      " | ".join(o["text"] for o in reviews)))
PYTHON
