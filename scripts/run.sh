#!/usr/bin/env bash
# Builds Kestrin (release) and starts it on its default data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKST_TESTS=OFF -DKST_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"
if [ -x build/app/kestrin ]; then
  exec build/app/kestrin "$@"
else
  exec build/cli/kestrin-cli --version
fi
