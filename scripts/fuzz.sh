#!/usr/bin/env bash
# Runs every libFuzzer target for a while:  scripts/fuzz.sh BUILD_DIR SECONDS [TARGET...]
#
# Each target starts from its seed corpus (fuzz/corpus/<target>) and its kept
# crash inputs (fuzz/regressions/<target>); new interesting inputs go to
# BUILD_DIR/fuzz-corpus/<target>, so the checked-in seeds stay as they are.
# Crash, leak and timeout inputs land in BUILD_DIR/fuzz-artifacts/<target>/.
# Exits non-zero when any target found something.
set -u

build_dir=${1:?usage: fuzz.sh BUILD_DIR SECONDS [TARGET...]}
seconds=${2:?usage: fuzz.sh BUILD_DIR SECONDS [TARGET...]}
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(definition_fuzzer cache_fuzzer conversion_fuzzer dtc_fuzzer rom_fuzzer axis_data_fuzzer)
fi

# The targets write their inputs to files; keep those in a folder of our own.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/ecucal-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
  binary="$build_dir/fuzz/$target"
  if [ ! -x "$binary" ]; then
    echo "fuzz.sh: $binary is missing (build with ECUCAL_BUILD_FUZZERS=ON)" >&2
    failed+=("$target")
    continue
  fi
  corpus="$build_dir/fuzz-corpus/$target"
  artifacts="$build_dir/fuzz-artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  for dir in "$root/fuzz/corpus/$target" "$root/fuzz/regressions/$target"; do
    [ -d "$dir" ] && seeds+=("$dir")
  done
  dict=()
  [ -f "$root/fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
  log="$build_dir/fuzz-$target.log"
  before=$(ls "$artifacts" | wc -l)
  echo "== $target for ${seconds}s (log: $log)"
  TMPDIR="$scratch" "$binary" "${dict[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "${seeds[@]}" >"$log" 2>&1
  status=$?
  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)' "$log"
  if [ "$status" -ne 0 ] || [ "$(ls "$artifacts" | wc -l)" -ne "$before" ]; then
    echo "fuzz.sh: $target found a problem; see $log and $artifacts" >&2
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz.sh: findings in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz.sh: no findings"
