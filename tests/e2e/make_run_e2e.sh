#!/usr/bin/env bash
# scripts/run.sh as `make run` starts it: the emulator runs beside the simulator on a first run,
# still after Settings -> OK with nothing changed, and once the link points elsewhere the script
# says why it is not started.
source "$(dirname "$0")/e2e_lib.sh"
start_display
pick_ports
export V7400_RUN_PORT=$sim_port
run_script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/run.sh"

start_run() {  # starts run.sh in $work; its output in $work/run.out
  (cd "$work" && exec "$run_script" "$(dirname "$bin")") > "$work/run.out" 2>&1 &
  run_pid=$!
  pids+=("$run_pid")
}
expect_said() {  # TEXT: waits until run.sh has said it
  for _ in $(seq 100); do
    grep -q "$1" "$work/run.out" && return 0
    sleep 0.1
  done
  fail "run.sh never said \"$1\": $(cat "$work/run.out")"
}
stop_run() {
  kill -TERM "$run_pid"
  wait "$run_pid" || true
}

start_run
expect_said "Receiver emulator started"
find_window
click 585 479  # Settings
wait_for_dialog
xdotool key Return
sleep 0.5
stop_run
grep -q "127.0.0.1" <(tr -d '\r' < "$work/run/APSsets.sys" | sed -n 15p) ||
  fail "OK did not rewrite the settings: $(cat -A "$work/run/APSsets.sys")"

start_run
expect_said "Receiver emulator started"
stop_run

sed -i "9s/.*/10999\r/" "$work/run/APSsets.sys"
start_run
expect_said "The receiver emulator is not started: .* links the simulator elsewhere"
stop_run
