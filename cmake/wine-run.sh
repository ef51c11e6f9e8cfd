#!/bin/sh
# Runs a Windows program under Wine in a prefix of its own: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made on first use (wineboot, under a lock so that parallel runs wait for it).
# Wine's own messages are silenced so that a test's output is the program's, and Wine's server
# is started apart, with its output in PREFIX.log: a server started by the program would keep
# the program's output open (and a test waiting) for as long as it lives.
# "wine-run.sh PREFIX --stop" ends the server.
set -e
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all
# Wine names Unix files, and reads the command line, in the character set of LC_CTYPE: UTF-8, so
# that names outside ASCII reach the disk and the program as they are (in the C locale each byte
# would be taken for a character of its own). The program's language follows LC_ALL, LC_MESSAGES
# and LANG, which stay as the caller set them.
export LC_CTYPE=C.UTF-8
# No Mono or Gecko installers: nothing here needs .NET or HTML.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
mkdir -p "$prefix"
if [ "${1:-}" = "--stop" ]; then
  # Waits until the server has gone, so that a run right after starts a new one rather than
  # meeting this one on its way out.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  exit 0
fi
(
  flock 9
  # Exit status 0: a new server (2: one runs already). Wine's session processes (services,
  # device drivers) are started here too, with their output in the log: started by the program,
  # they would hold its output open as long as the server lives.
  # (They must not inherit the lock either, or it would be held for as long as they live.)
  if wineserver -p60 >>"$prefix.log" 2>&1 </dev/null 9>&-; then
    if [ ! -f "$prefix/.divuzo-ready" ]; then
      wine wineboot --init >>"$prefix.log" 2>&1 </dev/null 9>&-
      touch "$prefix/.divuzo-ready"
    else
      wine wineboot >>"$prefix.log" 2>&1 </dev/null 9>&-
    fi
  fi
) 9>"$prefix.lock"
exec wine "$@"
