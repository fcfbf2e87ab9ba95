# Sourced by the end-to-end scripts, which define `fail`.
# wait_for_exit PID SECONDS [WHAT]: waits up to SECONDS for a child of this shell to end and sets
# $status to its exit status; fails if it is still running by then.
wait_for_exit() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$1" 2>/dev/null && fail "${3:-process $1} still running $2 s after it should have ended"
  wait "$1"
  status=$?
}
