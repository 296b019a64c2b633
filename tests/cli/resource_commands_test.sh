#!/usr/bin/env bash
# orvane-tool's resource commands end to end: exit statuses, outputs, files written.
#   resource_commands_test.sh TOOL WORKDIR
set -u
tool="$1"
work="$2"
fixtures="$(cd "$(dirname "${BASH_SOURCE[0]}")/../fixtures/gob" && pwd)"
mats="$(cd "$(dirname "${BASH_SOURCE[0]}")/../fixtures/mat" && pwd)"
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
  if [ "$want" != 0 ] && [ "$(wc -l <err.txt)" != 1 ]; then
    echo "FAIL: $what: expected one line on stderr"; cat err.txt
    failures=$((failures + 1))
  fi
}

same() {  # same DESCRIPTION FILE EXPECTED-TEXT
  if [ "$(cat "$2")" != "$3" ]; then
    echo "FAIL: $1"; echo "got:"; cat "$2"; echo "expected:"; echo "$3"
    failures=$((failures + 1))
  fi
}

printf '# door\r\n' >door.cog
printf 'hello' >readme.txt
# 2 x 2 bitmap, two palette entries (red, green); top row 0 1, bottom row 1 0.
printf 'BM\x46\x00\x00\x00\x00\x00\x00\x00\x3e\x00\x00\x00\x28\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\x00\x00\xff\x00\x00\x01\x00\x00\x00\x00\x01\x00\x00' >crate.bmp
{ printf 'CMP \x1e\x00\x00\x00'; head -c 17208 /dev/zero; } >grey.cmp

check "create" 0 "$tool" gob create new.gob
same "a new archive is the bare head" <(od -An -tx1 new.gob | tr -s ' ') " 47 4f 42 20 14 00 00 00 0c 00 00 00 00 00 00 00"
check "create refuses an existing file" 1 "$tool" gob create new.gob
check "add" 0 "$tool" gob add new.gob door.cog crate.bmp readme.txt
same "add reports the stored names" out.txt "added cog\\door.cog
added mat\\crate.mat
added readme.txt"
check "list" 0 "$tool" gob list new.gob
same "list: offset, size, name, contiguous from 16 + 3 x 136" out.txt "       424          8 cog\\door.cog
       432          5 readme.txt
       437        144 mat\\crate.mat"
check "replace" 0 "$tool" gob add new.gob readme.txt
same "replacing add" out.txt "replaced readme.txt"

mkdir -p out
check "extract" 0 "$tool" gob extract new.gob 'cog\door.cog' mat/crate.mat -o out
same "extract names the files it wrote, in the archive's folders" out.txt "out/cog/door.cog
out/mat/crate.mat"
cmp -s out/cog/door.cog door.cog || { echo "FAIL: extracted door.cog differs"; failures=$((failures + 1)); }
check "extract into a folder that is not there yet" 0 "$tool" gob extract new.gob 'cog\door.cog' -o made/deeper
same "-o makes the folder and its parents" out.txt "made/deeper/cog/door.cog"
cmp -s made/deeper/cog/door.cog door.cog || { echo "FAIL: door.cog extracted into a new folder differs"; failures=$((failures + 1)); }
check "extract into a file" 1 "$tool" gob extract new.gob 'cog\door.cog' -o door.cog
check "extract as bitmap" 0 "$tool" gob extract new.gob mat/crate.mat -o out --bmp --colormap grey.cmp
[ "$(stat -c %s out/mat/crate.bmp)" = 1086 ] || { echo "FAIL: crate.bmp size"; failures=$((failures + 1)); }
same "the bitmap's rows: bottom row first" <(tail -c 8 out/mat/crate.bmp | od -An -tx1 | tr -s ' ') " 01 00 00 00 00 01 00 00"
check "convert mat to bmp" 0 "$tool" convert out/mat/crate.mat back.bmp --colormap grey.cmp
check "convert bmp to mat" 0 "$tool" convert back.bmp back.mat
cmp -s back.mat out/mat/crate.mat || { echo "FAIL: MAT -> BMP -> MAT differs"; failures=$((failures + 1)); }
check "convert mat to bmp needs a colormap" 2 "$tool" convert out/mat/crate.mat x.bmp
check "info mat" 0 "$tool" info back.mat
same "info mat" out.txt "MAT: texture material, 1 records, 8 bits per pixel
texture 0: 2 x 2, 1 mipmap levels"

