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

# A temporary folder removed at exit, with a private runtime folder.
make_scratch() {
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    mkdir -m 0700 "$scratch/runtime"
    mkdir -p "$scratch/home"
}
