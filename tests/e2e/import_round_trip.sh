#!/usr/bin/env bash
# import_round_trip.sh ORVANE DIR: every file of DIR (3DS, OBT, DXF; names with blanks and
# odd object names included) is imported and written as an object file; that file must load
# again and be written back byte for byte the same, so that nothing of an import is lost on
# the way through a saved file. Loading may only warn that a mapping object's is_visible has
# no effect (the writer marks mapping objects invisible).
set -u
orvane=$1 dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count=0 failed=0
for input in "$dir"/*; do
  [ -f "$input" ] || continue
  count=$((count + 1))
  name=$(basename "$input")
  if ! "$orvane" convert "$input" "$work/first.ovo" 2> "$work/err"; then
    echo "$name: import failed"; cat "$work/err"; failed=1; continue
  fi
  "$orvane" convert "$work/first.ovo" "$work/second.ovo" 2> "$work/err"
  status=$?
  if grep -v -e '^$' -e 'is_visible has no effect' "$work/err" > "$work/unexpected"; then
    echo "$name: reloading warns:"; cat "$work/unexpected"; failed=1
  fi
  if [ "$status" -ne 0 ] || ! cmp -s "$work/first.ovo" "$work/second.ovo"; then
    echo "$name: reloaded object differs (status $status)"
    diff "$work/first.ovo" "$work/second.ovo" | head -20
    failed=1
  fi
done
[ "$count" -gt 0 ] || { echo "no files in $dir"; exit 1; }
exit $failed
