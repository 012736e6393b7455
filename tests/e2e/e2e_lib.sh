# Shared steps of the end-to-end scenarios: a temporary working directory with the settings
# file and the preference file, the real simulator started offscreen in it, and the receiver
# emulator as its peer. Sourced by the scenario scripts; $1 of the script is the bin folder.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  # A killed simulator may still be writing its preferences into $work.
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work
fail() {
  echo "FAIL: $*"
  [ -f "$work/sim.out" ] && sed 's/^/simulator: /' "$work/sim.out"
  exit 1
}

# Two free-looking ports next to each other; each scenario picks its own.
pick_ports() {
  emu_port=$((20000 + RANDOM % 20000))
  sim_port=$((emu_port + 1))
}

# settings MODE COM RECEIVER-ADDRESS RECEIVER-PORT LOCAL-PORT [ENCRYPTION MASKED-KEY LOCAL-ADDRESS]
settings() {
  printf '%s\r\n' "$2" 8 0 1 9600 0 "$1" "$3" "$4" "$5" 19 1 "${6:-0}" "${7:-}" "${8:-}" \
    > "$work/APSsets.sys"
}

# preferences AUTOMATION-FORMAT [COM3-DEVICE]
preferences() {
  mkdir -p "$work/config/Corvane"
  printf '[SOFTWARE]\nCorvane\\V7400\\para\\AutomationFormat=%s\n[Ports]\nCOM3=%s\n' \
    "$1" "${2:-/dev/null}" > "$work/config/Corvane/V7400.conf"
}

# The simulator runs from $bin, or from a copy in $work when isolate_error_log was called, with
# the arguments in the array sim_args, if set.
start_simulator() {
  (cd "$work" && exec "${sim_exe:-$bin/v7400}" ${sim_args[@]+"${sim_args[@]}"}) \
    > "$work/sim.out" 2>&1 &
  sim=$!
  pids+=("$sim")
}

# "error.log" is written beside the executable: a copy in $work keeps this run's lines apart.
isolate_error_log() {
  cp "$bin/v7400" "$work/v7400"
  sim_exe=$work/v7400
}

# Waits until the simulator listens on UDP port $1 (it binds once its window is built).
wait_for_udp() {
  for _ in $(seq 100); do
    ss -Huln "sport = :$1" | grep -q . && return 0
    kill -0 "$sim" 2>/dev/null || fail "simulator ended early"
    sleep 0.1
  done
  fail "simulator never listened on UDP port $1"
}

stop_simulator() {
  kill -TERM "$sim"
  wait "$sim" || fail "simulator did not end cleanly on SIGTERM"
}

# emulator ARGS...: runs the emulator to its end with a JSON report in $report.
emulator() {
  local rc=0
  report=$("$bin/receiver-emu" --json "$@") || rc=$?
  echo "emulator $*: $report"
  [ "$rc" -eq 0 ] || fail "emulator exit status $rc"
}

# field NAME: a number from the emulator's last report.
field() { grep -o "\"$1\":[0-9.]*" <<< "$report" | head -1 | cut -d: -f2; }

expect_field() {  # NAME VALUE
  [ "$(field "$1")" = "$2" ] || fail "$1 is $(field "$1"), expected $2"
}

# A real X display (Xvfb on a free display number) for scenarios that press the window's
# controls as a user does, with the mouse. The window is centred, so positions are taken
# relative to its top-left corner. $1: the screen size (1024x700).
start_display() {
  # Xvfb writes its display number once it takes connections; on a loaded machine that may
  # take long, so the answer is waited for, then a live connection. Without -noreset the
  # server resets whenever its last client leaves (every xdotool call), and a client that
  # connects during the reset is refused.
  mkfifo "$work/display"
  Xvfb -displayfd 3 -screen 0 "${1:-1024x700}x24" -nolisten tcp -nolisten unix -noreset \
    3> "$work/display" 2> /dev/null &
  pids+=("$!")
  local number=""
  read -r -t 120 number < "$work/display" || true
  [ -n "$number" ] || fail "Xvfb gave no display number"
  export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
  for _ in $(seq 300); do xwininfo -root > /dev/null 2>&1 && return; sleep 0.1; done
  fail "no connection to the display $DISPLAY"
}

find_window() {
  for _ in $(seq 100); do
    origin=$(xwininfo -root -tree | grep '"V7400 Automation Simulator' |
      grep -o '+[0-9]*+[0-9]*  ' | head -1) || true
    [ -n "$origin" ] && break
    sleep 0.1
  done
  [ -n "$origin" ] || fail "the main window never showed"
  win_x=$(cut -d+ -f2 <<< "$origin")
  win_y=$(cut -d+ -f3 <<< "$origin" | tr -d ' ')
}

click() {  # X Y inside the main window
  xdotool mousemove $((win_x + $1)) $((win_y + $2)) click 1
  sleep 0.3
}

# Waits until a window other than the main window has the keyboard focus (a dialog opened).
wait_for_dialog() {
  for _ in $(seq 100); do
    local name
    name=$(xdotool getwindowfocus getwindowname 2> /dev/null) || true
    [ -n "$name" ] && [[ "$name" != "V7400 Automation Simulator"* ]] && return 0
    sleep 0.1
  done
  fail "no dialog took the focus"
}

# start_emulator_in_background ARGS...: a long-running emulator whose live counts land in
# $work/emu.progress and whose JSON report lands in $work/emu.json when it is stopped.
start_emulator_in_background() {
  : > "$work/emu.progress"
  "$bin/receiver-emu" --json --progress "$@" > "$work/emu.json" 2> "$work/emu.progress" &
  emu=$!
  pids+=("$emu")
}

# wait_for_progress NAME MINIMUM: until the emulator's live count NAME reaches MINIMUM.
wait_for_progress() {
  for _ in $(seq 100); do
    local n
    n=$(tr '\r' '\n' < "$work/emu.progress" | grep -oE "(^|[^a-z])$1 [0-9]+" | tail -1 |
      grep -oE '[0-9]+$') || true
    [ -n "$n" ] && [ "$n" -ge "$2" ] && return 0
    sleep 0.1
  done
  fail "the emulator's $1 count never reached $2: $(tr '\r' '\n' < "$work/emu.progress" | tail -1)"
}

stop_emulator() {
  kill -TERM "$emu"
  wait "$emu" || true
  report=$(cat "$work/emu.json")
  echo "emulator: $report"
}

# The program in SIA format on a UDP link over 127.0.0.1, on a new display, its window found.
start_window_on_udp() {
  start_display
  open_window_on_udp
}

# The same on the display already started.
open_window_on_udp() {
  pick_ports
  settings 1 1 127.0.0.1 "$emu_port" "$sim_port"
  preferences 1
  start_simulator
  wait_for_udp "$sim_port"
  find_window
}

# start_traffic_log PATH: ticks "Save All Data To Log File" and names the log in the dialog.
start_traffic_log() {
  click 291 482
  wait_for_dialog
  xdotool key ctrl+a type --delay 5 "$1"
  xdotool key Return
  for _ in $(seq 50); do [ -e "$1" ] && return 0; sleep 0.1; done
  fail "no traffic log was started"
}
