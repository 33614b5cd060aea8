# Sourced by the scripts that run Windows programs: a private Xvfb display and a
# fresh private Wine prefix (win64), both removed when the calling script exits.
# Exports DISPLAY, WINEPREFIX, WINEARCH, WINEDEBUG and WINE64 (the 64-bit loader),
# and KELVANE_WINE_SESSION, which tells scripts run from the caller that a session
# is open.

export WINEARCH=win64
export WINEDEBUG=-all
export WINE64=/usr/lib/wine/wine64
export KELVANE_WINE_SESSION=1
: "${KELVANE_SCREEN:=1280x1024x24}"

wine_session_dir=$(mktemp -d /tmp/kelvane-wine.XXXXXX)
export WINEPREFIX="$wine_session_dir/prefix"

# Xvfb picks a free display number itself and writes it to the file only once
# it accepts connections. Wine started before that would fall back to its
# display-less driver and every window would quietly see a 1024 x 768 screen.
Xvfb -displayfd 3 -screen 0 "$KELVANE_SCREEN" -nolisten tcp \
    3>"$wine_session_dir/display" >"$wine_session_dir/xvfb.log" 2>&1 &
xvfb_pid=$!

wine_session_end() {
    WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$wine_session_dir"
}
trap wine_session_end EXIT

display_number=
for _ in $(seq 600); do
    display_number=$(head -n 1 "$wine_session_dir/display")
    [[ -n $display_number ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [[ -z $display_number ]]; then
    echo "Xvfb did not start a display; its log:" >&2
    cat "$wine_session_dir/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$display_number"

echo "Preparing a fresh Wine prefix (this takes a while the first time)..."
"$WINE64" wineboot -i >"$wine_session_dir/wineboot.log" 2>&1
wineserver -w
# Wine links the profile's Desktop, Documents and the like to the Linux home
# folder; tests put files on the desktop, so the prefix gets folders of its own.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [[ -L $link ]]; then
        rm "$link"
        mkdir "$link"
    fi
done
# A crash must end the process, not wait behind a dialog.
"$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
# Keep the server up between programs; detached, so no pipe is held open.
wineserver -p </dev/null >/dev/null 2>&1 &
