#!/usr/bin/env bash
# Sets up, builds and runs Lexora on the bundled sample dictionary.
# Usage: bash scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build_dir=${LEXORA_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${LEXORA_BUILD_TYPE:-RelWithDebInfo}
cmake --build "$build_dir"
# The program on the sample dictionary. It needs a display; without one, run
# it under a virtual one: xvfb-run bash scripts/run.sh
exec "$build_dir/bin/lexora" "$PWD/$build_dir/samples/en-ru.zd"
