#!/usr/bin/env bash
# orvane-tool import ANIM OUT.key end to end: the walker's keyframe to glTF and back,
# written with CR LF, and bad input refused with nothing written.
#   anim_import_test.sh TOOL SAMPLE_DIR WORKDIR
set -u
tool="$1"
sample="$2"
work="$3"
fixtures="$(cd "$(dirname "${BASH_SOURCE[0]}")/../fixtures" && pwd)"
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
failures=0

check() {  # check DESCRIPTION EXPECTED-STATUS COMMAND...
  local what="$1" want="$2"
  shift 2
  "$@" >out.txt 2>err.txt
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: exit $got, expected $want"; cat out.txt err.txt
    failures=$((failures + 1))
  fi
}
absent() {  # absent DESCRIPTION FILE
  if [ -e "$2" ]; then echo "FAIL: $1: $2 was written"; failures=$((failures + 1)); fi
}

check "export with the walk" 0 "$tool" export "$sample/walker.3do" walk.glb --key "$sample/wkwalk.key"
check "import the walk back" 0 "$tool" import walk.glb back.key --model "$sample/walker.3do"
grep -q "16 frames at 15 fps, 5 nodes" out.txt || { echo "FAIL: summary: $(cat out.txt)"; failures=$((failures + 1)); }
check "info of the keyframe" 0 "$tool" info back.key
grep -q "^frames: 16$" out.txt || { echo "FAIL: frames: $(cat out.txt)"; failures=$((failures + 1)); }
# Every line ends in CR LF.
if [ "$(grep -c $'\r$' back.key)" != "$(wc -l <back.key)" ]; then
  echo "FAIL: back.key has lines without CR LF"; failures=$((failures + 1))
fi
grep -q "^JOINTS 6" back.key || { echo "FAIL: JOINTS is not the walker's node count"; failures=$((failures + 1)); }

check "a file without animation" 1 "$tool" import "$fixtures/import/tiny.glb" none.key --model "$sample/walker.3do"
grep -q "holds no animation" err.txt || { echo "FAIL: reason: $(cat err.txt)"; failures=$((failures + 1)); }
absent "a file without animation" none.key
check "an animation of other nodes" 1 "$tool" import "$fixtures/anim/chain.gltf" other.key --model "$sample/walker.3do"
grep -q "moves none of the model's nodes" err.txt || { echo "FAIL: reason: $(cat err.txt)"; failures=$((failures + 1)); }
absent "an animation of other nodes" other.key
check "no model" 2 "$tool" import walk.glb nomodel.key
absent "no model" nomodel.key
check "a rate of 0" 2 "$tool" import walk.glb zero.key --model "$sample/walker.3do" --fps 0
absent "a rate of 0" zero.key
check "an unknown animation" 1 "$tool" import walk.glb run.key --model "$sample/walker.3do" --animation run
absent "an unknown animation" run.key

if [ "$failures" != 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "anim import: all passed"
