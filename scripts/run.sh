#!/usr/bin/env bash
# Sets up what is missing, builds, and starts Orvanta on its bundled demo data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh --run-only
scripts/build.sh
exec scripts/demo.sh "$@"