check "delete" 0 "$tool" gob delete new.gob 'cog\door.cog' readme.txt
check "list after delete" 0 "$tool" gob list new.gob
same "one item left, moved to the end of the directory" out.txt "       152        144 mat\\crate.mat"
check "delete of a missing item" 1 "$tool" gob delete new.gob mat/crate.mat nothing.txt
check "nothing was deleted" 0 "$tool" gob list new.gob
same "still there" out.txt "       152        144 mat\\crate.mat"

"$tool" gob create res.gob >/dev/null
cp grey.cmp dflt.cmp
cp out/mat/crate.mat kyrun.key
"$tool" gob add res.gob dflt.cmp kyrun.key >/dev/null
check "catalog" 0 "$tool" catalog res.gob
grep -q '^colormaps: 1$' out.txt || { echo "FAIL: catalog colormaps"; cat out.txt; failures=$((failures + 1)); }
grep -q '^keyframes: 1$' out.txt || { echo "FAIL: catalog keyframes"; cat out.txt; failures=$((failures + 1)); }
check "colormap by name in --resources" 0 "$tool" convert out/mat/crate.mat named.bmp --colormap dflt.cmp --resources res.gob
rm dflt.cmp
check "colormap by name in --resources (no such file)" 0 "$tool" convert out/mat/crate.mat named.bmp --colormap dflt.cmp --resources res.gob
check "unknown colormap name" 1 "$tool" convert out/mat/crate.mat named.bmp --colormap nope.cmp --resources res.gob

# Two items of one file name in different folders: both kept, each in its folder.
mkdir -p two/x
printf 'other wood' >wood.mat
"$tool" sample two >/dev/null
"$tool" gob add two/res2.gob wood.mat >/dev/null
check "extract two items of one name" 0 "$tool" gob extract two/res2.gob '3do\mat\wood.mat' mat/wood.mat -o two/x
cmp -s two/x/3do/mat/wood.mat two/wood.mat || { echo "FAIL: 3do/mat/wood.mat differs"; failures=$((failures + 1)); }
same "mat/wood.mat is the added one" two/x/mat/wood.mat "other wood"
mkdir -p two/y
check "--flat refuses two items of one name" 1 "$tool" gob extract two/res2.gob '3do\mat\wood.mat' mat/wood.mat -o two/y --flat
grep -q 'would both be saved as' err.txt || { echo "FAIL: --flat clash message"; cat err.txt; failures=$((failures + 1)); }
[ -z "$(ls -A two/y)" ] || { echo "FAIL: --flat clash wrote files"; failures=$((failures + 1)); }
check "--flat puts items into the folder itself" 0 "$tool" gob extract two/res2.gob mat/wood.mat -o two/y --flat
same "--flat" out.txt "two/y/wood.mat"

# --bmp without any colormap (none given, none in the archive): the 16-bit material
# becomes a bitmap, the rest are saved as they are; an 8-bit material, which cannot be
# converted, is named and nothing is extracted.
"$tool" gob create mixed.gob >/dev/null
cp "$mats/rgb565_primaries.mat" rgb16.mat
"$tool" gob add mixed.gob door.cog rgb16.mat out/mat/crate.mat >/dev/null
check "--bmp without a colormap" 1 "$tool" gob extract mixed.gob cog/door.cog mat/rgb16.mat mat/crate.mat -o nocmp --bmp
grep -q 'crate.mat' err.txt && ! grep -q 'rgb16' err.txt ||
  { echo "FAIL: --bmp without a colormap names the 8-bit material only"; cat err.txt; failures=$((failures + 1)); }
[ ! -e nocmp ] || { echo "FAIL: --bmp without a colormap wrote files"; failures=$((failures + 1)); }
check "--bmp without a colormap, 16-bit only" 0 "$tool" gob extract mixed.gob cog/door.cog mat/rgb16.mat -o nocmp --bmp
same "--bmp without a colormap writes every item" out.txt "nocmp/cog/door.cog
nocmp/mat/rgb16.bmp"
same "the 16-bit material as a 24-bit bitmap" <(tail -c 16 nocmp/mat/rgb16.bmp | od -An -tx1 | tr -s ' ') \
  " ff 00 00 ff ff ff 00 00 00 00 ff 00 ff 00 00 00"

