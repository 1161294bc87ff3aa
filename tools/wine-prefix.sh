#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in, once: a fresh prefix with the null
# graphics driver (no X server needed; windows and renderers exist but show nothing).
# Usage: tools/wine-prefix.sh PREFIX
set -euo pipefail
prefix=$1
[ -f "$prefix/.capspect-ready" ] && exit 0
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wineboot -i >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
# A program that crashes ends there, instead of waiting in Wine's debugger.
wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
    >/dev/null 2>&1 </dev/null
# Nor in a crash dialog, where a copy of the prefix has a display.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1 </dev/null
wineserver -w
touch "$prefix/.capspect-ready"
