#!/bin/sh
# Starts the Wine session the tests share: a persistent wineserver and a
# booted prefix, with stdio detached so that CTest does not wait on Wine's
# background processes. Without a window manager, Wine must not wait for one
# on every hide or destroy.
exec </dev/null >/dev/null 2>&1
wineserver -p30
wineboot
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
exit 0