# Names holding control characters or bytes beyond ASCII: listed escaped in quotes,
# named back in that form, extracted under file names with the same escapes.
esc="$fixtures/names_with_control_characters.gob"
check "list of names with control characters" 0 "$tool" gob list "$esc"
same "listed escaped" out.txt '       288          1 "cog\\a\x1b[2Jb.cog"
       289          1 "misc\\caf\xe9.txt"'
check "extract by the listed names" 0 "$tool" gob extract "$esc" '"cog\\a\x1b[2Jb.cog"' '"misc\\caf\xe9.txt"' -o esc
same "the files written, escaped" out.txt 'esc/cog/a\x1b[2Jb.cog
esc/misc/caf\xe9.txt'
same "an escaped file's content" 'esc/cog/a\x1b[2Jb.cog' "A"

# An item whose name leads out of the target folder is refused.
{ printf 'GOB \x14\x00\x00\x00\x0c\x00\x00\x00\x01\x00\x00\x00\x98\x00\x00\x00\x01\x00\x00\x00'
  printf '..\\evil.txt'; head -c 117 /dev/zero; printf 'x'; } >evil.gob
mkdir -p safe
check "a name with .. is refused" 1 "$tool" gob extract evil.gob '..\evil.txt' -o safe
grep -q 'lead out of the target folder' err.txt || { echo "FAIL: .. message"; cat err.txt; failures=$((failures + 1)); }
[ ! -e evil.txt ] || { echo "FAIL: evil.txt was written"; failures=$((failures + 1)); }

# Adding reads every file before the archive changes: one that cannot be read adds nothing.
cp new.gob before.gob
check "add with a missing file" 1 "$tool" gob add new.gob door.cog missing.txt
cmp -s new.gob before.gob || { echo "FAIL: add with a missing file changed the archive"; failures=$((failures + 1)); }
# A file whose name holds a control character is not added (the game could not look it
# up); the message shows the name escaped, never the raw byte.
printf 'x' >$'bad\x1bname.txt'
check "add refuses a control character in a name" 1 "$tool" gob add new.gob $'bad\x1bname.txt'
grep -qF 'bad\x1bname.txt' err.txt && ! grep -q $'\x1b' err.txt ||
  { echo "FAIL: control character message"; cat -v err.txt; failures=$((failures + 1)); }

# An archive whose directory is not behind the head.
check "list of a directory at offset 40" 0 "$tool" gob list "$fixtures/directory_at_offset_40.gob"
same "list of a directory at offset 40" out.txt "        12          8 cog\door.cog
        20         20 misc\notes.txt"
check "a directory offset past the end is damage" 1 "$tool" gob list "$fixtures/directory_offset_past_end.gob"
grep -q 'directory offset 1000 points past the end' err.txt || { echo "FAIL: offset message"; cat err.txt; failures=$((failures + 1)); }

printf 'Not a real gob file\n' >junk.gob
check "corrupt archive refused by list" 1 "$tool" gob list junk.gob
check "corrupt archive refused by add" 1 "$tool" gob add junk.gob readme.txt
check "corrupt archive refused by info" 1 "$tool" info junk.gob
same "corrupt archive left as it was" junk.gob "Not a real gob file"
check "missing archive" 1 "$tool" gob list missing.gob
check "wrong usage" 2 "$tool" gob frobnicate x.gob
check "wrong usage of add" 2 "$tool" gob add new.gob

# A 16-bit material holds its colours: a 24-bit bitmap without any colormap.
check "16-bit mat to bmp needs no colormap" 0 "$tool" convert "$mats/rgb565_primaries.mat" rgb.bmp
same "24-bit rows, bottom row first" <(tail -c 16 rgb.bmp | od -An -tx1 | tr -s ' ') \
  " ff 00 00 ff ff ff 00 00 00 00 ff 00 ff 00 00 00"
# Back, it becomes an 8-bit material (16-bit ones are not written), onto the sample
# palette without a colormap.
check "a 24-bit bitmap becomes an 8-bit material" 0 "$tool" convert rgb.bmp back8.mat
check "its info" 0 "$tool" info back8.mat
grep -q '8 bits per pixel' out.txt || { echo "FAIL: 24-bit bitmap: not an 8-bit material"; cat out.txt; failures=$((failures + 1)); }

