#!/usr/bin/env bash
# orvane-tool info on the real files of the corpus: each whole file is complete (exit 0,
# no "incomplete:" line), and each file cut short says what is missing and exits 1.
#   incomplete_corpus_test.sh TOOL CORPUS WORKDIR     (exit 77: no corpus here)
set -u
tool="$1"
corpus="$2"
work="$3"
if [ ! -d "$corpus" ]; then
  # CI sets ORVANE_REQUIRE_CORPUS: there a missing corpus fails rather than skips.
  [ "${ORVANE_REQUIRE_CORPUS:-0}" != 0 ] && { echo "FAIL: the corpus is required but $corpus is not there"; exit 1; }
  echo "no corpus on this machine"; exit 77
fi
rm -rf "$work"
mkdir -p "$work"
failures=0
checked=0

for f in "$corpus"/3do/*.3do "$corpus"/key/*.key "$corpus"/pup/*.pup; do
  [ -f "$f" ] || continue
  name="$(basename "$f")"
  if ! "$tool" info "$f" >"$work/out.txt" 2>"$work/err.txt" || grep -q '^incomplete:' "$work/out.txt"; then
    echo "FAIL: whole $name is reported incomplete or unreadable"; cat "$work/out.txt" "$work/err.txt"
    failures=$((failures + 1))
  fi
  checked=$((checked + 1))
done

# Cuts at a quarter, half and most of each model and keyframe (a keyframe's last number
# may lose digits unseen, so its cuts stay clear of the end).
for f in "$corpus"/3do/*.3do "$corpus"/key/*.key; do
  [ -f "$f" ] || continue
  name="$(basename "$f")"
  size=$(stat -c %s "$f")
  for n in $((size / 4)) $((size / 2)) $((size - 200)) $((size - 2)); do
    case "$name" in *.key) [ "$n" -gt $((size - 100)) ] && continue ;; esac
    [ "$n" -gt 0 ] || continue
    cut="$work/cut_$name"
    head -c "$n" "$f" >"$cut"
    "$tool" info "$cut" >"$work/out.txt" 2>"$work/err.txt"
    status=$?
    if [ "$status" != 1 ] || ! tail -n 1 "$work/out.txt" | grep -q '^incomplete: .' || [ -s "$work/err.txt" ]; then
      echo "FAIL: $name cut to $n bytes: exit $status"; cat "$work/out.txt" "$work/err.txt"
      failures=$((failures + 1))
    fi
    checked=$((checked + 1))
  done
done

echo "$checked checks, $failures failures"
[ "$failures" = 0 ]
