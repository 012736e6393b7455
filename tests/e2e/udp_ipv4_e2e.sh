#!/usr/bin/env bash
# SIA events over UDP on 127.0.0.1, each answered with the exact ACK, across several lines.
source "$(dirname "$0")/e2e_lib.sh"
pick_ports
settings 1 1 127.0.0.1 "$emu_port" "$sim_port"
preferences 1
start_simulator
wait_for_udp "$sim_port"
emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 20 --line 01,07,32 \
  --rate 50 --timeout 2000
expect_field acked 20
expect_field sent 20
expect_field unexpected 0
stop_simulator
grep -q 'AutomationFormat=1' "$work/config/Corvane/V7400.conf" || fail "preferences not saved"
