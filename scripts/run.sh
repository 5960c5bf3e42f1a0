#!/usr/bin/env bash
# Sets up, builds, makes the demo player and starts Corvina on it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
build=${CORVINA_BUILD_DIR:-build}
demo="$PWD/$build/demo-prefix"
if [ -x scripts/make-demo-player.sh ]; then
    scripts/make-demo-player.sh "$demo" "$build/corvina-cli"
fi
export CORVINA_PREFIX="$demo"
exec "$build/corvina"
