# shellcheck shell=bash disable=SC2154  # wine_log and wine_who are the caller's
# Shell functions that make a Wine prefix without failing silently; sourced by
# scripts/windows-build.sh and scripts/windows-installer-test.sh.  Each Wine
# command's own output goes to a log; a command that fails is named with its
# exit status and that output, and the whole prefix is made once more from
# scratch before the caller gives up.
#
#   wine_step COMMAND...     run one Wine command of the making
#   wine_prefix_twice FUNC   FUNC readies the prefix $WINEPREFIX (making it
#                            where it is missing) and fails when one of its
#                            steps fails; after a failure the prefix is
#                            removed and FUNC runs once more
# The caller sets WINEPREFIX and wine_log (the log file) and a name for the
# messages in wine_who.

wine_step() {
    local out status=0
    out=$(mktemp)
    printf '$ %s\n' "$*" >>"$wine_log"
    "$@" >"$out" 2>&1 || status=$?
    cat "$out" >>"$wine_log"
    if [ "$status" -ne 0 ]; then
        {
            echo "$wine_who: this Wine command failed with exit status $status:"
            echo "    $*"
            if [ -s "$out" ]; then
                echo "$wine_who: its output:"
                sed 's/^/    | /' "$out"
            else
                echo "$wine_who: it printed nothing"
            fi
        } >&2
    fi
    rm -f "$out"
    return "$status"
}

wine_prefix_twice() {
    local ready=$1
    : >"$wine_log"
    "$ready" && return 0
    echo "$wine_who: making the Wine prefix $WINEPREFIX failed; making it once more from scratch" >&2
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    echo "-- second attempt, from an empty place" >>"$wine_log"
    "$ready" && return 0
    wineserver -k >/dev/null 2>&1 || true
    echo "$wine_who: the Wine prefix $WINEPREFIX could not be made, twice; the failing command and" \
         "Wine's output are above, the log of both attempts is $wine_log" >&2
    return 1
}
