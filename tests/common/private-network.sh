#!/usr/bin/env bash
# Runs a command in a network namespace of its own whose only interface is
# the loopback, brought up: tests on the desktop companion's fixed port
# (127.0.0.1:11000) then meet neither each other nor any program of the
# machine. Needs root; fails when the namespace cannot be made.
# Usage: private-network.sh COMMAND [ARGS...]
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: private-network.sh COMMAND [ARGS...]" >&2; exit 2; }
# ip lives in sbin, which a non-login PATH may lack.
export PATH="$PATH:/usr/sbin:/sbin"
exec unshare --net -- /bin/sh -c 'ip link set lo up && exec "$@"' private-network "$@"
