#!/usr/bin/env bash
# `make run`: starts the simulator in run/. On a first run (no "APSsets.sys" there yet) it
# writes settings for a UDP link to the receiver emulator on 127.0.0.1 and starts the emulator
# beside the simulator, so traffic shows at once; the emulator stops when the window closes.
# It keeps doing so while the settings still point at the emulator, and says why when not.
set -euo pipefail
bin=$(cd "${1:-build}/bin" && pwd)
run_dir=$(pwd)/run
# The simulator's port, the emulator's next to it; tests choose free ones.
sim_port=${V7400_RUN_PORT:-10000}
emu_port=$((sim_port + 1))
settings=$run_dir/APSsets.sys
config=${XDG_CONFIG_HOME:-$HOME/.config}/Corvane/V7400.conf

mkdir -p "$run_dir"
if [ ! -x "$bin/v7400" ]; then
  echo "The simulator window is not built yet; it will run as $bin/v7400"
  exit 1
fi

if [ ! -e "$settings" ]; then
  # Fields: COM port, data bits, parity, stop bits, baud, flow, mode (1 = UDP), receiver
  # address, receiver port, local port, end byte index, space conversion, encryption, key,
  # local address.
  printf '%s\r\n' 1 8 0 1 9600 0 1 127.0.0.1 "$emu_port" "$sim_port" 19 1 0 "" "" > "$settings"
  if [ ! -e "$config" ]; then
    # A fresh machine: show SIA frames, which say more than "4100" ones.
    mkdir -p "$(dirname "$config")"
    printf '[SOFTWARE]\nCorvane\\V7400\\para\\AutomationFormat=1\n' > "$config"
  fi
  echo "First run: $settings links the simulator to the receiver emulator on 127.0.0.1."
fi

emu_pid=
sim_pid=
stop_emulator() {
  if [ -n "$emu_pid" ]; then
    kill -TERM "$emu_pid" 2>/dev/null || true
    wait "$emu_pid" 2>/dev/null || true
    emu_pid=
    cat "$run_dir/receiver-emu.log"
  fi
}
stop_all() {
  [ -n "$sim_pid" ] && kill -TERM "$sim_pid" 2>/dev/null || true
  stop_emulator
}
trap stop_all EXIT INT TERM

(cd "$run_dir" && exec "$bin/v7400") &
sim_pid=$!

# Lines 7 to 10 and 13: mode, receiver address and port, local port, encryption. The Settings
# dialog rewrites the other lines (the key, the local address) even when nothing was changed.
link=$(tr -d '\r' < "$settings" | sed -n '7p;8p;9p;10p;13p' | paste -sd ' ')
if [ "$link" = "1 127.0.0.1 $emu_port $sim_port 0" ]; then
  format=4100
  if grep -q 'para\\AutomationFormat=1$' "$config" 2>/dev/null; then format=sia; fi
  # The first event goes out once the simulator listens, so it is answered at once.
  for _ in $(seq 100); do
    ss -Huln "sport = :$sim_port" 2>/dev/null | grep -q . && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  "$bin/receiver-emu" --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --format "$format" \
    --count 0 --rate 3 --line 01,02,03,04,05,06,07,08 --retries 5 \
    > "$run_dir/receiver-emu.log" 2>&1 &
  emu_pid=$!
  echo "Receiver emulator started ($format frames, 3 a second); its report: $run_dir/receiver-emu.log"
  echo "To talk to a real receiver instead, change the link with the window's Settings button."
else
  echo "The receiver emulator is not started: $settings links the simulator elsewhere"
  echo "(mode, receiver, receiver port, local port, encryption: $link; the emulator needs"
  echo "1 127.0.0.1 $emu_port $sim_port 0). Delete $settings to go back to the emulator."
fi

wait "$sim_pid" || true
sim_pid=
