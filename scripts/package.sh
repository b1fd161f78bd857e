#!/usr/bin/env bash
# Builds the Debian package (lexora_VERSION_ARCH.deb) in a Release build
# folder and checks it with lintian when that is installed.
#   bash scripts/package.sh [BUILD_DIR]      (default: build-pkg)
# Install it with: sudo apt-get install ./BUILD_DIR/lexora_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-pkg}

bash scripts/install-deps.sh
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLEXORA_BUILD_BENCH=OFF
fi
cmake --build "$build_dir" --target package

deb=$(ls -t "$build_dir"/lexora_*.deb | head -n 1)
echo "Package: $deb"
if command -v lintian > /dev/null; then
  lintian --fail-on error "$deb"
else
  echo "lintian is not installed; the package was not checked." >&2
fi
