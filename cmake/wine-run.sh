#!/bin/sh
# Runs a Windows program under Wine in a prefix of its own: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made on first use (wineboot, once, under a lock so that parallel tests wait for
# it). Wine's own messages are silenced so that a test's output is the program's.
set -e
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs .NET or HTML.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
if [ ! -f "$prefix/.divuzo-ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.divuzo-ready" ]; then
      wine wineboot --init >/dev/null 2>&1
      wineserver --wait
      touch "$prefix/.divuzo-ready"
    fi
  ) 9>"$prefix.lock"
fi
exec wine "$@"
