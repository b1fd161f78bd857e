#!/usr/bin/env bash
# Continuous fuzzing: builds every fuzz target (fuzz/*_fuzz.cc) with clang,
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, then runs each
# for a fixed time over its corpus in fuzz/corpus/<target>/. The corpus holds
# small seeds made from the test fixtures and every input that ever failed,
# so each run replays those first. New inputs the fuzzer finds go to a
# scratch folder, not into the repository. When a target fails, its input is
# copied into fuzz/corpus/<target>/ (commit it with the fix) and the script
# exits 1.
#
#   bash scripts/fuzz.sh [TARGET...]        all targets when none is named
#   LEXORA_FUZZ_SECONDS=20                  time per target (default 20)
#   LEXORA_FUZZ_BUILD_DIR=build-fuzz        build folder
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${LEXORA_FUZZ_SECONDS:-20}
build=${LEXORA_FUZZ_BUILD_DIR:-build-fuzz}

bash scripts/install-deps.sh

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in fuzz/*_fuzz.cc; do targets+=("$(basename "$source" .cc)"); done
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
  -DLEXORA_BUILD_FUZZ=ON -DLEXORA_SANITIZE=ON -DLEXORA_BUILD_GUI=OFF -DLEXORA_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j"${LEXORA_FUZZ_JOBS:-2}" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan_suppressions.txt:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LEXORA_AUDIO=null QT_QPA_PLATFORM=offscreen

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=()
for target in "${targets[@]}"; do
  corpus=fuzz/corpus/$target
  mkdir -p "$corpus" "$scratch/$target" "$scratch/$target-artifacts"
  echo "=== $target: ${seconds}s over $(ls "$corpus" | wc -l) kept inputs ==="
  # -rss_limit_mb: an input that needs more memory than this is a failure
  # too (a claimed size believed, a bomb inflated whole).
  if ! "$build/bin/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$scratch/$target-artifacts/" \
      "$scratch/$target" "$corpus" >"$scratch/$target.log" 2>&1; then
    tail -n 60 "$scratch/$target.log"
    for artifact in "$scratch/$target-artifacts"/*; do
      [ -f "$artifact" ] || continue
      kept="$corpus/regression-$(sha1sum "$artifact" | cut -c1-16)"
      cp "$artifact" "$kept"
      echo "failing input kept as $kept"
    done
    failed+=("$target")
  else
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$scratch/$target.log" | tr '\n' ' '
    echo
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing: ${#targets[@]} targets, no failure"
