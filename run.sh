#!/usr/bin/env bash
# Builds QuelmarSetup.exe and runs it the way the installer does, in a
# throwaway Wine prefix, printing exit codes and the log lines written.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw
scripts/sandbox.sh build
