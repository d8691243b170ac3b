#!/usr/bin/env bash
# The NT branch of the error log. Wine keeps no event log to read back, but it says
# every reported event on its "eventlog" debug channel, and the calls' arguments on
# "advapi". Runs the dialog's case of a second and a third exception while it is
# shown, with those channels on, and checks the events: from a source named after
# the program, three error events of one string each, in this order: the report,
# then each later exception's stack.
#
#   event-log.sh EMULATOR TEST-EXE
set -u
emulator=$1 exe=$2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
WINEDEBUG=-all,err+eventlog,fixme+advapi "$emulator" "$exe" --gtest_also_run_disabled_tests \
  --gtest_filter='ExceptionDialog.DISABLED_NtEventLog*' >"$log" 2>&1
rc=$?
fail() { echo "event-log.sh: $*"; echo "---- output:"; cat "$log"; exit 1; }
[ $rc -eq 0 ] || fail "the test program failed ($rc)"
program=$(basename "$exe" .exe)
sources=$(grep -c "RegisterEventSourceW ((null),L\"$program\")" "$log")
[ "$sources" -eq 3 ] || fail "expected 3 event sources named $program, saw $sources"
# ReportEventW(handle, type 1 (error), category 0, id 0, no user, 1 string, no data).
reports=$(grep -cE 'ReportEventW \([0-9A-F]+,0x0001,0x0000,0x00000000,0+,0x0001,0x00000000,[0-9A-F]+,0+\)' "$log")
[ "$reports" -eq 3 ] || fail "expected 3 error events of one string and no data, saw $reports"
mapfile -t events < <(grep 'err:eventlog:ReportEventW ' "$log" | sed 's/^.*err:eventlog:ReportEventW L"//')
[ "${#events[@]}" -eq 3 ] || fail "expected 3 event texts, saw ${#events[@]}"
case "${events[0]}" in
  'Exception class: EFCreateError\r\nException address: '*'Exception message: Cannot create file'*) ;;
  *) fail "the first event is not the report: ${events[0]}" ;;
esac
case "${events[1]}" in
  '<----Secondary Exception Stack Trace---->\r\nException\r\nSecond failure\r\n\r\n['*) ;;
  *) fail "the second event is not the second exception's stack: ${events[1]}" ;;
esac
case "${events[2]}" in
  '<----Secondary Exception Stack Trace---->\r\nException\r\nThird failure\r\n\r\n['*) ;;
  *) fail "the third event is not the third exception's stack: ${events[2]}" ;;
esac
echo "event log: the report and two secondary stacks, from source $program"
