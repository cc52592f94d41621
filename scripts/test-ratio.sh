#!/bin/sh
# Prints the size of the test code against the product code (non-blank source lines),
# so the balance between the two stays in view. Benchmarks are not counted as tests.
cd "$(dirname "$0")/.." || exit 1
count() {
    git ls-files --cached --others --exclude-standard -- "$@" |
        grep -E '\.(cpp|cc|h|hpp|rc|py)$' | grep -v '^tests/bench/' |
        while read -r f; do [ -f "$f" ] && cat "$f"; done | grep -c '[^[:space:]]'
}
tests=$(count tests)
product=$(count app ui calendar render settings res)
awk -v t="$tests" -v p="$product" \
    'BEGIN { printf "test code: %d lines against %d lines of product code (%.1f %%)\n", t, p, p ? 100 * t / p : 0 }'
