#!/usr/bin/env bash
# What the program costs while it sits there: runs the built program on a private
# desktop (tests/support/xdesktop.py: Xvfb, openbox, trayer) and prints
#   - start-up to the main window mapped (ms),
#   - RSS after start, after visiting every page, after opening every popup (the button
#     function menu with each of its submenus, the lighting effect menu, the sound
#     window, the gun dialog; each cancelled with Escape), and at rest in each state (MB),
#     among them minimised after all the popups (to compare with minimised before them),
#   - CPU for 100 pointer moves that change the hovered control (ms): the program's CPU
#     while one xdotool process makes the moves, less what the program spends at rest
#     over the same time (the driver is one process, so that 200 process starts beside
#     the program do not count as its work),
#   - wake-ups per second at rest over 10 s (the sum of every thread's voluntary and
#     involuntary context switches) and CPU share, with the window shown, minimised and
#     hidden to the tray, with the simulated mouse; and with no mouse at all (the
#     program then sits on its "no mouse" warning box).
# Usage: tests/rest_bench/rest_bench.sh [path/to/OVK_DOvaru] [rest seconds]
# The program runs from a copy of its folder, so that nothing it saves lands beside the
# real one. Not a test: the figures depend on the machine and its load.
set -euo pipefail

# On a private desktop of its own: the script runs itself again under the harness.
if [ -z "${XDESKTOP_WM:-}" ]; then
  exec python3 "$(dirname "$0")/../support/xdesktop.py" run -- bash "$0" "$@"
fi

BIN=${1:-build/dev/bin/OVK_DOvaru}
REST_S=${2:-10}
BIN=$(readlink -f "$BIN")
[ -x "$BIN" ] || { echo "no program at $BIN" >&2; exit 2; }
REAL_BIN=$BIN
for tool in xdotool xev xwininfo; do
  command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 2; }
done

WORK=$(mktemp -d /tmp/rest_bench.XXXXXX)
chmod 700 "$WORK"
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT
cp -a "$(dirname "$REAL_BIN")" "$WORK/program"
BIN="$WORK/program/$(basename "$REAL_BIN")"

HAVE_TRAY=trayer
# A private sound server with one silent output, so that the sound window opens.
HAVE_SOUND=no
if command -v pulseaudio >/dev/null && command -v pactl >/dev/null; then
  (unset PULSE_SERVER DBUS_SESSION_BUS_ADDRESS
   exec pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
     --log-target=stderr --log-level=error -L module-native-protocol-unix -L module-null-sink) >/dev/null 2>&1 &
  PIDS+=($!)
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && { HAVE_SOUND=yes; break; }; sleep 0.1; done
fi
sleep 1

# ---- Measures ------------------------------------------------------------------------

