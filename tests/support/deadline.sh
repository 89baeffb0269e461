# Deadlines of the shell tests, sourced: `stretched SECONDS` prints the seconds
# stretched by MC_TEST_TIME_FACTOR (a positive number, 1 when unset), rounded up.
# A deadline only bounds a hang; the wait itself ends when its condition holds.
stretched() {
  awk -v s="$1" -v f="${MC_TEST_TIME_FACTOR:-1}" 'BEGIN { if (f + 0 <= 0) f = 1; t = s * f; printf "%d\n", (t == int(t)) ? t : int(t) + 1 }'
}

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 50 ms until it succeeds; fails
# with "timed out waiting for WHAT" once the stretched SECONDS have passed.
wait_for() {
  local limit what end
  limit=$(stretched "$1") what=$2
  shift 2
  end=$((SECONDS + limit))
  until "$@"; do
    if [ "$SECONDS" -ge "$end" ]; then
      echo "timed out after ${limit} s waiting for $what" >&2
      return 1
    fi
    sleep 0.05
  done
}

# run_bounded [--foreground] SECONDS NAME COMMAND...: runs COMMAND with a deadline of
# the stretched SECONDS and returns its status. Past the deadline COMMAND and what it
# started (its process group) get SIGTERM, and SIGKILL 10 s later, and the call fails
# with "STALLED: NAME ...". timeout puts COMMAND in a group of its own, out of reach of
# the terminal's Ctrl+C and of an outer deadline: an interrupt of this shell is handed
# on. --foreground leaves COMMAND the terminal (sudo's password prompt), and only
# COMMAND itself is ended at the deadline.
run_bounded() {
  local mode=() limit name pid status=0
  if [ "$1" = --foreground ]; then
    mode=(--foreground)
    shift
  fi
  limit=$(stretched "$1") name=$2
  shift 2
  timeout "${mode[@]}" --kill-after=10 "$limit" "$@" &
  pid=$!
  trap 'kill -TERM "$pid" 2>/dev/null; wait "$pid"; exit 143' INT TERM HUP
  wait "$pid" || status=$?
  trap - INT TERM HUP
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "STALLED: $name did not end within $limit s" >&2
  fi
  return "$status"
}

# gtest_stall_report NAME LOG: names, from the output of a googletest program that
# stalled, the test that was running, or the last one that ended when it stalled
# between tests or at its exit.
gtest_stall_report() {
  local last
  last=$(grep -E '^\[ +(RUN|OK|FAILED) +\] ' "$2" | tail -n 1 | sed 's/ ([0-9]* ms)$//')
  case $last in
    "[ RUN      ] "*) echo "STALLED: $1 in the test ${last#*] }" >&2 ;;
    ?*) echo "STALLED: $1 after the test ${last#*] } (between tests or at the exit)" >&2 ;;
  esac
}

# run_gtest_bounded SECONDS NAME PROGRAM [ARGS...]: run_bounded for a googletest
# program, shown as --gtest_brief shows it (failures and the summary); a stall names
# the test (gtest_stall_report).
run_gtest_bounded() {
  local seconds=$1 name=$2 log status=0
  shift 2
  log=$(mktemp)
  {
    run_bounded "$seconds" "$name" "$@" 2>&1 | tee "$log" | grep -v -E '^(\[( +(RUN|OK) +|-+)\] .*)?$'
    status=${PIPESTATUS[0]}
  } || true
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then gtest_stall_report "$name" "$log"; fi
  rm -f "$log"
  return "$status"
}
