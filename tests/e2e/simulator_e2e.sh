#!/usr/bin/env bash
# Starts the real simulator (offscreen) in a temporary working directory and talks to it as a
# receiver would: over UDP on the loopback address and over a pseudo-terminal pair.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work
fail() { echo "FAIL: $*"; exit 1; }

settings() {  # mode port-number receiver-port local-port
  printf '%s\r\n' "$2" 8 0 1 9600 0 "$1" 127.0.0.1 "$3" "$4" 19 1 0 "" "" > "$work/APSsets.sys"
}

preferences() {  # automation-format COM3-device
  mkdir -p "$work/config/Corvane"
  printf '[SOFTWARE]\nCorvane\\V7400\\para\\AutomationFormat=%s\n[Ports]\nCOM3=%s\n' "$1" "$2" \
    > "$work/config/Corvane/V7400.conf"
}

start_simulator() {
  (cd "$work" && exec "$bin/v7400") > "$work/sim.out" 2>&1 &
  sim=$!
  pids+=("$sim")
  sleep 2
  kill -0 "$sim" || fail "simulator did not start: $(cat "$work/sim.out")"
}

stop_simulator() {
  kill -TERM "$sim"
  wait "$sim" || fail "simulator did not end cleanly on SIGTERM"
}

# UDP: three SIA frames in automatic mode, each answered with the exact ACK.
local_port=$((20000 + RANDOM % 20000))
settings 1 1 $((local_port + 1)) "$local_port"
preferences 1 /dev/null
start_simulator
answers=$("$bin/receiver-emu" udp 127.0.0.1 "$local_port" $((local_port + 1)) sia 3 07)
echo "$answers"
[ "$(grep -c ' ok$' <<< "$answers")" -eq 3 ] || fail "UDP answers"
stop_simulator

# Serial: COM3 mapped to one end of a pseudo-terminal pair; "4100" frames answered with 0x06.
socat -d -d pty,raw,echo=0 pty,raw,echo=0 2> "$work/socat.err" &
pids+=("$!")
for _ in $(seq 50); do [ "$(grep -c 'PTY is' "$work/socat.err")" -ge 2 ] && break; sleep 0.1; done
mapfile -t ptys < <(grep -o '/dev/pts/[0-9]*' "$work/socat.err")
settings 0 3 10000 10000
preferences 0 "${ptys[0]}"
start_simulator
answers=$("$bin/receiver-emu" serial "${ptys[1]}" 4100 3)
echo "$answers"
[ "$(grep -c '^06  ok$' <<< "$answers")" -eq 3 ] || fail "serial answers"
stop_simulator
grep -q 'AutomationFormat=0' "$work/config/Corvane/V7400.conf" || fail "preferences not saved at SIGTERM"
echo "end-to-end: UDP and serial exchanges answered byte for byte"
