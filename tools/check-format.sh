#!/usr/bin/env bash
# Fails when a C or C++ file of the tree is not as clang-format (.clang-format) writes it, and
# names the files. With --fix it formats them instead. Formatting rules change between
# clang-format versions: the one Debian ships is the one the tree is kept in.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh clang-format
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
differ=()
for f in "${files[@]}"; do
    clang-format "$f" | cmp -s - "$f" || differ+=("$f")
done
if [ ${#differ[@]} -gt 0 ]; then
    echo "Not formatted as .clang-format says (run tools/check-format.sh --fix):" >&2
    printf '  %s\n' "${differ[@]}" >&2
    exit 1
fi
echo "Format: all ${#files[@]} files as .clang-format says."
