#!/usr/bin/env bash
# With the traffic log on, SIGTERM ends the program cleanly and the log ends with its totals.
source "$(dirname "$0")/e2e_lib.sh"
start_window_on_udp
click 291 482  # "Save All Data To Log File": a file dialog asks for the log's name
wait_for_dialog
xdotool key ctrl+a type --delay 5 "$work/traffic.txt"
xdotool key Return
for _ in $(seq 50); do [ -e "$work/traffic.txt" ] && break; sleep 0.1; done
[ -e "$work/traffic.txt" ] || fail "no traffic log was started"
start_emulator_in_background --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 6 \
  --rate 20
wait "$emu" || fail "emulator: $(cat "$work/emu.json")"
report=$(cat "$work/emu.json")
expect_field acked 6
stop_simulator
last=$(tail -1 "$work/traffic.txt" | tr -d '\r')
[ "$last" = "Total received: 6   Total sent: 6" ] || fail "last log line: $last"
[ "$(grep -c 'Total received' "$work/traffic.txt")" -eq 1 ] || fail "more than one totals line"
echo "traffic log ends with: $last"
