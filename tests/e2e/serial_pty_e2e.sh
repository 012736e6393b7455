#!/usr/bin/env bash
# Over a pseudo-terminal pair the emulator creates: COM3 maps to its simulator end. "4100"
# events are answered with 0x06, then SIA events with their ACK frames.
source "$(dirname "$0")/e2e_lib.sh"
for format in 4100 sia; do
  "$bin/receiver-emu" --json --pty --format "$format" --count 5 --start-delay 500 \
    --timeout 1000 --retries 8 > "$work/emu-$format.out" 2>&1 &
  emu=$!
  pids+=("$emu")
  for _ in $(seq 50); do [ -s "$work/emu-$format.out" ] && break; sleep 0.1; done
  pty=$(head -1 "$work/emu-$format.out")
  [ -e "$pty" ] || fail "no pseudo-terminal: $(cat "$work/emu-$format.out")"
  settings 0 3 127.0.0.1 10000 10000
  preferences "$([ "$format" = sia ] && echo 1 || echo 0)" "$pty"
  start_simulator
  wait "$emu" || fail "emulator over $pty: $(cat "$work/emu-$format.out")"
  report=$(tail -1 "$work/emu-$format.out")
  echo "$format over $pty: $report"
  expect_field acked 5
  expect_field unexpected 0
  stop_simulator
done
