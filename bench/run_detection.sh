#!/usr/bin/env bash
# Answer detection and key detection on labelled sets (usage: run_detection.sh
# BUILD [FOLDER]): BUILD is a bench build (scripts/build bench) holding
# src/zavotel, whose speech makes the sets, and the two benchmarks. The sets
# are made into FOLDER (a new temporary folder when none is given, removed
# afterwards) unless it already holds them; then both benchmarks run on them.
set -euo pipefail
build="$(realpath "${1:?usage: run_detection.sh BUILD [FOLDER]}")"
here="$(dirname "$(realpath "$0")")"
folder="${2:-}"
if [ -z "$folder" ]; then
  folder="$(mktemp -d)"
  trap 'rm -rf "$folder"' EXIT
fi
if [ ! -s "$folder/manifest.tsv" ]; then
  start="$(date +%s)"
  "$here/make_labelled_sets.sh" "$folder" "$build/src/zavotel" 2>/dev/null
  echo "sets made in $(($(date +%s) - start)) s"
fi
# The detectors' trace lines are left out; the figures go to standard output.
"$build/bench/bench_answer_detect" "$folder" 2> >(grep -v '^LSinkAnswerDetect::' >&2)
"$build/bench/bench_talkoff" "$folder"
