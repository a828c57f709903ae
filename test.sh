#!/usr/bin/env bash
# Builds QuelmarSetup.exe and its tests, then runs every test under Wine in a
# throwaway prefix. Installs the Debian packages it needs when they are missing.
#   ./test.sh              every test
#   ./test.sh -L unit      only one label (docs/tests.md lists them); other ctest options pass through
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw
ctest --preset mingw "$@"
