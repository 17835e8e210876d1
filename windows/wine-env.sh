# Wine for the Windows tests: a 32-bit prefix made for one test run, the
# simulated card driver installed in it as a demand-start kernel service, and
# one wineserver kept running for the whole run. Sourced by scripts; needs
# WINEPREFIX set to a folder of the run's own (it is created if missing).

export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Gecko or Mono installers, and no display: a message box returns at once
# instead of waiting for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=

TORVEL_SERVICE=torveldrv

# Runs a Windows program, keeping the prefix's output of Wine itself out of
# the way. Arguments as for wine.
wine_run() {
    wine "$@"
}

# Creates the prefix (when new) and starts the wineserver that serves the
# whole run.
wine_prefix_up() {
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine-env: could not create the prefix $WINEPREFIX" >&2
        return 1
    fi
    wineserver -p
}

# Stops every Wine process of the prefix and its wineserver.
wine_prefix_down() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# `sc` without Wine's own chatter; prints sc's output and returns its status.
wine_sc() {
    wine sc "$@" 2>/dev/null | tr -d '\r'
    return "${PIPESTATUS[0]}"
}

# Copies the driver into the prefix and registers it as a demand-start
# kernel service, replacing a leftover registration.
driver_install() {
    local sys=$1
    driver_stop
    wine_sc delete "$TORVEL_SERVICE" >/dev/null || true
    cp "$sys" "$WINEPREFIX/drive_c/windows/system32/drivers/$TORVEL_SERVICE.sys"
    wine_sc create "$TORVEL_SERVICE" type= kernel start= demand \
        binpath= "C:\\windows\\system32\\drivers\\$TORVEL_SERVICE.sys" >/dev/null
}

# Starts the service. Retries while the service database is locked (1055),
# as it is for a while after the prefix is made.
driver_start() {
    local attempt output
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        output=$(wine_sc start "$TORVEL_SERVICE") && return 0
        case "$output" in
        *1056*) return 0 ;; # already running
        *1055*) sleep 2 ;;
        *)
            echo "wine-env: sc start $TORVEL_SERVICE failed: $output" >&2
            return 1
            ;;
        esac
    done
    echo "wine-env: sc start $TORVEL_SERVICE: service database still locked" >&2
    return 1
}

# Stops the service if it runs, and waits until it has stopped.
driver_stop() {
    local attempt
    wine_sc stop "$TORVEL_SERVICE" >/dev/null 2>&1 || true
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        wine_sc query "$TORVEL_SERVICE" 2>/dev/null | grep -q 'RUNNING\|PENDING' || return 0
        sleep 1
    done
    return 1
}
