#!/usr/bin/env bash
# Checks that every C++ file follows the checked-in .clang-format. Prints the
# files that do not and exits 1 if there is one; `clang-format -i FILE` mends
# them. Usage: bash scripts/check_format.sh [SOURCE_ROOT]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
formatter=$(command -v clang-format || command -v clang-format-14 || true)
if [ -z "$formatter" ]; then
  echo "check_format: clang-format is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
bad=()
while IFS= read -r -d '' file; do
  if ! "$formatter" --dry-run --Werror "$file" >/dev/null 2>&1; then bad+=("$file"); fi
done < <(git ls-files -z -- '*.cc' '*.h' ':!:fuzz/corpus/**')
if [ "${#bad[@]}" -gt 0 ]; then
  printf 'not formatted: %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check_format: every C++ file follows .clang-format"
