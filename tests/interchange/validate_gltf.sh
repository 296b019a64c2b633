#!/usr/bin/env bash
# The sample walker exported to .glb and .gltf, with its textures and its walk keyframe,
# and every corpus model (when the corpus is here) must pass the Khronos glTF validator
# without an error or a warning. Skipped (77) where Node or the validator (installed by
# scripts/setup) is missing.
# Usage: validate_gltf.sh TOOL SAMPLE_DIR WORK_DIR VALIDATOR_DIR [CORPUS_DIR]
set -euo pipefail
tool="$1" sample="$2" work="$3" validator="$4" corpus="${5:-}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if ! command -v node >/dev/null || [ ! -f "$validator/node_modules/gltf-validator/package.json" ]; then
  echo "no Node or no glTF validator here"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work"
for out in walker.glb walker.gltf; do
  "$tool" export "$sample/walker.3do" "$work/$out" --key "$sample/wkwalk.key" --resources "$sample/res2.gob"
done
# Without resources: plain colours.
"$tool" export "$sample/walker.3do" "$work/plain.glb" 2>/dev/null
# A damaged keyframe taken as far as it is sound: FPS 0, values that are no numbers, a
# node that two of its nodes name.
"$tool" export "$sample/walker.3do" "$work/damaged-key.glb" --partial \
  --key "$here/../fixtures/key/fps_frames_zero_values_nan.key" 2>/dev/null
files=("$work/walker.glb" "$work/walker.gltf" "$work/plain.glb" "$work/damaged-key.glb")
if [ -n "$corpus" ] && [ -d "$corpus/3do" ]; then
  for model in "$corpus"/3do/*.3do; do
    out="$work/corpus-$(basename "$model" .3do).glb"
    "$tool" export "$model" "$out" 2>/dev/null
    files+=("$out")
  done
fi
node "$here/validate_gltf.js" "$validator" "${files[@]}"
