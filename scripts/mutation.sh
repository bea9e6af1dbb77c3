#!/usr/bin/env bash
# Mutation check: do the core unit tests notice when a rule they claim to
# guard is broken? Each mutation below is applied alone to a scratch copy of
# the tree (never to this one), core_unit_tests is built and run, and the
# mutation is "killed" when a test fails. Exits non-zero when a mutation
# survives, does not apply, or does not build.
#
#   scripts/mutation.sh            # scratch copy in ${TMPDIR:-/tmp}/telvaro-mutation
#   MUTATION_DIR=/some/dir scripts/mutation.sh
#
# Slow (a core build plus one rebuild per mutation), so not part of test.sh.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
scratch=${MUTATION_DIR:-${TMPDIR:-/tmp}/telvaro-mutation}
src=$scratch/src
build=$scratch/build
log=$scratch/log
jobs=${JOBS:-2}

# name | file | exact text | replacement. Each text must occur exactly once.
mutations=(
  "a rule's text limit moved by one (apn 50 -> 49)|record/setting_rules.h|{\"gprs\", &field::apn,                rules_detail::F::Text, 0, 50},|{\"gprs\", &field::apn,                rules_detail::F::Text, 0, 49},"
  "the stale-answer (frame epoch) check removed from dispatch|protocol/response_dispatch.cpp|  if (epoch != buffer_.Epoch()) return;|"
  "a flag read as exactly 1 loosened to non-zero|record/config_record.cpp|bool ConfigRecord::IsOn(const Field<FieldKind::FlagIsOne>& f, int element) const {
  return *At(f, element) == 1;|bool ConfigRecord::IsOn(const Field<FieldKind::FlagIsOne>& f, int element) const {
  return *At(f, element) != 0;"
  "a list gate read as exactly 1 loosened to non-zero (RS232 only)|record/setting_rules.cpp|context.RawByte(rule.gate->offset) == 1)|context.RawByte(rule.gate->offset) != 0)"
)

# The scratch copy: every file git knows of or would add, as it is now in the
# working tree (uncommitted edits included), without build folders. Files get
# the time of the copy (-m), so the build of an earlier run, whose last
# mutation may be in its objects, is always redone (ccache keeps that quick).
mkdir -p "$scratch" "$log"
rm -rf "$src"
mkdir -p "$src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
  tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -xmf - -C "$src"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$scratch  # the same scratch path hits the cache on the next run
fi
echo "== configuring the core-only build in $build"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTELVARO_CORE_ONLY=ON "${launcher[@]}" \
  >"$log/configure.txt" 2>&1 || { cat "$log/configure.txt"; exit 2; }

build_and_test() {  # log name; 0 tests pass, 1 a test failed, 2 the build failed
  cmake --build "$build" -j"$jobs" --target core_unit_tests >"$log/$1.build.txt" 2>&1 || return 2
  "$build/tests/core_unit_tests" --gtest_brief=1 >"$log/$1.test.txt" 2>&1 || return 1
  return 0
}

echo "== unmutated tree"
if ! build_and_test baseline; then
  echo "the tests do not pass without a mutation; see $log/baseline.*" >&2
  exit 2
fi

apply() {  # file, text, replacement; fails unless the text occurs exactly once
  python3 - "$@" <<'EOF'
import sys
path, old, new = sys.argv[1:4]
text = open(path).read()
if text.count(old) != 1:
    sys.exit(f"{path}: the text to mutate occurs {text.count(old)} times")
open(path, "w").write(text.replace(old, new))
EOF
}

status=0
n=0
for m in "${mutations[@]}"; do
  n=$((n + 1))
  IFS='|' read -r -d '' name file old new <<<"$m" || true
  new=${new%$'\n'}  # the here-string's newline
  cp "$src/$file" "$scratch/original"
  if ! apply "$src/$file" "$old" "$new"; then
    echo "[$n] NOT APPLIED  $name"
    status=1
    continue
  fi
  result=0
  build_and_test "mutation$n" || result=$?
  cp "$scratch/original" "$src/$file"
  case $result in
    1)
      failed=$(grep -c '^\[  FAILED  \].*ms)$' "$log/mutation$n.test.txt" || true)
      echo "[$n] killed       $name ($failed failing tests; $log/mutation$n.test.txt)"
      ;;
    0)
      echo "[$n] SURVIVED     $name"
      status=1
      ;;
    2)
      echo "[$n] NO BUILD     $name (see $log/mutation$n.build.txt)"
      status=1
      ;;
  esac
done
exit $status
