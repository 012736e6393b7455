#!/usr/bin/env bash
# The window runs a scenario: its phase acts on the wire, the status bar follows it, and the
# expectations are judged as the window closes (standard output, exit status 1 when one fails).
source "$(dirname "$0")/e2e_lib.sh"
pick_ports
preferences 1
cat > "$work/s.toml" <<TOML
[[phase]]
name = "every second NACKed"
after_frames = 2
frames = 6
faults = ["nack:every=2"]
[[expect]]
check = "given-up=0"
TOML
sim_args=(--scenario s.toml --udp 127.0.0.1 "$emu_port" --local-port "$sim_port"
          --expect 'events>=100' --csv t.csv)
start_simulator
wait_for_udp "$sim_port"
emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 8 --timeout 500
expect_field acked 8
expect_field nacked 3
grep -c 'fault 1: nack every 2' "$work/t.csv" | grep -qx 3 || fail "the phase's NACKs: $(cat "$work/t.csv")"
sleep 1.2  # the status bar's judgement, once a second
kill -TERM "$sim"
rc=0
wait "$sim" || rc=$?
[ "$rc" -eq 1 ] || fail "exit status $rc with an expectation failing"
grep -q '^  passed given-up=0: measured 0$' "$work/sim.out" || fail "given-up not judged"
grep -q '^  FAILED events>=100: measured 8$' "$work/sim.out" || fail "events not judged"
