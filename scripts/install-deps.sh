#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Lexora need.
# Idempotent: packages already present are left alone. Runs as root or via sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  zlib1g-dev libdeflate-dev libisal-dev libicu-dev libexpat1-dev
  libvorbisidec-dev libogg-dev libsndfile1-dev libasound2-dev
  libpng-dev libjpeg-dev libgif-dev
  qt6-base-dev
  nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  desktop-file-utils fonts-dejavu-core
  dict dictd dict-freedict-eng-rus dict-gcide stardict-tools
  clang libclang-rt-14-dev clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  sudo_cmd=()
else
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
