#!/usr/bin/env bash
# limits.sh ORVANE: a script that asks for ever more memory ends, under --max-memory, with a
# message naming the failed allocation and a failure status, well before the machine's
# memory runs out. Skipped (77) for sanitizer builds, whose shadow memory a cap would break.
set -u
orvane=$1
if grep -qa '__asan_init\|__tsan_init' "$orvane"; then
  echo "skipped: a sanitizer build"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
printf 'float i\nfor(i=0;1;i=i+1){ sphere s { radius <1> } }\n' > hog.ovs
"$orvane" run --max-memory 100 --max-seconds 120 hog.ovs > stdout 2> stderr
status=$?
failed=0
case $status in
  1 | 3) ;;
  *) echo "exit status $status, expected 1 or 3"; failed=1 ;;
esac
if ! grep -q 'allocate\|out of memory' stderr; then
  echo "no out-of-memory message:"; head -5 stderr; failed=1
fi
if grep -q 'time limit' stderr; then
  echo "the memory limit did not end the run"; failed=1
fi
exit $failed
