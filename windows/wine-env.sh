# Wine for the Windows tests: a prefix made for one test run, 32-bit Windows
# (win32) or 64-bit Windows (win64), with one wineserver kept running for the
# whole run, and the loaders that start 32-bit and 64-bit programs in it.
# Sourced by scripts.
#
#   wine_prefix_up win32|win64 DIR   makes the prefix in DIR afresh, starts its
#                                    wineserver and exports WINEPREFIX etc.
#   wine_run x86|x64 PROGRAM ARGS... runs a Windows program of that
#                                    architecture; prints its output
#   wine_prefix_down                 stops the prefix's programs and server
#
# A 32-bit prefix runs 32-bit programs only. In a 64-bit prefix, 64-bit
# programs run under the 64-bit loader and 32-bit ones under the 32-bit
# loader, through WOW64, as on 64-bit Windows. The prefix itself (its
# service manager, and with it the kernel driver's host process) must be
# started by the loader of the prefix's own architecture: a 64-bit prefix
# started by the 32-bit loader runs an x86-64 driver in a 32-bit host, which
# cannot load it (error 1114).

export WINEDEBUG=${WINEDEBUG:--all}
# No Gecko or Mono installers, and no display: a message box returns at once
# instead of waiting for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=

# The loaders that Debian's wine32 and wine64 packages install in Wine's
# library folder; /usr/bin/wine starts the 32-bit one whenever it is there.
WINE_LOADER_X86=$(dpkg -L wine32 2>/dev/null | grep '/wine/wine$' | head -n 1)
WINE_LOADER_X64=$(dpkg -L wine64 2>/dev/null | grep '/wine/wine64$' | head -n 1)

wine_prefix_up() {
    local arch=$1 dir=$2
    export WINEARCH=$arch WINEPREFIX=$dir
    case "$arch" in
    win32) export WINELOADER=$WINE_LOADER_X86 ;;
    win64) export WINELOADER=$WINE_LOADER_X64 ;;
    *)
        echo "wine-env: no prefix architecture $arch" >&2
        return 1
        ;;
    esac
    if [ -z "$WINELOADER" ] || [ ! -x "$WINELOADER" ]; then
        echo "wine-env: no Wine loader for $arch (windows/install-deps installs it)" >&2
        return 1
    fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # wineboot's output goes to a file: the prefix's service processes that
    # it starts inherit it and keep a pipe open for as long as they run.
    "$WINELOADER" wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || true
    wineserver -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine-env: could not create the prefix $WINEPREFIX; see $WINEPREFIX.boot.log" >&2
        return 1
    fi
    # A kernel service stays loaded only while the wineserver runs. It runs
    # until wine_prefix_down, so it must not hold the caller's output open.
    wineserver -p >>"$WINEPREFIX.boot.log" 2>&1
}

wine_prefix_down() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# Runs a program and prints what it wrote to standard output and error, with
# Windows line ends made Unix ones; returns its exit status. The output goes
# through a file, never a pipe, for the same reason as wineboot's.
wine_run() {
    local arch=$1 loader output status=0
    shift
    case "$arch" in
    x86) loader=$WINE_LOADER_X86 ;;
    x64) loader=$WINE_LOADER_X64 ;;
    *)
        echo "wine-env: no program architecture $arch" >&2
        return 2
        ;;
    esac
    output=$(mktemp)
    "$loader" "$@" >"$output" 2>&1 || status=$?
    tr -d '\r' <"$output"
    rm -f "$output"
    return "$status"
}
