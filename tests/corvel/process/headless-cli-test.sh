#!/bin/sh
# Runs corvel-headless on small programs and checks the screen it prints
# and the exit code it passes on.
# usage: headless-cli-test.sh PATH-TO-corvel-headless
tool=$1
failures=0

check() {
    expected_rc=$1
    expected_out=$2
    shift 2
    out=$("$tool" "$@")
    rc=$?
    if [ "$rc" != "$expected_rc" ] || [ "$out" != "$expected_out" ]; then
        printf 'FAIL: corvel-headless %s\n  exit %s (expected %s)\n  output [%s] (expected [%s])\n' \
            "$*" "$rc" "$expected_rc" "$out" "$expected_out"
        failures=$((failures + 1))
    fi
}

check 3 "hello" -- sh -c 'printf "hello\n"; exit 3'
check 0 "12 34" --cols 34 --rows 12 -- stty size
check 0 "$(printf 'first\n\n   third')" -- printf 'first\n\n   third   \n\n\n'
check 143 "" -- sh -c 'kill -TERM $$'
# The child must have started and written before the time runs out, which
# can take a while on a loaded machine.
check 124 "waiting" --timeout 2 -- sh -c 'echo waiting; exec sleep 30'
check 127 "" -- /nonexistent/program

# A child that ignores TERM and HUP is killed and reaped before the tool
# exits after its time-out.
pidfile=$(mktemp)
check 124 "stubborn" --timeout 0.5 -- sh -c 'trap "" TERM HUP; echo $$ > '"$pidfile"'; echo stubborn; while :; do sleep 0.05; done'
stubborn=$(cat "$pidfile")
rm -f "$pidfile"
if [ -z "$stubborn" ] || kill -0 "$stubborn" 2>/dev/null; then
    printf 'FAIL: the child that ignores TERM and HUP (pid %s) still runs\n' "$stubborn"
    kill -KILL "$stubborn" 2>/dev/null
    failures=$((failures + 1))
fi

# Started with descriptors 0-2 closed, the tool still gives the child the
# terminal as its standard input, output and error.
ttys=$(mktemp)
"$tool" -- sh -c 't=; for fd in 0 1 2; do [ -t $fd ] && t="$t$fd "; done; printf %s "$t" > '"$ttys" 0<&- 1>&- 2>&-
if [ "$(cat "$ttys")" != "0 1 2 " ]; then
    printf 'FAIL: started with 0-2 closed, the child had the terminal on [%s] (expected [0 1 2 ])\n' "$(cat "$ttys")"
    failures=$((failures + 1))
fi
rm -f "$ttys"

# A program that cannot run says why on standard error.
check_error() {
    expected_rc=$1
    expected_err=$2
    shift 2
    err=$("$tool" "$@" 2>&1 >/dev/null)
    rc=$?
    if [ "$rc" != "$expected_rc" ] || [ "$err" != "$expected_err" ]; then
        printf 'FAIL: corvel-headless %s\n  exit %s (expected %s)\n  stderr [%s] (expected [%s])\n' \
            "$*" "$rc" "$expected_rc" "$err" "$expected_err"
        failures=$((failures + 1))
    fi
}
check_error 127 "corvel: cannot run /nonexistent/program: No such file or directory" -- /nonexistent/program
check_error 126 "corvel: cannot run /: Is a directory" -- /
check_error 127 "corvel-headless: no-such-program-here: command not found" -- no-such-program-here
check 2 "" --cols zero -- true
check_error 2 "corvel-headless: --rows must be a whole number from 1 to 4096, not '100000'" --rows 100000 -- true
# Engine diagnostics (an unknown rendition here) never mix into the screen.
check 0 "plain" -- printf '\033[53mplain'

[ "$failures" = 0 ]
