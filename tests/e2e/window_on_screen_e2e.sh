#!/usr/bin/env bash
# The main window starts wholly on a 1280x900 screen at scale factor 2, where its design size
# does not fit, and its place and size are kept for the next start. With V7400_SHOTS set, a
# screenshot of the first start lands there.
source "$(dirname "$0")/e2e_lib.sh"
start_display 1280x900
pick_ports
settings 1 1 127.0.0.1 "$emu_port" "$sim_port"
preferences 1
conf=$work/config/Corvane/V7400.conf

# window_at: "X Y WIDTH HEIGHT" of the main window in screen pixels, wherever it is.
window_at() {
  local id=
  for _ in $(seq 100); do
    id=$(xdotool search --name '^V7400 Automation Simulator' 2> /dev/null | head -1) || true
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "none"; return; }
  xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
run_once() {  # SCALE: starts the program, prints where its window is, ends it
  QT_SCALE_FACTOR=$1 start_simulator
  wait_for_udp "$sim_port"
  sleep 0.5
  read -r x y w h < <(window_at)
  [ "$1" = 2 ] && [ -n "${V7400_SHOTS:-}" ] && import -window root "$V7400_SHOTS/scale-2.png"
  stop_simulator
  echo "$x $y $w $h"
}

read -r x y w h < <(run_once 2)
[ "$x" != none ] || fail "the main window never showed"
echo "scale 2: $w x $h at $x,$y"
[ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1280 ] && [ $((y + h)) -le 900 ] ||
  fail "at scale 2 the window is $w x $h at $x,$y on a 1280x900 screen"
grep -q 'Window\\Width=' "$conf" || fail "the window size was not kept: $(cat "$conf")"

# Kept in logical pixels: at scale 1 the same place and size fit, so they come back.
read -r x1 y1 w1 h1 < <(run_once 1)
[ "$x1 $y1 $w1 $h1" = "$((x / 2)) $((y / 2)) $((w / 2)) $((h / 2))" ] ||
  fail "scale 1 restored $w1 x $h1 at $x1,$y1 after $w x $h at $x,$y at scale 2"
