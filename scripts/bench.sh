#!/usr/bin/env bash
# Runs every benchmark program of build/bench; each prints our figure beside the
# peer's, measured in the same run. Pass names to run only those.
set -euo pipefail
cd "$(dirname "$0")/../build/bench" 2>/dev/null || { echo "bench: build first (make build)" >&2; exit 1; }
names=("$@")
[[ ${#names[@]} -gt 0 ]] || names=(*)
for b in "${names[@]}"; do
  [[ -x "$b" ]] || continue
  echo "== $b"
  "./$b"
done
