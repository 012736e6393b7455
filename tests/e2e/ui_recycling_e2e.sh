#!/usr/bin/env bash
# Recycling paced by the receiver: with "Recyling Sending Commands" chosen for line 1, the
# receiver's "[NLF" starts the cycle and each "[NLC03" / "[NLC04" report moves it on:
# CMD08, CMD09, CMD03, CMD01, CMD08 ...
source "$(dirname "$0")/e2e_lib.sh"
start_window_on_udp
click 348 418  # "Input Command"
click 341 300  # "Recyling Sending Commands"; the line stays 1
wait_for_dialog  # the box that says how recycling starts
xdotool key Return
start_emulator_in_background --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --recycle \
  --line 01 --count 0 --rate 5
wait_for_progress commands 6
stop_emulator
for part in '"CMD08":[1-9]' '"CMD09":[1-9]' '"CMD03":[1-9]' '"CMD01":[1-9]' '"unexpected":0'; do
  grep -qE "$part" <<< "$report" || fail "expected $part"
done
stop_simulator
