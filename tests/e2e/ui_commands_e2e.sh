#!/usr/bin/env bash
# Commands pressed in the window reach the receiver and are accepted: a set-date command, then a
# full remote-programming exchange ("CMD08", "[NLC06", two "CMD0B" items, "CMD0C").
source "$(dirname "$0")/e2e_lib.sh"
start_window_on_udp
start_emulator_in_background --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 0 \
  --rate 10 --line 03
wait_for_progress acked 2
click 348 418  # "Input Command"
click 625 353  # "Start Sending" with "Set Date" chosen
wait_for_progress commands 1
click 506 220  # "Remote Program(CMD08)" for line 1
click 625 353  # "Start Sending"
wait_for_progress commands 5
stop_emulator
for part in '"CSD":1' '"CMD08":1' '"CMD0B":2' '"CMD0C":1' '"accepted":5' '"unexpected":0' \
  '"lost":0'; do
  grep -q "$part" <<< "$report" || fail "expected $part"
done
stop_simulator
