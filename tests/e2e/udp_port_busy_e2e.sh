#!/usr/bin/env bash
# A second simulator on a UDP port the first one holds: it writes one error.log line, keeps
# trying once a second, and answers within two seconds of the first one letting go.
source "$(dirname "$0")/e2e_lib.sh"
pick_ports
settings 1 1 127.0.0.1 "$emu_port" "$sim_port"
preferences 1
start_simulator
first=$sim
wait_for_udp "$sim_port"

second_dir=$work/second
mkdir "$second_dir"
cp "$work/APSsets.sys" "$bin/v7400" "$second_dir/"
(cd "$second_dir" && exec ./v7400) > "$second_dir/sim.out" 2>&1 &
second=$!
pids+=("$second")
for _ in $(seq 100); do [ -s "$second_dir/error.log" ] && break; sleep 0.1; done
grep -q "Form1  Cannot bind UDP port $sim_port on 0.0.0.0: " "$second_dir/error.log" ||
  fail "no error.log line for the busy port: $(cat "$second_dir/error.log" 2>&1)"

emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 3
expect_field acked 3
sleep 1.5  # a few retries in the same spell
stop_simulator
sim=$second
emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 1 --timeout 500 \
  --retries 3
expect_field acked 1
[ "$(wc -l < "$second_dir/error.log")" -eq 1 ] ||
  fail "one line per spell expected: $(cat "$second_dir/error.log")"
stop_simulator
