#!/usr/bin/env bash
# A first start in an empty folder: the settings dialog comes before the window with the design
# defaults. Cancel leaves the idle window and one error.log line; OK writes the first settings
# file. With V7400_SHOTS set, screenshots of both land there.
source "$(dirname "$0")/e2e_lib.sh"
start_display
isolate_error_log
shot() { [ -z "${V7400_SHOTS:-}" ] || import -window root "$V7400_SHOTS/$1.png"; }

start_simulator
wait_for_dialog
sleep 0.5
shot first-start-dialog
xdotool key Escape
find_window
sleep 0.5
shot first-start-idle-window
[ ! -e "$work/APSsets.sys" ] || fail "Cancel wrote a settings file"
[ "$(wc -l < "$work/error.log")" = 1 ] || fail "error.log: $(cat "$work/error.log")"
grep -q '  CommunicationSetup  Cannot open file ".*APSsets.sys". No such file or directory' \
  "$work/error.log" || fail "error.log: $(cat "$work/error.log")"
stop_simulator

start_simulator
wait_for_dialog
xdotool key Return
find_window
mapfile -t lines < <(tr -d '\r' < "$work/APSsets.sys")
[ "${#lines[@]}" = 15 ] || fail "APSsets.sys has ${#lines[@]} lines"
[ "${lines[6]} ${lines[7]} ${lines[8]} ${lines[9]}" = "1 0.0.0.0 10000 10000" ] ||
  fail "APSsets.sys: ${lines[*]}"
stop_simulator
