#!/usr/bin/env bash
# Preference files the user did not mean: one bad value costs only that value (one error.log
# line, every other choice kept at exit); a file that is garbage or a directory is moved aside
# as V7400.conf.bad with one error.log line, and exit writes a fresh one.
source "$(dirname "$0")/e2e_lib.sh"
isolate_error_log
pick_ports
settings 1 1 127.0.0.1 "$emu_port" "$sim_port"
conf=$work/config/Corvane/V7400.conf
run() {  # runs the program until it answers, then SIGTERM
  rm -f "$work/error.log"
  start_simulator
  wait_for_udp "$sim_port"
  emulator --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 1 --format "$1"
  stop_simulator
  [ "$(grep -c . "$work/error.log")" -eq 1 ] || fail "error.log: $(cat "$work/error.log" 2>&1)"
}

preferences 1
echo "[SOFTWARE]" >> "$conf"
for value in Charset=1 Color=0 Height=-15 Name=Mono Pitch=0 Size=abc; do
  printf 'Corvane\\V7400\\Font1\\%s\n' "$value" >> "$conf"
done
run sia  # still SIA: the para values were read past the bad one
grep -q "Form1  'abc' is not a valid integer value" "$work/error.log" || fail "no line for Size"
grep -q 'Font1\\Name=Mono' "$conf" || fail "the font's other values were lost: $(cat "$conf")"
grep -q 'para\\AutomationFormat=1' "$conf" || fail "the format was lost: $(cat "$conf")"

for kind in garbage directory; do
  rm -rf "$conf" "$conf.bad"
  if [ "$kind" = garbage ]; then printf '[SOFTWARE\n\001 garbage\n' > "$conf"; else mkdir "$conf"; fi
  run 4100
  grep -q "Moved to \"$conf.bad\"" "$work/error.log" || fail "$kind: $(cat "$work/error.log")"
  [ -e "$conf.bad" ] && [ -f "$conf" ] || fail "$kind: not moved aside and written afresh"
  grep -q 'para\\AutomationFormat=0' "$conf" || fail "$kind: fresh file $(cat "$conf")"
done
echo "a bad value, a garbage file and a directory all ended with a usable preference file"
