#!/usr/bin/env bash
# Runs a command with an X display: the current one when DISPLAY is set, otherwise a private Xvfb
# server that xvfb-run starts and waits for before the command begins. The server must not reset
# when its last client leaves (-noreset): a client that connects during a reset is refused, which
# made back-to-back GL tests fail now and then.
set -euo pipefail
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$@"
fi
exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24 -nolisten tcp -noreset" "$@"
