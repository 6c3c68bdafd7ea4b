#!/usr/bin/env bash
# Under an X server: starts $EXE, finds its window titled $TITLE, presses
# Return (the COPY key) and waits for the printed PDF in
# ~/Documents/Velmora Copier, then closes the window and waits for the program
# to end.
set -uo pipefail
"$EXE" >"$HOME/copier.log" 2>&1 &
pid=$!
out="$HOME/Documents/Velmora Copier"
finish() {
    status=$1
    if kill -0 $pid 2>/dev/null; then
        kill $pid 2>/dev/null
        wait $pid 2>/dev/null
    fi
    echo "copier output:"
    sed 's/^/  /' "$HOME/copier.log"
    exit "$status"
}

wid=""
for _ in $(seq 1 150); do
    wid=$(xdotool search --onlyvisible --name "^$TITLE( |\$)" 2>/dev/null | head -1)
    [[ -n "$wid" ]] && break
    kill -0 $pid 2>/dev/null || { echo "the copier exited before showing its window"; finish 1; }
    sleep 0.2
done
[[ -n "$wid" ]] || { echo "no window titled \"$TITLE\""; finish 1; }
echo "window $wid: \"$(xdotool getwindowname "$wid")\""

# No window manager here: give the window the input focus directly.
xdotool windowfocus --sync "$wid"
sleep 0.5
xdotool key Return
for _ in $(seq 1 300); do
    compgen -G "$out/*.pdf" >/dev/null && break
    kill -0 $pid 2>/dev/null || { echo "the copier exited before printing"; finish 1; }
    sleep 0.2
done
compgen -G "$out/*.pdf" >/dev/null || { echo "no PDF after 60 s"; finish 1; }
# Let the printer finish writing the file.
sleep 1
echo "pdf: $(cd "$out" && ls)"

if [[ -n "${XDELETE:-}" ]]; then
    "$XDELETE" "$wid"
else
    xdotool windowclose "$wid" 2>/dev/null
fi
for _ in $(seq 1 50); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.2
done
if kill -0 $pid 2>/dev/null; then
    echo "the copier still runs after its window closed"
    finish 1
fi
wait $pid
echo "copier exit status: $?"
finish 0
