#!/usr/bin/env bash
# The soak of bench/soak.sh, short: 8 simultaneous calls leaving messages for
# 2 minutes, on the AddressSanitizer build. ASan holds freed memory back in a
# quarantine (256 MB by default) that fills for minutes and would read as
# growth; a 16 MB quarantine fills within the first 40 s, after which the
# resident memory is as flat as in the release build, so the same 5 % holds.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:quarantine_size_mb=16"
exec "$(dirname "$(realpath "$0")")/../../bench/soak.sh" "$1" 8 120
