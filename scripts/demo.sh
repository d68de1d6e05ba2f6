#!/usr/bin/env bash
# Sets everything up, builds, and walks the demo scenario on a fresh SQLite database.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
./build/humrs --db demo.db demo --text
