#!/usr/bin/env bash
# Started with the desktop entry's command line, the program works in the per-user folder, made
# on first use: the first start's Settings dialog writes "APSsets.sys" there, neither in the folder it was
# started from nor in the home folder. Started from a terminal, it keeps the current folder.
source "$(dirname "$0")/e2e_lib.sh"
read -ra entry <<< "$(sed -n 's/^Exec=//p' "$(dirname "$0")/../../packaging/v7400.desktop")"
[ "${entry[0]}" = v7400 ] || fail "the desktop entry runs ${entry[0]}, not v7400"
unset XDG_DATA_HOME
start_display

# save_settings_in FOLDER ARGS...: starts the program in FOLDER; with no settings there yet the
# Settings dialog opens first, with the defaults, and OK saves them.
save_settings_in() {
  mkdir -p "$1"
  (cd "$1" && shift && exec "$bin/v7400" "$@") > "$work/sim.out" 2>&1 &
  sim=$!
  pids+=("$sim")
  wait_for_dialog
  xdotool key Return
  for _ in $(seq 50); do [ -n "$(find "$work" -name APSsets.sys)" ] && break; sleep 0.1; done
  find_window
  stop_simulator
}

save_settings_in "$work/desktop" "${entry[@]:1}"
[ -f "$work/.local/share/V7400/APSsets.sys" ] || fail "no APSsets.sys in ~/.local/share/V7400"
[ "$(find "$work" -name APSsets.sys | wc -l)" -eq 1 ] || fail "APSsets.sys outside the user folder"

save_settings_in "$work/bench"
[ -f "$work/bench/APSsets.sys" ] || fail "a terminal start did not keep its current folder"
