#!/usr/bin/env bash
# formc as a user meets it: usage, directions, the round-trip check and its messages.
#   formc-cli.sh FORMC FORMS_DIR
set -u
formc=$1
forms=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# run EXPECTED_EXIT COMMAND... : runs formc, keeps stdout and stderr in out/err.
run() {
  local expected=$1
  shift
  "$formc" "$@" >out 2>err
  local code=$?
  [ "$code" -eq "$expected" ] || fail "formc $* exited $code, not $expected: $(cat err)"
}

expect_in() {  # FILE TEXT
  grep -qF -- "$2" "$1" || fail "expected \"$2\" in $1: $(cat "$1")"
}

# Help goes to standard output and says how the direction is chosen.
run 0 --help
expect_in out "usage: formc"
expect_in out "the input chooses the direction"
[ -s err ] && fail "--help wrote to stderr"
run 2
expect_in err "usage: formc"
run 2 -b -t a b

# Both directions, and both binary forms.
run 0 -b "$forms/AllValues.dfm" form.bin
[ "$(head -c 3 form.bin | od -An -tx1 | tr -d ' ')" = ff0a00 ] || fail "-b wrote no resource header"
run 0 -s "$forms/AllValues.dfm" form.stream
[ "$(head -c 4 form.stream)" = TPF0 ] || fail "-s wrote no bare stream"
run 0 form.bin back.dfm
cmp -s back.dfm "$forms/AllValues.dfm" || fail "binary form file did not convert back to the text"
run 0 -t form.stream back2.dfm
cmp -s back2.dfm "$forms/AllValues.dfm" || fail "form stream did not convert back to the text"

# The check passes for text and binary that survive their round trip.
for f in "$forms"/*.dfm form.bin form.stream; do
  run 0 --check "$f"
  expect_in out "unchanged by its round trip"
done

# Text written differently with the same values passes, and names the first such line.
printf 'object A: T\r\n  Left = 1\r\n  Ratio = 1.5\r\nend\r\n' >short.dfm
run 0 --check short.dfm
expect_in out "short.dfm: line 3 is written differently, with the same values"
expect_in out "1.500000000000000000"
expect_in out "short.dfm: its content unchanged by its round trip"

# So does binary whose values come back in another kind: a small number stored as Int32.
printf 'TPF0\x01T\x01A\x04Left\x04\x05\x00\x00\x00\x00\x00' >wide.stream
run 0 --check wide.stream
expect_in out "another kind after the round trip, with the same content: 1; the first at offset 13"
expect_in out "Left = 5"

# 8-bit text keeps its bytes both ways (code page 1251 here, whatever the machine's).
printf 'object A: T\r\n  Caption = '"'"'\xce\xea'"'"'\r\nend\r\n' >cyrillic.dfm
run 0 --check cyrillic.dfm
expect_in out "cyrillic.dfm: unchanged by its round trip"
run 0 -b cyrillic.dfm cyrillic.bin
run 0 cyrillic.bin cyrillic-back.dfm
cmp -s cyrillic.dfm cyrillic-back.dfm || fail "8-bit text did not come back byte for byte"
printf 'object A: T\r\n  Caption = '"'"'\xce'"'"'#1082\r\nend\r\n' >mixed.dfm
run 1 --check mixed.dfm
expect_in err "mixed.dfm: 8-bit characters beside character codes above 127"

# Errors name the file and the real line, byte-order mark or not.
printf '\xef\xbb\xbfobject A: T\r\n  Left = 1\r\n  Top 2\r\nend\r\n' >bad.dfm
run 1 -b bad.dfm out.bin
expect_in err "formc: bad.dfm: 'end' expected on line 3"
[ -e out.bin ] && fail "a failed conversion wrote its output"
run 1 --check bad.dfm
expect_in err "formc: bad.dfm: 'end' expected on line 3"

# The wrong direction for the input says so, without a made-up line.
run 1 -b form.bin out.dfm
expect_in err "formc: form.bin: the input is a binary form already"
grep -q "line 1" err && fail "binary input got a line message"
run 1 -t "$forms/AllValues.dfm" out.bin
expect_in err "not a binary form"
head -c 40 form.bin >cut.bin
run 1 cut.bin out.dfm
expect_in err "formc: cut.bin: Invalid form data at offset 16: the resource header gives more"
head -c 40 form.stream >cut.stream
run 1 --check cut.stream
expect_in err "formc: cut.stream: Invalid form data at offset"
expect_in err "unexpected end of data"
run 1 --check missing.dfm
expect_in err "formc: missing.dfm:"

[ "$failures" -eq 0 ] && echo "formc: all checks passed"
exit "$failures"
