#!/usr/bin/env bash
# SIGTERM in the middle of a flood with the traffic log on: the program ends cleanly, and the log
# holds every frame it answered, then its totals line.
source "$(dirname "$0")/e2e_lib.sh"
start_window_on_udp
start_traffic_log "$work/traffic.txt"
start_emulator_in_background --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 0 \
  --timeout 300 --retries 0
wait_for_progress acked 3000
stop_simulator
stop_emulator
log=$(tr -d '\r' < "$work/traffic.txt")
last=$(tail -1 <<< "$log")
frames=$(grep -c ' :  ' <<< "$log")
[ "$last" = "Total received: $frames   Total sent: $frames" ] ||
  fail "last log line: $last after $frames frame lines"
[ "$(grep -c 'Total received' <<< "$log")" -eq 1 ] || fail "more than one totals line"
[ "$frames" -ge "$(field acked)" ] || fail "$(field acked) answered, $frames in the log"
numbers=$(grep -o ' <[0-9]*> :  ' <<< "$log" | tr -dc '0-9\n')
[ "$numbers" = "$(seq 1 "$frames")" ] || fail "frame lines out of order or missing"
echo "traffic log: $frames frames in order, then: $last ($(field acked) answers seen)"
