#!/usr/bin/env bash
# Sets up and tears down the Wine prefix that the Windows build's tests run in.
#   wine-prefix.sh start PREFIX   create PREFIX if needed, put Wine's cmd.exe at
#                                 c:\command.com, keep one wineserver alive
#   wine-prefix.sh stop PREFIX    shut that wineserver down
set -euo pipefail
action=$1
prefix=$2
export WINEPREFIX=$prefix WINEDEBUG=-all LANG=C.UTF-8 WINEARCH=win32

pick() { for c in "$@"; do command -v "$c" >/dev/null 2>&1 && { echo "$c"; return; }; done; echo "missing: $1" >&2; exit 1; }
wineboot=$(pick wineboot wineboot-stable)
wineserver=$(pick wineserver wineserver-stable)
wine=$(pick wine wine-stable)

case $action in
  start)
    if [ ! -f "$prefix/drive_c/windows/system32/cmd.exe" ]; then
      mkdir -p "$prefix"
      "$wineboot" -i </dev/null >/dev/null 2>&1
      "$wineserver" -w
    fi
    cp "$prefix/drive_c/windows/system32/cmd.exe" "$prefix/drive_c/command.com"
    "$wineserver" -p </dev/null >/dev/null 2>&1 || true  # one may be running already
    # Bring up Wine's own service processes now, detached from the caller's streams,
    # so that they are not started by (and do not hold the pipes of) a test.
    "$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1
    ;;
  stop)
    "$wineserver" -k 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
