#!/usr/bin/env bash
# Lines of code in src/ and tests/ (C++ sources, without blank and comment
# lines) and their ratio; fails when the tests outgrow the limit in percent.
# A window's Designer form counts as the code it stands for: one line for
# each widget, layout, spacer, property and tab stop it declares.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-36}

count() {
    find "$1" -name '*.cpp' -o -name '*.h' | sort | xargs cat | awk '
        /^[[:space:]]*\/\*/ { inblock = 1 }
        inblock { if ($0 ~ /\*\//) inblock = 0; next }
        /^[[:space:]]*$/ || /^[[:space:]]*\/\// { next }
        { n++ }
        END { print n + 0 }'
}

forms() {
    find "$1" -name '*.ui' | sort | xargs -r cat |
        grep -cE '^[[:space:]]*<(widget|layout|spacer|property|attribute|column|item><property|tabstop)' || true
}

src=$(($(count src) + $(forms src)))
tests=$(count tests)
percent=$(awk -v t="$tests" -v s="$src" 'BEGIN { printf "%.1f", 100 * t / s }')
echo "src: $src lines, tests: $tests lines, tests/src: $percent% (limit $limit%)"
awk -v p="$percent" -v l="$limit" 'BEGIN { exit !(p <= l) }' || {
    echo "the tests are more than $limit% of the code" >&2
    exit 1
}
