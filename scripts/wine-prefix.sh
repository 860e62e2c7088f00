# Sourced by the scripts that run Windows programs: start_wine LOADER makes a fresh Wine prefix
# for the loader's width (/usr/lib/wine/wine64 or the 32-bit /usr/lib/wine/wine), starts a
# server that lasts until the script ends, and removes both then. Where the kernel refuses
# 32-bit programs, it says so in one line and ends the script with success: nothing to run.

start_wine() {
    wine=$1
    if [[ $wine != */wine64 ]] && ! "$(dirname "${BASH_SOURCE[0]}")/runs-32-bit-programs"; then
        echo "Skipped under $wine: this machine's kernel does not run 32-bit programs (Exec format error)."
        exit 0
    fi
    local probe
    if ! probe=$("$wine" --version 2>&1); then
        echo "$probe" >&2
        exit 1
    fi
    export WINEDEBUG=-all
    WINEPREFIX=$(mktemp -d /tmp/inversions-wine.XXXXXX)
    export WINEPREFIX
    case $wine in
        */wine64) export WINEARCH=win64 ;;
        *) export WINEARCH=win32 ;;
    esac
    wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
    trap stop_wine EXIT
    # A persistent server and a prefix made once, before the first program, keep starts quick.
    "$wineserver" -p
    "$wine" wineboot --init >/dev/null 2>&1 </dev/null
}

stop_wine() {
    "$wineserver" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
