#!/bin/bash
# Runs a command with virtual devices (the Linux divuzo-vdev on pseudo-terminals) mapped to COM
# ports of a Wine prefix, the way a USB-to-serial bridge appears on Windows.
#
#   with-vdev.sh PREFIX VDEV WORKDIR COMn "VDEV OPTIONS" [COMm "VDEV OPTIONS" ...] -- COMMAND...
#
# Each device logs to WORKDIR/COMn.log and announces itself in WORKDIR/vports only (so that no
# other program's port list sees it). The command runs with DIVUZO_TEST_PORTS="COMn COMm ..." and
# DIVUZO_TEST_LOGS (the log files, in the same order); the devices stop and the mappings go when it
# ends. Its exit status is the command's.
set -euo pipefail
prefix=$1 vdev=$2 work=$3
shift 3
mkdir -p "$work/vports" "$prefix/dosdevices"
pids=() links=() ports=() logs=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  for link in "${links[@]}"; do rm -f "$link"; done
}
trap cleanup EXIT
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  port=$1 options=$2
  shift 2
  name=$(echo "$port" | tr 'A-Z' 'a-z')
  log="$work/$port.log" out="$work/$port.out"
  rm -f "$log" "$out"
  # shellcheck disable=SC2086  # the options are words on purpose
  DIVUZO_VPORT_DIR="$work/vports" "$vdev" --log "$log" $options >"$out" 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do
    [ -s "$out" ] && break
    sleep 0.05
  done
  pty=$(head -n 1 "$out")
  case "$pty" in
    /dev/*) ;;
    *) echo "with-vdev.sh: the virtual device for $port did not start: $(cat "$out")" >&2; exit 1 ;;
  esac
  ln -sfn "$pty" "$prefix/dosdevices/$name"
  links+=("$prefix/dosdevices/$name")
  ports+=("$port")
  logs+=("$log")
done
[ "${1:-}" = "--" ] && shift
export DIVUZO_TEST_PORTS="${ports[*]}" DIVUZO_TEST_LOGS="${logs[*]}"
status=0
"$@" || status=$?
exit $status
