#!/usr/bin/env bash
# Sets up, builds and runs Lexora on the bundled sample dictionary.
# Usage: bash scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build_dir=${LEXORA_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${LEXORA_BUILD_TYPE:-RelWithDebInfo}
cmake --build "$build_dir"
# Until the window program lands: the sample dictionary's header and a few
# lookups as the word box makes them (two passes, punctuation ignored).
cli="$build_dir/bin/lexora-cli"
sample="$build_dir/samples/en-ru.zd"
"$cli" info "$sample"
for word in bank BANK "etc." hou "Word!"; do
  "$cli" find --two-pass --ignore-punctuation "$sample" "$word"
done
