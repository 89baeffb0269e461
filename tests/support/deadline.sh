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
