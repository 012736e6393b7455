#!/usr/bin/env bash
# The traffic log's folder vanishes while frames arrive: one line in error.log when the log is
# next opened, and every frame is still answered.
source "$(dirname "$0")/e2e_lib.sh"
isolate_error_log
start_window_on_udp
mkdir "$work/logs"
click 291 482  # "Save All Data To Log File"
wait_for_dialog
xdotool key ctrl+a type --delay 5 "$work/logs/traffic.txt"
xdotool key Return
for _ in $(seq 50); do [ -e "$work/logs/traffic.txt" ] && break; sleep 0.1; done
[ -e "$work/logs/traffic.txt" ] || fail "no traffic log was started"
start_emulator_in_background --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 0 \
  --rate 200
wait_for_progress acked 200
rm -rf "$work/logs"
# The log is opened afresh every eleven seconds; that is when the loss shows.
for _ in $(seq 150); do grep -q "Cannot open traffic log" "$work/error.log" 2>/dev/null && break
  sleep 0.1; done
grep -q "Cannot open traffic log" "$work/error.log" 2>/dev/null || fail "no error line"
sleep 1
stop_emulator
[ "$(field timed_out)" = 0 ] || fail "frames went unanswered"
[ "$(field acked)" = "$(field sent)" ] || fail "answered $(field acked) of $(field sent)"
stop_simulator
[ "$(grep -c . "$work/error.log")" -eq 1 ] || fail "error.log: $(cat "$work/error.log")"
echo "error.log: $(cat "$work/error.log")"
echo "every one of $(field sent) frames answered with the log gone"
