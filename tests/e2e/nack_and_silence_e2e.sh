#!/usr/bin/env bash
# A spoiled checksum is answered with the exact NACK and the repeated frame with the ACK;
# frames with sequence AAAA are never answered.
source "$(dirname "$0")/e2e_lib.sh"
pick_ports
settings 1 1 127.0.0.1 "$emu_port" "$sim_port"
preferences 1
start_simulator
wait_for_udp "$sim_port"
emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 12 --line 04 \
  --bad-crc-every 2 --aaaa-every 3 --timeout 800
# Events 3, 6, 9, 12 carry AAAA; 2, 4, 8, 10 are spoiled once.
expect_field silent_ok 4
expect_field nacked 4
expect_field acked 8
expect_field sent 16
expect_field timed_out 0
expect_field unexpected 0
stop_simulator
