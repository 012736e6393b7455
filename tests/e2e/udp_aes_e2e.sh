#!/usr/bin/env bash
# AES packets: an AES-256 key from the settings file, then the default key when line 14 is
# empty. A wrong key must get no ACK through.
source "$(dirname "$0")/e2e_lib.sh"
key=00112233445566778899AABBCCDDEEFF0123456789ABCDEF0F1E2D3C4B5A6978
pick_ports
settings 1 1 127.0.0.1 "$emu_port" "$sim_port" 1 "$("$bin/receiver-emu" --masked-key "$key")"
preferences 1
start_simulator
wait_for_udp "$sim_port"
emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --key "$key" --count 10
expect_field acked 10
expect_field unexpected 0
rc=0
"$bin/receiver-emu" --json --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" \
  --key 5E2B7A9C04D1F386A7B20E9C3D5F8164 --count 1 --timeout 300 --retries 0 > "$work/wrong" || rc=$?
[ "$rc" -eq 1 ] && grep -q '"acked":0' "$work/wrong" || fail "a wrong key was answered: $(cat "$work/wrong")"
stop_simulator

pick_ports
settings 1 1 127.0.0.1 "$emu_port" "$sim_port" 1 ""
start_simulator
wait_for_udp "$sim_port"
emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" \
  --key 5E2B7A9C04D1F386A7B20E9C3D5F8164 --count 5
expect_field acked 5
stop_simulator
