#!/usr/bin/env bash
# The traffic log's folder vanishes while frames arrive: one line in error.log when the log is
# next opened, and every frame is still answered.
source "$(dirname "$0")/e2e_lib.sh"
isolate_error_log
start_window_on_udp
mkdir "$work/logs"
start_traffic_log "$work/logs/traffic.txt"
# 14 s of frames: the log is opened afresh every eleven seconds, which is when the loss shows.
start_emulator_in_background --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 2800 \
  --rate 200
wait_for_progress acked 200
rm -rf "$work/logs"
wait "$emu" || fail "emulator: $(cat "$work/emu.json")"
report=$(cat "$work/emu.json")
expect_field acked 2800
expect_field timed_out 0
grep -q "Cannot open traffic log" "$work/error.log" 2>/dev/null || fail "no error line"
stop_simulator
[ "$(grep -c . "$work/error.log")" -eq 1 ] || fail "error.log: $(cat "$work/error.log")"
echo "error.log: $(cat "$work/error.log")"
echo "all 2800 frames answered, the log gone after the first 200"