# gob create from a folder tree: each file under its path there, hidden ones left out,
# bitmaps as they are unless --bmp.
mkdir -p tree/3do tree/mat tree/.git
printf 'model' >tree/3do/x.3do
printf 'mat' >tree/mat/y.mat
printf 'top' >tree/readme.txt
printf 'secret' >tree/.git/config
cp crate.bmp tree/mat/crate.bmp
bmpsize=$(stat -c %s crate.bmp)
check "create from a folder" 0 "$tool" gob create mod.gob tree
check "list the folder's archive" 0 "$tool" gob list mod.gob
same "folder by folder, the paths with backslashes" out.txt "$(printf '%10u %10u %s\n' 560 3 'readme.txt' 563 5 '3do\x.3do' \
  568 "$bmpsize" 'mat\crate.bmp' $((568 + bmpsize)) 3 'mat\y.mat')"
check "create --bmp" 0 "$tool" gob create mod2.gob tree --bmp
"$tool" gob list mod2.gob | grep -qF 'mat\crate.mat' || { echo "FAIL: --bmp stores crate.mat"; failures=$((failures + 1)); }
check "create refuses an existing archive" 1 "$tool" gob create mod.gob tree
long=$(printf 'a%.0s' $(seq 130))
mkdir -p "bad/$long"
printf 'x' >"bad/$long/f.txt"
check "a name past 127 characters is refused, naming the file" 1 "$tool" gob create bad.gob bad
grep -q "f.txt" err.txt || { echo "FAIL: long name message"; cat err.txt; failures=$((failures + 1)); }
[ ! -e bad.gob ] || { echo "FAIL: bad.gob was written"; failures=$((failures + 1)); }

# export finds materials where render does: crate.mat in the mod's mat/ folder beside
# the model, floor.mat in a second --resources archive (both 16-bit: no colormap needed).
# The texture coordinates are over the materials' sizes (64 texels over 4 and 2; the OBJ
# turns v into 1 - v), not in texels.
mkdir -p mod/3do mod/mat
cp "$fixtures/../3do/tiny_lf.3do" mod/3do/tiny.3do
cp "$mats/rgb565_two_cels_two_levels.mat" mod/mat/crate.mat
cp "$mats/rgb565_primaries.mat" floor.mat
"$tool" gob create extra.gob >/dev/null
"$tool" gob add extra.gob floor.mat >/dev/null
check "export with the mod's materials" 0 "$tool" export mod/3do/tiny.3do tiny.obj --resources res.gob --resources extra.gob
[ ! -s err.txt ] || { echo "FAIL: export did not find the mod's materials"; cat err.txt; failures=$((failures + 1)); }
same "texture coordinates over the materials' sizes" <(grep '^vt' tiny.obj | sort -u) "$(printf 'vt %s\n' \
  '0 -31 0' '0 1 0' '16 -31 0' '16 1 0' '32 -31 0' | sort -u)"
ls *.png >pngs.txt 2>/dev/null
[ "$(wc -l <pngs.txt)" = 2 ] || { echo "FAIL: export wrote no picture per material"; cat pngs.txt; failures=$((failures + 1)); }
check "export to glTF with the mod's materials" 0 "$tool" export mod/3do/tiny.3do tiny.gltf --resources res.gob --resources extra.gob
[ "$(grep -o '"image/png"' tiny.gltf | wc -l)" = 2 ] || { echo "FAIL: glTF without both pictures"; failures=$((failures + 1)); }
check "import keeps the mod's materials as references" 0 "$tool" import tiny.gltf mod/3do/back.3do --resources res.gob --resources extra.gob --colormap dflt.cmp
[ ! -e mod/3do/crate.mat ] && [ ! -e mod/3do/floor.mat ] ||
  { echo "FAIL: import made custom copies of the mod's materials"; ls mod/3do; failures=$((failures + 1)); }
check "export without --resources still looks beside the model" 0 "$tool" export mod/3do/tiny.3do plain.obj
same "only the material of the other archive is missing" err.txt \
  "orvane-tool: plain.obj: materials not found, exported as plain colours: floor.mat"

