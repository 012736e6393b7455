#!/usr/bin/env bash
# SIGKILL mid-flood leaves no log line cut in two. Ctrl-C mid-flood ends the program as SIGTERM
# does (totals line, preferences saved, exit status 0), and so does a closed terminal (SIGHUP)
# during the start-up box.
source "$(dirname "$0")/e2e_lib.sh"
conf=$work/config/Corvane/V7400.conf
log=$work/traffic.txt
start_display
flood_then() {  # SIGNAL: the window on UDP, the log on, a flood, then the signal
  open_window_on_udp
  start_traffic_log "$log"
  start_emulator_in_background --udp 127.0.0.1 "$sim_port" --local-port "$emu_port" --count 0 \
    --timeout 300 --retries 0
  wait_for_progress acked 2000
  kill "-$1" "$sim"
  wait "$sim" || [ "$1" = KILL ] || fail "exit status $? after SIG$1"
  stop_emulator
}
flood_then KILL
[ "$(tail -c 2 "$log" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "SIGKILL cut a line in two"
flood_then INT
[[ "$(tail -1 "$log")" == "Total received: "* ]] || fail "SIGINT: no totals line at the end"
grep -q 'Font1' "$conf" || fail "SIGINT: preferences not saved"

export QT_QPA_PLATFORM=offscreen
settings 0 3 "" "" ""  # COM3 is missing: the start-up box waits for the user
preferences 1 "$work/no-such-device"
start_simulator
sleep 1
kill -HUP "$sim"
for _ in $(seq 50); do kill -0 "$sim" 2> /dev/null || break; sleep 0.1; done
kill -0 "$sim" 2> /dev/null && fail "SIGHUP during the start-up box did not end the program"
wait "$sim" || fail "exit status $? after SIGHUP during the start-up box"
grep -q 'Font1' "$conf" || fail "SIGHUP during the start-up box: preferences not saved"
