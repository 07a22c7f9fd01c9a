#!/usr/bin/env bash
# The local back-end in the foreground with the sample data set, for the demo.
#   tools/backend/demo.sh BUILD_DIR
# Point the launcher at it with CORRIN_BACKEND_HOST=127.0.0.1:<https port> and
# CORRIN_UPDATE_HOST=127.0.0.1:<http port> (both in BUILD_DIR/backend/ports.txt);
# the channel list is at http://127.0.0.1:<http port>/channel/list.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
exec "$HERE/backend.sh" run "${1:?build folder}" "$HERE/sample-data.json"
