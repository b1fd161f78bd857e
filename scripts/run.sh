#!/usr/bin/env bash
# Sets up, builds and runs Lexora on the bundled sample dictionary.
# Usage: bash scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build_dir=${LEXORA_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${LEXORA_BUILD_TYPE:-RelWithDebInfo}
cmake --build "$build_dir"
sample="$PWD/$build_dir/samples/en-ru.zd"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # No display to open a window on: show what the program would find, and how
  # to start it on a virtual display.
  echo "No display found; the sample dictionary through lexora-cli:" >&2
  cli="$build_dir/bin/lexora-cli"
  "$cli" info "$sample"
  for word in bank Bank etc hou "o'clock"; do "$cli" find "$sample" "$word" --two-pass; done
  echo "To start the program itself without a display: xvfb-run bash scripts/run.sh" >&2
  exit 0
fi
exec "$build_dir/bin/lexora" "$sample"
