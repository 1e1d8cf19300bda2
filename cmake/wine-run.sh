#!/bin/sh
# Runs a Win32 program under Wine in the project's own prefix, quietly.
# The prefix lives outside the source tree; its first start takes a while.
export WINEDEBUG=-all
export WINEPREFIX="${ORV_WINEPREFIX:-${HOME:-/root}/.wine-orv}"
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
