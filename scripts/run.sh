#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the built-in
# simulated instrument.  Extra arguments go to the program (e.g. TCPIP 127.0.0.1).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh default
bin=build/default/bin
if [ -x "$bin/orvalin" ]; then
  # Started in its own folder, beside its files.
  cd "$bin"
  exec ./orvalin "$@"
else
  exec "$bin/zolt-sim" --demo
fi
