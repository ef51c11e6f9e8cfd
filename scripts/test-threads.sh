#!/usr/bin/env bash
# Builds the serial tests under ThreadSanitizer and runs the logger download's tests there,
# the one with a worker thread and a cancel from another thread among them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan "$@"
