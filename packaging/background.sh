# Sourced by the release scripts: background jobs that end with the script.
# Each job runs in a process group of its own, so that stopping it reaches
# whatever it started (mmdebstrap under packaging/verify, wineserver, Xvfb),
# and every job still running is stopped on every way out: a failure under
# set -e, an interrupt, a termination, or the end.

background_jobs=()

# Runs a command in the background in a new process group; sets background_pid.
start_background() {
  setsid "$@" &
  background_pid=$!
  background_jobs+=("$background_pid")
}

# Waits for one job started above and forgets it; its exit status.
wait_background() {
  local pid=$1 status=0 kept=() job
  wait "$pid" || status=$?
  for job in "${background_jobs[@]}"; do
    [ "$job" = "$pid" ] || kept+=("$job")
  done
  background_jobs=("${kept[@]}")
  return $status
}

# Stops every job still running: TERM to its whole group, KILL after 10 s.
stop_background_jobs() {
  local job waited
  for job in "${background_jobs[@]}"; do
    kill -TERM -- "-$job" 2>/dev/null || true
  done
  for job in "${background_jobs[@]}"; do
    for waited in $(seq 1 100); do
      kill -0 -- "-$job" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL -- "-$job" 2>/dev/null || true
    wait "$job" 2>/dev/null || true
  done
  background_jobs=()
}

# Installs the traps; a script with a cleanup of its own calls
# stop_background_jobs from it instead.
trap_background_jobs() {
  trap 'status=$?; stop_background_jobs; exit $status' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}
