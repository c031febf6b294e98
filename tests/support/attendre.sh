# Shell helper for the test scripts that start processes: source it.
# attendre SECONDS COMMAND...: waits until the command succeeds, at most that many seconds.
attendre() {
  local limite=$(( $(date +%s) + $1 )); shift
  until "$@" >/dev/null 2>&1; do
    [ "$(date +%s)" -lt "$limite" ] || return 1
    sleep 0.1
  done
}
