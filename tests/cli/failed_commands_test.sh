#!/usr/bin/env bash
# A command of orvane-tool that fails exits non-zero and changes no file: each case runs
# in a folder of its own, whose files and folders (names and contents) must be the same
# afterwards.
#   failed_commands_test.sh TOOL FIXTURES WORKDIR
set -u
tool="$1"
fixtures="$2"
work="$3"
rm -rf "$work"
mkdir -p "$work"
failures=0

state() { (cd "$1" && find . | sort && find . -type f -exec md5sum {} + | sort); }

# fails DESCRIPTION SETUP COMMAND...: SETUP (shell text) prepares the case's folder, then
# the command runs there.
fails() {
  local what="$1" setup="$2"
  shift 2
  local dir="$work/$(echo "$what" | tr -c 'a-z0-9\n' '_')"
  mkdir -p "$dir"
  (cd "$dir" && eval "$setup") || { echo "FAIL: $what: setup"; failures=$((failures + 1)); return; }
  local before
  before=$(state "$dir")
  (cd "$dir" && "$@") >"$work/out.txt" 2>"$work/err.txt"
  local got=$?
  if [ "$got" = 0 ]; then
    echo "FAIL: $what: exit 0"; cat "$work/out.txt" "$work/err.txt"
    failures=$((failures + 1))
  fi
  if [ "$(state "$dir")" != "$before" ]; then
    echo "FAIL: $what: files changed"; diff <(echo "$before") <(state "$dir")
    failures=$((failures + 1))
  fi
}

fx="$fixtures"
# The OBJ cannot be written (a folder stands in its place): its material library stays.
fails "export obj" "cp '$fx/3do/tiny_lf.3do' tiny.3do && echo old >out.mtl && mkdir out.obj" \
  "$tool" export tiny.3do out.obj
# A coordinate no fit mends: nothing written, the old output kept.
fails "fit cannot fit" "echo old >out.3do" "$tool" fit "$fx/3do/coordinates_out_of_range.3do" out.3do
# The model cannot be saved: its custom materials are not written either.
fails "materials with the model" "echo old >small.mat && mkdir out.3do" "$tool" fit "$fx/orv/tiny.orv" out.3do
# The second item's file cannot be written: the first is not written, -o not made.
fails "extract" "mkdir s && '$tool' sample s >/dev/null && mkdir -p x/misc/pup/walker.pup" \
  "$tool" gob extract s/res2.gob 3do/walker.3do misc/pup/walker.pup -o x
# The archive cannot be written: no sample file either.
fails "sample" "mkdir -p s/res2.gob" "$tool" sample s
# A folder of the resource tree cannot be made: neither the project file nor the model.
fails "convert brp" "mkdir out && echo old >out/cog" "$tool" convert "$fx/3do/tiny_lf.3do" out.brp

if [ "$failures" != 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all failed commands changed nothing"
