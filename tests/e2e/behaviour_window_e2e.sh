#!/usr/bin/env bash
# The Receiver behaviour window, opened with Ctrl+R, saves the figures the headless run reports
# for the same traffic and rules; the summary files named beside the window are written as it
# closes. E2E_SCREENSHOT=PATH keeps a picture of the screen with the window open.
source "$(dirname "$0")/e2e_lib.sh"
rules=(nack:every=3 drop:every=4)
emu_args=(--count 12 --timeout 300 --retries 4)

start_display 1280x1000
pick_ports
preferences 1
sim_args=(--debug-page --udp 127.0.0.1 "$emu_port" --local-port "$sim_port"
          --summary-json "$work/closed.json" --junit "$work/closed.xml")
start_simulator
wait_for_udp "$sim_port"
find_window
click 348 418  # "Input Command"
click 757 34   # the "Debug testing" tab
click 479 204  # the rules field
xdotool type --delay 5 "${rules[*]}"
click 669 204  # "Apply"
xdotool key ctrl+r
behaviour=""
for _ in $(seq 50); do
  behaviour=$(xdotool search --onlyvisible --name '^Receiver behaviour$' | head -1) || true
  [ -n "$behaviour" ] && break
  sleep 0.1
done
[ -n "$behaviour" ] || fail "Ctrl+R opened no Receiver behaviour window"
emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" "${emu_args[@]}"
echo "$report" > "$work/receiver.json"
sleep 0.6  # a refresh of the window
[ -z "${E2E_SCREENSHOT:-}" ] || import -window root "$E2E_SCREENSHOT"
xdotool windowfocus --sync "$behaviour" key alt+s  # "Save report"
for _ in $(seq 100); do
  [ "$(xdotool getwindowfocus getwindowname 2> /dev/null)" = "Save report" ] && break
  sleep 0.1
done
xdotool key ctrl+a type --delay 5 "$work/window.json"
xdotool key Return
for _ in $(seq 50); do [ -s "$work/window.xml" ] && break; sleep 0.1; done
[ -s "$work/window.json" ] && [ -s "$work/window.xml" ] || fail "Save report wrote no report"
stop_simulator
[ -s "$work/closed.json" ] && [ -s "$work/closed.xml" ] || fail "no summary files as it closed"

# The same traffic and rules without the window.
pick_ports
faults=()
for rule in "${rules[@]}"; do faults+=(--fault "$rule"); done
"$bin/v7400" --headless --quiet --udp 127.0.0.1 "$emu_port" --local-port "$sim_port" \
  "${faults[@]}" --summary-json "$work/headless.json" > "$work/headless.out" 2>&1 &
sim=$!
pids+=("$sim")
wait_for_udp "$sim_port"
emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" "${emu_args[@]}"
stop_simulator

python3 - "$work/receiver.json" "$work/window.json" "$work/closed.json" "$work/headless.json" \
  <<'PY' || fail "figures differ"
import json, sys

def counts(path):
    """The figures that do not depend on timing: every count, and the intervals per repeat."""
    def strip(figures):
        kept = {k: v for k, v in figures.items()
                if not k.endswith("_ms") and k not in ("lines", "outages")}
        kept["intervals"] = [i["count"] for i in figures["retry_intervals_ms"]]
        return kept
    report = json.load(open(path))["retransmissions"]
    return strip(report), [strip(line) for line in report["lines"]]

receiver = json.load(open(sys.argv[1]))["event_attempts"]
window, closed, headless = (counts(p) for p in sys.argv[2:])
total = window[0]
assert total["events"] == len(receiver) == 12, (total, receiver)
assert total["attempts"] == sum(len(e["sent_ms"]) for e in receiver), (total, receiver)
assert total["repeats_after_nack"] > 0 and total["repeats_after_fault"] > 0, total
assert window == headless, (window, headless)
assert closed == headless, (closed, headless)
PY
grep -q 'failures="0"' "$work/window.xml" || fail "the saved JUnit file: $(cat "$work/window.xml")"
