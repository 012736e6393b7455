#!/usr/bin/env bash
# With --debug-page the window shows its "Debug testing" page: a rule typed into its field and
# applied acts on the wire.
source "$(dirname "$0")/e2e_lib.sh"
start_display
pick_ports
settings 1 1 127.0.0.1 "$emu_port" "$sim_port"
preferences 1
sim_args=(--debug-page)
start_simulator
wait_for_udp "$sim_port"
find_window
click 348 418  # "Input Command"
click 757 34   # the "Debug testing" tab
click 479 204  # the rules field
xdotool type --delay 5 "nack:every=2"
click 669 204  # "Apply"
# Every second frame NACKed: each event's first send, from the second event on.
emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 4 --timeout 500
expect_field acked 4
expect_field nacked 3
stop_simulator
