#!/bin/sh
# The release scripts' background jobs end with the script on every way out:
# a job that started a process of its own (as packaging/verify starts
# mmdebstrap) is stopped with it when the script fails under set -e, is
# interrupted or is terminated, and a finished job is waited for.
# usage: background_jobs.sh SOURCE_DIR WORK_DIR
set -u
source_dir=$1
work_dir=$2
rm -rf "$work_dir"
mkdir -p "$work_dir"
failures=0

# A script that starts a job whose own child writes a beat file every 0.1 s,
# then ends the way it is told; it prints the job's child's pid.
cat > "$work_dir/release.sh" <<SCRIPT
#!/usr/bin/env bash
set -euo pipefail
source "$source_dir/packaging/background.sh"
trap_background_jobs
start_background bash -c 'sh -c "while :; do date +%s%N > \$1; sleep 0.1; done" sh "\$1" & echo \$! > "\$2"; wait' job "$work_dir/beat" "$work_dir/child.pid"
while [ ! -s "$work_dir/child.pid" ]; do sleep 0.05; done
case \$1 in
  fail) false ;;
  signal) sleep 30 & wait \$! ;;
  finish) ;;
esac
echo "the script went on" > "$work_dir/went-on"
SCRIPT

# Runs the script one way; checks that the job's child is gone afterwards.
check() {
  way=$1
  rm -f "$work_dir/child.pid" "$work_dir/beat" "$work_dir/went-on"
  if [ "$way" = signal ]; then
    timeout -s KILL 20 bash "$work_dir/release.sh" signal &
    script=$!
    while [ ! -s "$work_dir/child.pid" ]; do sleep 0.05; done
    kill -TERM $(pgrep -P "$script")
    wait "$script"
    status=$?
  else
    # A script that waits for a job it failed to stop never ends: KILL after 20 s.
    timeout -s KILL 20 bash "$work_dir/release.sh" "$way"
    status=$?
  fi
  child=$(cat "$work_dir/child.pid")
  sleep 0.3
  if kill -0 "$child" 2>/dev/null; then
    echo "background jobs: after '$way' (status $status) the job's child $child still runs"
    kill -KILL "$child" 2>/dev/null
    failures=$((failures + 1))
  fi
  # 137: the script hung waiting for its job and was killed.
  case $way in
    fail) expected=1 ;;
    signal) expected=143 ;;
    finish) expected=0 ;;
  esac
  if [ "$status" -ne "$expected" ]; then
    echo "background jobs: after '$way' the script exited $status, not $expected"
    failures=$((failures + 1))
  fi
}

for way in fail signal finish; do
  check "$way"
done
[ "$failures" -eq 0 ] || exit 1
rm -rf "$work_dir"
echo "background jobs: stopped on failure, termination and the end"