# A mod's 8-bit materials are drawn through the mod's own colormap when the one asked for
# (01redmap.cmp) is nowhere, and that is said; a colormap is also taken by its path; with
# none anywhere the materials are said to be found, and what they lack.
mkdir -p cmod/3do cmod/mat cmod/misc/cmp
cp "$fixtures/../3do/tiny_lf.3do" cmod/3do/tiny.3do
cp out/mat/crate.mat cmod/mat/crate.mat
cp out/mat/crate.mat cmod/mat/floor.mat
cp grey.cmp cmod/misc/cmp/dflt.cmp
check "export through the mod's colormap" 0 "$tool" export cmod/3do/tiny.3do c.obj
grep -qF "01redmap.cmp was not found; the mod's dflt.cmp (" err.txt && [ "$(wc -l <err.txt)" = 1 ] &&
  [ "$(ls c_*.png | wc -l)" = 2 ] || { echo "FAIL: the mod's colormap"; cat err.txt; failures=$((failures + 1)); }
mv cmod/misc/cmp/dflt.cmp grey2.cmp
check "export through a colormap by its path" 0 "$tool" export cmod/3do/tiny.3do d.obj --colormap ./grey2.cmp
[ ! -s err.txt ] && [ "$(ls d_*.png | wc -l)" = 2 ] ||
  { echo "FAIL: a colormap by its path"; cat err.txt; failures=$((failures + 1)); }
check "export without a colormap" 0 "$tool" export cmod/3do/tiny.3do e.obj
grep -q "^orvane-tool: e.obj: materials found, but colormap 01redmap.cmp was not found (looked in .*cmod/3do.*); exported as plain colours: crate.mat, floor.mat$" err.txt &&
  [ "$(wc -l <err.txt)" = 1 ] || { echo "FAIL: no colormap"; cat err.txt; failures=$((failures + 1)); }

# check: a mesh of 600 vertices (200 triangles, no vertex shared) is flagged; 512 are not.
bigmodel() {  # bigmodel TRIANGLES
  local n=$(($1 * 3))
  printf 'SECTION: HEADER\n\n3DO 2.1\n\nSECTION: MODELRESOURCE\n\nMATERIALS 0\n\nSECTION: GEOMETRYDEF\n\n'
  printf 'RADIUS 1\nINSERT OFFSET 0 0 0\nGEOSETS 1\nGEOSET 0\nMESHES 1\nMESH 0\nNAME big\nRADIUS 1\n'
  printf 'GEOMETRYMODE 4\nLIGHTINGMODE 3\nTEXTUREMODE 0\n\nVERTICES %d\n' "$n"
  for ((i = 0; i < n; i++)); do printf '%d: %d %d 0 0\n' "$i" "$i" $((i % 3)); done
  printf '\nTEXTURE VERTICES 1\n0: 0 0\n\nVERTEX NORMALS\n'
  for ((i = 0; i < n; i++)); do printf '%d: 0 0 1\n' "$i"; done
  printf '\nFACES %d\n' "$1"
  for ((f = 0; f < $1; f++)); do printf '%d: -1 0 4 3 0 0 3 %d, 0 %d, 0 %d, 0\n' "$f" $((3 * f)) $((3 * f + 1)) $((3 * f + 2)); done
  printf '\nFACE NORMALS\n'
  for ((f = 0; f < $1; f++)); do printf '%d: 0 0 1\n' "$f"; done
  printf '\nSECTION: HIERARCHYDEF\n\nHIERARCHY NODES 1\n0: 0x0 0x1 0 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 big\n'
}
bigmodel 200 >big.3do
bigmodel 170 >fits.3do
"$tool" check fits.3do big.3do >out.txt 2>err.txt
[ $? = 1 ] || { echo "FAIL: check of a 600-vertex mesh: exit status"; failures=$((failures + 1)); }
same "check: one line per breach" out.txt "big.3do: geometry set 0, mesh 0 (big): 600 vertices (at most 512)"
"$tool" check fits.3do >out.txt 2>err.txt
[ $? = 0 ] && [ ! -s out.txt ] || { echo "FAIL: check of 510 vertices"; cat out.txt err.txt; failures=$((failures + 1)); }
check "check of a missing file" 1 "$tool" check missing.3do
# A readable model whose hierarchy is broken: the mesh index said once, the loop said too.
"$tool" check "$fixtures/../3do/hierarchy_loops_mesh_out_of_range.3do" >out.txt 2>err.txt
[ $? = 1 ] || { echo "FAIL: check of a looping hierarchy: exit status"; failures=$((failures + 1)); }
[ "$(grep -c 'mesh 7' out.txt)" = 1 ] && grep -q 'links run in a circle' out.txt ||
  { echo "FAIL: check of a looping hierarchy"; cat out.txt; failures=$((failures + 1)); }

if [ "$failures" != 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all resource command checks passed"
