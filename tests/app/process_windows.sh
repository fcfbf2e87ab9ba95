#!/usr/bin/env bash
# How the Windows build's process ends look from outside, under Wine (app/process_windows.cpp,
# through the helper tests/app/process_windows_test.cpp): a crash's one line and exit status, an
# uncaught std::bad_alloc, a closed standard output, Ctrl-C, and handle_if_default beside an
# ignored signal. Wine hands bash the low byte of a Windows exit status: 0xC0000005 is seen as 5.
# usage: process_windows.sh CASE HELPER.exe
#   CASE: crash, stack-overflow, bad-alloc, closed-stdout, ctrl-c, ctrl-c-ignored, handle
source "$(dirname "$0")/../lib/harness.sh"
test_name=$1 case_name=$1
helper=$(realpath "$2")
wine=$(realpath "$(dirname "$0")/../lib/wine.sh")
handled_status=9  # the helper's kHandledStatus
access_violation=0xC0000005 stack_overflow=0xC00000FD control_c_exit=0xC000013A
abort_status=3  # the C runtime's end of a raised SIGABRT
cd "$work" || fail "no work folder"

seen() { echo $(($1 & 0xFF)); }

# ends_with WINDOWS_STATUS LINE: the helper ended with that status, standard error holding LINE
# alone (no runtime text, no debugger's dump), its line ending the Windows one.
ends_with() {
  [[ $status -eq $(seen "$1") ]] || fail "exit status $status, expected $(seen "$1"): $(cat err)"
  [[ $(tr -d '\r' <err) == "$2" ]] || fail "standard error should be '$2' alone: $(cat err)"
}

# interrupt MODE: starts the helper waiting, and presses Ctrl-C once it is: Wine turns the SIGINT
# a terminal sends into the Windows program's CTRL_C_EVENT. Sets $status.
interrupt() {
  timeout -s KILL 60 "$wine" "$helper" "$1" >out 2>err &
  pids+=("$!")
  wait_until 30 grep -q '^ready' err || fail "the helper never got ready: $(cat err)"
  kill -INT "$!"
  wait_for_exit "$!" 30 "the helper"
}

case "$case_name" in
  crash)
    run_for 60 "$wine" "$helper" crash
    ends_with $access_violation "helper: crashed with exception 0xC0000005 (access violation)" ;;
  stack-overflow)  # the report has only what is left of the stack to work with
    run_for 60 "$wine" "$helper" stack-overflow
    ends_with $stack_overflow "helper: crashed with exception 0xC00000FD (stack overflow)" ;;
  bad-alloc)
    run_for 60 "$wine" "$helper" bad-alloc
    ends_with $abort_status "helper: crashed with signal 22, out of memory (std::bad_alloc)" ;;
  closed-stdout)
    run_for 60 "$wine" "$helper" closed-stdout later.txt
    [[ $status -eq 0 && -f later.txt ]] || fail "exit status $status, later.txt made? $(cat err)"
    ! grep -q 'printed to standard output' later.txt ||
      fail "what the program printed landed in a file it opened later" ;;
  ctrl-c)
    interrupt wait
    [[ $status -eq $(seen $control_c_exit) ]] || fail "exit status $status after Ctrl-C: $(cat err)"
    ! grep -q 'still running' err || fail "Ctrl-C did not end the program" ;;
  ctrl-c-ignored)  # a process started with Ctrl-C ignored keeps ignoring it
    interrupt wait-ignoring
    [[ $status -eq 0 ]] && grep -q 'still running' err ||
      fail "an ignored Ctrl-C ended the program: status $status" ;;
  handle)
    run_for 60 "$wine" "$helper" handle default
    [[ $status -eq $handled_status ]] ||
      fail "the handler was not installed over the default: status $status"
    run_for 60 "$wine" "$helper" handle ignored
    [[ $status -eq 0 ]] || fail "the handler was installed over an ignored signal: status $status" ;;
  *) fail "unknown case" ;;
esac
pass
