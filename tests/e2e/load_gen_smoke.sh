#!/usr/bin/env bash
# The load tool against the bare responder in every mode, over UDP and a pseudo-terminal pair:
# every frame sent gets its exact ACK. Counts only; speed is for `make bench`.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Runs load-gen and checks that all `count` frames were answered and none lost.
expect_all() {  # count load-gen-arguments...
  local count=$1
  shift
  local result
  result=$("$bin/load-gen" "$@" --count "$count" --timeout-ms 5000 --json) || fail "$* -> $result"
  echo "$result"
  grep -q "\"sent\":$count,\"answered\":$count,\"wrong\":0,\"unexpected\":0" <<< "$result" \
    || fail "$*"
  grep -q '"lost":0,' <<< "$result" || fail "$* lost frames"
}

"$bin/bare-responder" udp 0 > "$work/port" &
pids+=("$!")
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
expect_all 300 udp 127.0.0.1 "$port" 0 --mode stop
expect_all 20000 udp 127.0.0.1 "$port" 0 --mode window --window 32
expect_all 200 udp 127.0.0.1 "$port" 0 --mode paced --rate 2000

socat -d -d pty,raw,echo=0 pty,raw,echo=0 2> "$work/socat.err" &
pids+=("$!")
for _ in $(seq 50); do [ "$(grep -c 'PTY is' "$work/socat.err")" -ge 2 ] && break; sleep 0.1; done
mapfile -t ptys < <(grep -o '/dev/pts/[0-9]*' "$work/socat.err")
"$bin/bare-responder" serial "${ptys[0]}" &
pids+=("$!")
expect_all 300 serial "${ptys[1]}" --mode stop
expect_all 2000 serial "${ptys[1]}" --mode window --window 32

# Nobody answers: every frame is reported lost, and the tool says so in its exit status.
"$bin/load-gen" udp 127.0.0.1 "$port" 0 --count 0 > /dev/null || fail "empty run"
kill "${pids[0]}"
if result=$("$bin/load-gen" udp 127.0.0.1 "$port" 0 --count 5 --timeout-ms 100 --json); then
  fail "a silent target passed: $result"
fi
grep -q '"answered":0,' <<< "$result" || fail "answers from nowhere: $result"
echo "load-gen: every frame answered with its exact ACK over UDP and a pseudo-terminal"
