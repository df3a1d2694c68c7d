#!/bin/bash
# Runs one program of the sanitizer build and passes on its status.
#
# LeakSanitizer's tracer, which stops the process's threads to scan their
# memory, now and then dies with "Tracer caught signal 11" after the program
# itself has finished cleanly; the run then fails with no report of its own.
# Such a run says nothing about the program, so it is run again, twice at
# most. Any sanitizer report fails at once, tracer or not.
set -uo pipefail
log=$(mktemp)
trap 'rm -f "$log"' EXIT
reports='ERROR: AddressSanitizer|ERROR: LeakSanitizer: detected|runtime error:|UndefinedBehaviorSanitizer'
for attempt in 1 2 3; do
  "$@" 2>"$log"
  status=$?
  cat "$log" >&2
  if [ "$status" -ne 0 ] && grep -q 'Tracer caught signal' "$log" && ! grep -Eq "$reports" "$log"; then
    echo "sanitized.sh: LeakSanitizer's tracer died (run $attempt of 3, no report); running again" >&2
    continue
  fi
  exit "$status"
done
echo "sanitized.sh: the tracer died in all three runs; the leak check never ran" >&2
exit 1
