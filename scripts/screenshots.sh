#!/bin/sh
# Pictures of every page of the window for docs/: one PNG per page of the page table (what
# `divuzovuzov --list-pages` prints), the update page walked through Auto Detect, Connect and
# Select File with the demonstration device. Rerun it when pages change.
#
#   scripts/screenshots.sh [BUILD_DIR [OUT_DIR]]     (build/dev and docs/screenshots)
#
# It draws under Xvfb when xvfb-run is there (fonts as on a desktop), else on Qt's offscreen
# platform; DIVUZO_SCREENSHOTS_OFFSCREEN=1 asks for the latter. The texts are the program's own
# (Japanese): LANG=C.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/dev}
out=${2:-$here/docs/screenshots}
program=$build/bin/divuzovuzov
[ -x "$program" ] || { echo "screenshots.sh: no $program; build first" >&2; exit 1; }
mkdir -p "$out"

draw() {
  if [ -z "${DIVUZO_SCREENSHOTS_OFFSCREEN:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  else
    QT_QPA_PLATFORM=offscreen "$@"
  fi
}

for page in $("$program" --list-pages); do
  demo=""
  [ "$page" = update ] && demo=--demo
  rm -f "$out/$page.png"
  # A private settings folder: the user's own "show all tabs" does not change the pictures.
  settings=$(mktemp -d)
  LANG=C LC_ALL= LANGUAGE= XDG_CONFIG_HOME=$settings draw "$program" $demo --page "$page" \
    --screenshot "$out/$page.png" 2>/dev/null || true
  rm -rf "$settings"
  if [ ! -s "$out/$page.png" ]; then
    echo "screenshots.sh: no picture of the page $page" >&2
    exit 1
  fi
  echo "$out/$page.png"
done
