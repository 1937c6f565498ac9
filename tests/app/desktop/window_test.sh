#!/usr/bin/env bash
# Drives the installed program's window on a virtual X display as a user
# does, with the pointer and the keyboard: the main menu, Settings > Units >
# Statute, the tick on the chosen unit, "Quit App" answered Yes, then a second
# start that shows the unit kept. The window reports what it shows through
# its shell log; each step waits for that line.
# Usage: window_test.sh BUILD_DIR
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
build=${1:?usage: window_test.sh BUILD_DIR}

need cmake Xvfb xdotool
make_scratch
prefix=$scratch/prefix
if ! cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log" >&2
    fail "cmake --install"
    finish
fi

# A display of our own: Xvfb picks a free number and writes it to the fd.
exec 3>"$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
trap 'if [[ -n "${program_pid:-}" ]]; then kill -KILL "$program_pid"; fi
      kill "$xvfb_pid" 2>/dev/null; rm -rf "$scratch"' EXIT
wait_until 30 test -s "$scratch/display" || {
    fail "Xvfb did not start: $(cat "$scratch/xvfb.log")"
    finish
}
export DISPLAY=":$(head -n1 "$scratch/display")"

run_env=(env HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime" XDG_CONFIG_HOME="$scratch/config"
    XDG_DATA_HOME="$scratch/data" QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="orvanta.shell.debug=true")

logged_at_least() { (($(grep -c -F -- "$1" "$scratch/orvanta.log") >= $2)); }
# expect NAME PATTERN COUNT: waits until the log holds COUNT lines with PATTERN.
expect() {
    if wait_until 60 logged_at_least "$2" "$3"; then
        echo "ok: $1"
    else
        fail "$1: no '$2' in the log"
        cat "$scratch/orvanta.log" >&2
        finish
    fi
}

window=
find_window() { window=$(xdotool search --onlyvisible --name '^Orvanta' 2>/dev/null | head -n1) && [[ -n "$window" ]]; }
# The menu button is the first of the column at the window's top left.
click_menu_button() { xdotool mousemove --window "$window" 40 40 click 1; }
# A letter picks the entry starting with it; Return opens or chooses it.
choose() { xdotool key --clearmodifiers "$1" Return; }

open_units_menu() {
    local n=$1
    click_menu_button
    expect "main menu opened ($n)" "menu: Main Menu" "$n"
    choose s
    expect "settings opened ($n)" "menu: Settings" "$n"
    choose u
    expect "units opened ($n)" "menu: Units" "$n"
}

start_program "${run_env[@]}" "$prefix/bin/orvanta" || finish
wait_until 30 find_window || fail "no window named Orvanta on $DISPLAY"

open_units_menu 1
choose s
expect "a unit chosen closes the menu" "menu closed" 1
open_units_menu 2
expect "the window ticks Statute" "menu: Units | Metric, Nautical, ✓Statute" 1

# The menu is open: Escape goes back a level at a time and closes it.
xdotool key Escape Escape Escape
expect "Escape closed the menu" "menu closed" 2
click_menu_button
expect "main menu opened for quitting" "menu: Main Menu" 3
choose q
expect "quitting asks first" "message box: Please confirm" 1
xdotool key Return
if wait_until 60 bash -c "! kill -0 $program_pid 2>/dev/null"; then
    wait "$program_pid"
    check_eq "exit status after Quit App, Yes" 0 "$?"
    program_pid=
else
    fail "the program did not quit after Yes"
fi

start_program "${run_env[@]}" "$prefix/bin/orvanta" || finish
wait_until 30 find_window || fail "no window after the second start"
open_units_menu 1
expect "the unit is kept after a restart" "menu: Units | Metric, Nautical, ✓Statute" 1
stop_program
finish
