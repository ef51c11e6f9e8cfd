#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it. Without a USB serial adapter
# attached it starts with the built-in virtual device (--demo).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
program=build/dev/bin/divuzovuzov
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset); start it from a desktop session." >&2
  echo "To try it without one: xvfb-run $program --demo" >&2
  exit 1
fi
if compgen -G "/dev/ttyUSB*" >/dev/null || compgen -G "/dev/ttyACM*" >/dev/null; then
  exec "$program" "$@"
fi
echo "No USB serial adapter found: starting with the built-in virtual device."
exec "$program" --demo "$@"
