# Shared by the desktop installation tests: skipping, checks that count
# failures, and waiting for a condition with a deadline.
# shellcheck shell=bash

# shellcheck disable=SC2034 # used by the tests that source this file
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
failures=0

# Exit status 77: CTest reports the test as skipped.
skip() {
    echo "SKIP: $*"
    exit 77
}

need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null ||
            skip "$tool is not installed (scripts/setup-deps.sh installs it)"
    done
}

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# check_eq NAME EXPECTED ACTUAL
check_eq() {
    if [[ "$2" == "$3" ]]; then
        echo "ok: $1"
    else
        fail "$1: expected '$2', got '$3'"
    fi
}

# check_file NAME PATH: a non-empty file
check_file() {
    if [[ -s "$2" ]]; then echo "ok: $1"; else fail "$1: $2 is missing or empty"; fi
}

# wait_until SECONDS COMMAND...: polls the command until it succeeds; false at the deadline.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

finish() {
    if ((failures > 0)); then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
}

# A temporary folder removed at exit, with a private runtime folder; a
# program still running then is killed.
make_scratch() {
    scratch=$(mktemp -d)
    trap 'if [[ -n "${program_pid:-}" ]]; then kill -KILL "$program_pid"; fi; rm -rf "$scratch"' EXIT
    mkdir -m 0700 "$scratch/runtime"
    mkdir -p "$scratch/home"
}

# start_program COMMAND...: runs Orvanta in the background, its output in
# $scratch/orvanta.log, and waits until it shows its window.
start_program() {
    "$@" >"$scratch/orvanta.log" 2>&1 &
    program_pid=$!
    if wait_until 60 program_shows "devicePixelRatio:"; then
        echo "ok: the program shows its window"
    else
        fail "the program did not show its window: $(cat "$scratch/orvanta.log")"
        return 1
    fi
}
program_logged() { grep -q -F -- "$1" "$scratch/orvanta.log"; }
program_shows() { kill -0 "$program_pid" 2>/dev/null && program_logged "$1"; }

# Asks the program to close as the desktop does at logout; it must exit with 0.
stop_program() {
    kill -TERM "$program_pid"
    wait "$program_pid"
    check_eq "exit status after SIGTERM" 0 "$?"
    program_pid=
    program_logged "Orvanta exits with status 0" || fail "no clean exit in the log"
    if ((failures > 0)); then cat "$scratch/orvanta.log" >&2; fi
}
