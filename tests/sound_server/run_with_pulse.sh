#!/usr/bin/env bash
# Runs the meter tests against a private PulseAudio server: its own runtime folder and
# home, one null output, no other clients. The server and the folder go away whatever
# happens.
set -euo pipefail
source "$(dirname "$0")/../support/deadline.sh"
tests="$1"
work=$(mktemp -d)
chmod 700 "$work"
server=""
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$HOME"
unset PULSE_SERVER DBUS_SESSION_BUS_ADDRESS

# -n: none of the system's modules (no real sound card, no idle suspend).
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
  --log-target=stderr --log-level=error \
  -L "module-native-protocol-unix" -L "module-null-sink sink_name=meter_first" \
  >"$work/server.log" 2>&1 &
server=$!
server_answers() {
  kill -0 "$server" 2>/dev/null || { cat "$work/server.log"; exit 1; }
  pactl info >/dev/null 2>&1
}
wait_for 30 "the sound server" server_answers || { cat "$work/server.log"; exit 1; }

sox -n -r 44100 -c 2 "$work/tone.wav" synth 3 sine 440 vol 0.5
MC_TONE_FILE="$work/tone.wav" run_gtest_bounded 120 "$(basename "$tests")" "$tests"
