#!/bin/sh
# The linker launcher of executables that carry their own symbol and line table.
#
#   kivdebug-link.sh KIVDEBUG-TOOL OBJDUMP NM ADDR2LINE STRIP WORKDIR -- LINK-COMMAND...
#
# The link command links WORKDIR/reserve.o, which reserves the "KIVDEBUG" section.
# After the link the table is made from the unstripped image (its DWARF line table,
# the inlined calls addr2line finds there, and its symbols), the image is stripped,
# and the table is written into the
# reserved section. The section lies after the code, so its size moves no code
# address: when the table does not fit the reservation (or leaves pages of it
# unused), the image is linked again with the reservation the table needs, which
# the next build starts from (WORKDIR/reserve.size).
set -e
tool=$1 objdump=$2 nm=$3 addr2line=$4 strip=$5 dir=$6
shift 6
[ "$1" = "--" ] && shift
cc=$1
out=""
prev=""
for a in "$@"; do
  [ "$prev" = "-o" ] && out=$a
  prev=$a
done
[ -n "$out" ] || { echo "kivdebug-link.sh: the link command names no output (-o)" >&2; exit 1; }

marker="KIVDEBUG reserved"
reserve() {
  size=$1
  [ "$size" -ge 64 ] || size=64
  printf '\t.section KIVDEBUG,"dr"\n\t.ascii "%s"\n\t.fill %d,1,0\n' "$marker" \
    $((size - ${#marker})) > "$dir/reserve.s"
  "$cc" -c "$dir/reserve.s" -o "$dir/reserve.o"
}

size=$(cat "$dir/reserve.size" 2>/dev/null || echo 4096)
for attempt in 1 2 3; do
  reserve "$size"
  "$@"
  "$objdump" --dwarf=decodedline "$out" > "$dir/lines.txt"
  "$nm" -C --defined-only "$out" > "$dir/symbols.txt"
  "$tool" rows --lines "$dir/lines.txt" --out "$dir/rows.txt"
  "$addr2line" -a -i -e "$out" < "$dir/rows.txt" > "$dir/inlines.txt"
  "$tool" table --image "$out" --lines "$dir/lines.txt" --symbols "$dir/symbols.txt" \
    --inlines "$dir/inlines.txt" --out "$dir/table.bin"
  "$strip" --strip-all -o "$dir/stripped.exe" "$out"
  status=0
  "$tool" fill --image "$dir/stripped.exe" --table "$dir/table.bin" > "$dir/fill.txt" || status=$?
  if [ $status -eq 0 ]; then
    mv "$dir/stripped.exe" "$out"
    exit 0
  fi
  [ $status -eq 3 ] || exit $status
  size=$(sed -n 's/^reserve //p' "$dir/fill.txt")
  echo "$size" > "$dir/reserve.size"
done
echo "kivdebug-link.sh: the symbol table of $out did not settle in three links" >&2
exit 1
