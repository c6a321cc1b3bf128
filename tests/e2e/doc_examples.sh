#!/usr/bin/env bash
# doc_examples.sh ORVANE DOC: runs every ```ovs block of DOC and compares its standard output
# with the ```output block that follows it. Standard error must stay empty.
set -u
orvane=$1 doc=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v dir="$work" '
  /^```ovs$/    { n++; file = sprintf("%s/example%d.ovs", dir, n); mode = 1; next }
  /^```output$/ { file = sprintf("%s/example%d.expected", dir, n); mode = 1; printf "" > file; next }
  /^```/        { if (mode) close(file); mode = 0; next }
  mode          { print > file }
' "$doc"
count=0 failed=0
for script in "$work"/example*.ovs; do
  [ -e "$script" ] || break
  count=$((count + 1))
  base=${script%.ovs}
  (cd "$work" && "$orvane" run "$(basename "$script")" > "$base.actual" 2> "$base.err")
  # The expected block ends with the newline that closes its last line.
  if ! cmp -s "$base.expected" "$base.actual" || [ -s "$base.err" ]; then
    echo "example $count of $doc differs:"
    diff "$base.expected" "$base.actual"
    cat "$base.err"
    failed=1
  fi
done
[ "$count" -gt 0 ] || { echo "no examples found in $doc"; exit 1; }
exit $failed
