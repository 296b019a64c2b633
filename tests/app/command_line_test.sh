#!/usr/bin/env bash
# The editor's --help, --version and wrong usage are answered without a display: run
# with no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM, where starting the toolkit would
# abort.
#   command_line_test.sh EDITOR WORKDIR VERSION
set -u
editor="$1"
work="$2"
version="$3"
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failures=0

check() {  # check DESCRIPTION EXPECTED-STATUS COMMAND...
  local what="$1" want="$2"
  shift 2
  timeout 20 "$@" >out.txt 2>err.txt
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: exit $got, expected $want"; cat out.txt err.txt
    failures=$((failures + 1))
  fi
  if [ "$want" = 0 ] && [ -s err.txt ]; then
    echo "FAIL: $what: unexpected stderr"; cat err.txt
    failures=$((failures + 1))
  fi
  if [ "$want" != 0 ] && { [ "$(wc -l <err.txt)" != 1 ] || [ -s out.txt ]; }; then
    echo "FAIL: $what: expected one line on stderr and nothing on stdout"; cat out.txt err.txt
    failures=$((failures + 1))
  fi
}

check "--help" 0 "$editor" --help
head -n 1 out.txt | grep -q '^Usage: orvane ' || { echo "FAIL: --help: usage line"; cat out.txt; failures=$((failures + 1)); }
for option in --no-splash --new-instance --help --version; do
  grep -q -- "$option" out.txt || { echo "FAIL: --help does not list $option"; failures=$((failures + 1)); }
done
check "-h" 0 "$editor" -h
check "--help after a file and a toolkit option" 0 "$editor" ship.3do -platform offscreen --help
check "--version" 0 "$editor" --version
[ "$(cat out.txt)" = "Orvane Version $version" ] || { echo "FAIL: --version"; cat out.txt; failures=$((failures + 1)); }

check "an unknown option" 2 "$editor" --bogus
grep -q "^orvane: unknown option '--bogus'" err.txt || { echo "FAIL: unknown option message"; cat err.txt; failures=$((failures + 1)); }
check "a toolkit option without its value" 2 "$editor" -style
grep -q -- "-style needs a value" err.txt || { echo "FAIL: missing value message"; cat err.txt; failures=$((failures + 1)); }
check "two files" 2 "$editor" a.3do b.3do
grep -q "one file at a time" err.txt || { echo "FAIL: two files message"; cat err.txt; failures=$((failures + 1)); }

if [ "$failures" != 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all editor command-line checks passed"