ctx_switches() {  # "tid switches" for every thread of the process
  local f
  for f in /proc/"$1"/task/*/status; do
    awk -v tid="$(basename "$(dirname "$f")")" \
      '/^(voluntary|nonvoluntary)_ctxt_switches/ {s += $2} END {print tid, s + 0}' "$f" 2>/dev/null || true
  done
}
# Growth between two snapshots (ctx_switches, cpu_ns), summed over the threads present
# in both (a thread that ended or started in between, such as an idle pool thread
# expiring, would otherwise count its whole life).
delta() {
  awk 'NR == FNR {before[$1] = $2; next} ($1 in before) {d += $2 - before[$1]} END {print d + 0}' "$1" "$2"
}
cpu_ns() {  # "tid nanoseconds" of CPU time for every thread of the process
  local f
  for f in /proc/"$1"/task/*/schedstat; do
    echo "$(basename "$(dirname "$f")") $(cut -d' ' -f1 "$f" 2>/dev/null || echo 0)"
  done
}
rss_mb() { awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' /proc/"$1"/status; }
now_ns() { date +%s%N; }

at_rest() {  # pid label
  sleep 2  # whatever the last action started settles first
  if ! kill -0 "$1" 2>/dev/null; then
    printf '%-34s the program has ended\n' "$2"
    return
  fi
  local n0 n1
  ctx_switches "$1" >"$WORK/ctx0"; cpu_ns "$1" >"$WORK/cpu0"; n0=$(now_ns)
  sleep "$REST_S"
  ctx_switches "$1" >"$WORK/ctx1"; cpu_ns "$1" >"$WORK/cpu1"; n1=$(now_ns)
  awk -v c="$(delta "$WORK/ctx0" "$WORK/ctx1")" -v t="$(delta "$WORK/cpu0" "$WORK/cpu1")" -v n=$((n1 - n0)) -v label="$2" -v rss="$(rss_mb "$1")" \
    'BEGIN {printf "%-34s wake-ups/s %6.1f   CPU %5.2f %% of a core   RSS %6.1f MB\n", label, c / (n / 1e9), 100 * t / n, rss}'
}

# Starts the program and waits for its window to be mapped; sets APP and WID and
# prints the start-up time.
start_program() {  # label, program arguments...
  local label=$1
  shift
  xev -root -event substructure >"$WORK/xev" 2>/dev/null &
  local xev_pid=$!
  PIDS+=($xev_pid)
  sleep 0.3
  local t0 t1
  t0=$(now_ns)
  "$BIN" "$@" >"$WORK/app.log" 2>&1 &
  APP=$!
  PIDS+=($APP)
  while ! grep -q '^MapNotify' "$WORK/xev"; do
    kill -0 "$APP" 2>/dev/null || { echo "the program ended" >&2; cat "$WORK/app.log" >&2; exit 1; }
    sleep 0.001
  done
  t1=$(now_ns)
  kill "$xev_pid" 2>/dev/null || true
  printf '%-34s %6.0f ms\n' "$label" "$(awk -v d=$((t1 - t0)) 'BEGIN {print d / 1e6}')"
  WID=""
  for _ in $(seq 100); do
    WID=$(xdotool search --onlyvisible --pid "$APP" 2>/dev/null | head -1 || true)
    [ -n "$WID" ] && break
    sleep 0.05
  done
}

click() { xdotool mousemove --window "$WID" "$1" "$2" click 1; sleep 0.4; }

# The program's shown windows other than the main one and the tray icon (its popups).
popups() {
  local w
  { xdotool search --onlyvisible --pid "$APP"; xdotool search --onlyvisible --classname '^OVK_DOvaru$'; } 2>/dev/null |
    sort -u | grep -vx "$WID" | while read -r w; do
      xwininfo -id "$w" 2>/dev/null | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {exit !(w > 64 || h > 64)}' && echo "$w"
    done
}
# Escape until every popup is closed (a submenu, then its menu). At least one Escape
# goes out, in case a popup was missed: the main window ignores it.
cancel_popups() {
  local top
  for _ in 1 2 3 4; do
    top=$(popups | tail -1)
    # A dialog takes keys once active; a menu has them already.
    [ -n "$top" ] && { xdotool windowactivate "$top" 2>/dev/null || true; sleep 0.2; }
    xdotool key Escape
    sleep 0.4
    [ -z "$(popups)" ] && return
  done
  echo "a popup did not close on Escape" >&2
}
# Clicks once (a second click would land on the popup if it was only slow to show).
open_popup() {  # label, x, y on the main window
  click "$2" "$3"
  for _ in $(seq 30); do
    [ -n "$(popups)" ] && return 0
    sleep 0.1
  done
  echo "$1 was not seen open" >&2
  return 1
}
map_state() { xwininfo -id "$WID" 2>/dev/null | awk '/Map State/ {print $3}'; }

stop_program() {  # a termination signal ends the program; a second one if it did not
  kill "$APP" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$APP" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$APP" 2>/dev/null; then
    echo "the program did not end within 5 s of SIGTERM" >&2
    kill "$APP" 2>/dev/null || true
  fi
  wait "$APP" 2>/dev/null || true
}

# ---- With the simulated mouse --------------------------------------------------------

echo "program: $REAL_BIN   display: $DISPLAY   tray: $HAVE_TRAY   sound: $HAVE_SOUND   load: $(cut -d' ' -f1-3 /proc/loadavg)"
start_program "start-up to window mapped" --simulate
sleep 2
printf '%-34s %6s MB\n' "RSS after start" "$(rss_mb "$APP")"

# Every page: the four tabs of the frame, then the main page again.
for x in 440 580 720 300; do click "$x" 32; done
sleep 1
printf '%-34s %6s MB\n' "RSS after visiting every page" "$(rss_mb "$APP")"

# 100 moves, each from one control of the main page to another, made by one xdotool
# process; then as long again without moves, for the program's own cost at rest.
xdotool mousemove --window "$WID" 600 600
sleep 1
moves=()
for i in $(seq 50); do
  moves+=(mousemove --window "$WID" 280 132 sleep 0.02 mousemove --window "$WID" 970 132 sleep 0.02)
done
cpu_ns "$APP" >"$WORK/hover0"; n0=$(now_ns)
xdotool "${moves[@]}"
sleep 0.5
cpu_ns "$APP" >"$WORK/hover1"; n1=$(now_ns)
sleep "$(awk -v d=$((n1 - n0)) 'BEGIN {print d / 1e9}')"
cpu_ns "$APP" >"$WORK/hover2"
printf '%-34s %6.0f ms\n' "CPU for 100 hover moves" \
  "$(awk -v m="$(delta "$WORK/hover0" "$WORK/hover1")" -v r="$(delta "$WORK/hover1" "$WORK/hover2")" \
     'BEGIN {print (m - r) / 1e6}')"
xdotool mousemove 1270 1010  # off the window: nothing hovered while at rest

at_rest "$APP" "at rest, window shown"
xdotool windowminimize "$WID"
at_rest "$APP" "at rest, window minimised"
xdotool windowactivate "$WID" 2>/dev/null || xdotool windowmap "$WID"
sleep 1
click 720 32  # the lighting page animates its preview while it is seen
xdotool mousemove 1270 1010
at_rest "$APP" "at rest, lighting page shown"
xdotool windowminimize "$WID"
at_rest "$APP" "at rest, lighting page minimised"
xdotool windowactivate "$WID" 2>/dev/null || xdotool windowmap "$WID"
sleep 1
# Every popup, once the lighting page has been measured with its default effect (the
# sound window switches the sound lighting on): the right button's function menu and
# each of its four submenus (rows 7, 8, 9 and 11 of 30 pixels), the sound window, the
# lighting effect menu, the gun dialog.
click 300 32
if open_popup "the function menu" 970 132; then
  MENU=$(popups | head -1)
  for row in 7 8 9 11; do
    xdotool mousemove --window "$MENU" 100 $((row * 30 - 15)) click 1
    sleep 0.5
  done
fi
cancel_popups
open_popup "the sound window (sound server: $HAVE_SOUND)" 884 524 || true
cancel_popups
click 720 32
open_popup "the lighting effect menu" 386 150 || true
cancel_popups
click 580 32
open_popup "the gun dialog" 925 566 || true
cancel_popups
click 300 32
sleep 1
printf '%-34s %6s MB\n' "RSS after every page and popup" "$(rss_mb "$APP")"
xdotool mousemove 1270 1010
at_rest "$APP" "at rest, window shown after popups"
# Minimised after the popups, the program costs what it costs minimised without them.
xdotool windowminimize "$WID"
at_rest "$APP" "at rest, minimised after popups"
xdotool windowactivate "$WID" 2>/dev/null || xdotool windowmap "$WID"
sleep 1
xdotool windowactivate --sync "$WID" key alt+F4  # the window manager's close hides to the tray
sleep 0.5
at_rest "$APP" "at rest, hidden to the tray ($(map_state))"
stop_program

# ---- Without a mouse -----------------------------------------------------------------

start_program "start-up to warning box mapped"
at_rest "$APP" "at rest, no mouse (warning box)"
stop_program
