#!/usr/bin/env bash
# Ctrl-C and a closed terminal end the program as SIGTERM does: mid-flood with the traffic log
# on, the log ends with its totals line, the preferences are saved and the exit status is 0;
# during the start-up box too. A SIGKILL leaves no line cut in two, and a log whose last line
# was cut off goes on on a new line.
source "$(dirname "$0")/e2e_lib.sh"
conf=$work/config/Corvane/V7400.conf
log=$work/traffic.txt
torn='11:10:50 <1> :  [10]F7B6'
printf '%s' "$torn" > "$log"

start_display
flood_then() {  # SIGNAL: the window on UDP, the log on, a flood, then the signal
  pick_ports
  settings 1 1 127.0.0.1 "$emu_port" "$sim_port"
  preferences 1
  start_simulator
  wait_for_udp "$sim_port"
  find_window
  start_traffic_log "$log"
  start_emulator_in_background --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 0 \
    --timeout 300 --retries 0
  wait_for_progress acked 2000
  kill "-$1" "$sim"
}

flood_then KILL
wait "$sim" || true
stop_emulator
[ "$(tail -c 2 "$log" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "SIGKILL cut a line in two"
[ "$(head -1 "$log" | tr -d '\r')" = "$torn" ] || fail "the cut-off line was appended to"

for signal in INT HUP; do
  before=$(grep -c . "$log")
  flood_then "$signal"
  wait "$sim" || fail "exit status $? after SIG$signal"
  stop_emulator
  last=$(tail -1 "$log" | tr -d '\r')
  [[ "$last" == "Total received: "* ]] || fail "SIG$signal: last log line is $last"
  [ "$(grep -c . "$log")" -gt $((before + 2000)) ] || fail "SIG$signal: frames missing"
  grep -q 'Font1' "$conf" || fail "SIG$signal: preferences not saved"
  rm "$conf"
done

# The configured serial port is missing: the start-up box waits for the user.
for signal in INT HUP; do
  export QT_QPA_PLATFORM=offscreen
  settings 0 3 "" "" ""
  preferences 1 "$work/no-such-device"
  start_simulator
  sleep 1
  kill "-$signal" "$sim"
  for _ in $(seq 50); do kill -0 "$sim" 2> /dev/null || break; sleep 0.1; done
  kill -0 "$sim" 2> /dev/null && fail "SIG$signal during the start-up box did not end the program"
  wait "$sim" || fail "exit status $? after SIG$signal during the start-up box"
  grep -q 'Font1' "$conf" || fail "SIG$signal during the start-up box: preferences not saved"
done
echo "SIGINT and SIGHUP ended cleanly mid-flood and during the start-up box"
