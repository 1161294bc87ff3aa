#!/usr/bin/env bash
# Makes a copy of a test prefix (tools/wine-prefix.sh) that uses Wine's X11 driver, for
# programs that need a display: Wine's VMR-9 connects only with a Direct3D device, which
# the null graphics driver lacks. Also registers the kernel-streaming proxy, the class of
# the demo's (and most real) capture devices, whose file Windows reports; Wine lacks it.
# Usage: tools/wine-display-prefix.sh PREFIX COPY
set -euo pipefail
prefix=$1
copy=$2
"$(dirname "$0")/wine-prefix.sh" "$prefix"
rm -rf "$copy"
mkdir -p "$copy"
cp -a "$prefix/." "$copy/"
export WINEPREFIX=$copy WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 </dev/null || true
wine reg add 'HKCR\CLSID\{17CCA71B-ECD7-11D0-B908-00A0C9223196}\InprocServer32' /ve \
    /d ksproxy.ax /f >/dev/null 2>&1 </dev/null
wineserver -w
