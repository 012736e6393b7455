#!/usr/bin/env bash
# The same exchange over UDP on ::1.
source "$(dirname "$0")/e2e_lib.sh"
pick_ports
settings 1 1 ::1 "$emu_port" "$sim_port" 0 "" ::1
preferences 1
start_simulator
wait_for_udp "$sim_port"
emulator --udp ::1 "$sim_port" --local-port "$emu_port" --count 10 --line 05
expect_field acked 10
expect_field unexpected 0
stop_simulator
