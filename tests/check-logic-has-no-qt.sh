#!/usr/bin/env bash
# Fails when a logic file (outside the qt/ adapter folders and ui/) includes a Qt header.
set -euo pipefail
src=$1
hits=$(grep -rnE '^\s*#\s*include\s*[<"](Q[A-Za-z]|Qt[A-Za-z]*/)' \
  "$src/protocol" "$src/transport" "$src/commands" "$src/app" \
  --include='*.h' --include='*.cpp' | grep -v '/qt/' || true)
if [ -n "$hits" ]; then
  echo "Qt headers in logic files:"
  echo "$hits"
  exit 1
fi
echo "logic is free of Qt"
