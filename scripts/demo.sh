#!/usr/bin/env bash
# The main job of ecucal on the bundled sample definition (examples/): check
# it, describe the vehicle, list tables, decode live-data replies, then work on
# its ROM image: show a table, change a cell into a new file, compare the two,
# copy the table back, verify the round trip, and write the HTML report of the
# sample ROM against its stock ROM.
# Usage: scripts/demo.sh PATH/TO/ecucal
set -euo pipefail

if [ $# -ne 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 PATH/TO/ecucal" >&2
  exit 2
fi
ecucal="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
cd "$(dirname "$0")/.."
definition=examples/kestrel.xml
rom=examples/kestrel.rom.bin
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

step() {
  printf '\n\033[1m== %s\033[0m\n$ ecucal' "$1"
  shift
  printf ' %q' "$@"
  printf '\n'
  "$ecucal" "$@"
}

# For verbs whose exit status 1 is an answer (diff: the ROMs differ).
step_answer() {
  step "$@" || [ $? -eq 1 ]
}

if [ -e "$definition.svx" ]; then
  echo "Note: $definition.svx exists and is read before the XML; delete it to read the XML."
fi

step "Load, post-process and validate the definition" check "$definition"
step "The vehicle and its ECU" info "$definition"
step "Every calibration table" tables "$definition"
step "The tables of one group" tables "$definition" --group Boost
step "Decode a reply of 2E E0 from the engine speed monitor" \
  monitor "$definition" "Engine Speed" 2EE0
step "A compound monitor: boost from manifold (2A 3F) and barometric (65) pressure" \
  monitor "$definition" Boost 2A3F 65
step "Engine power from torque (0F A0) and engine speed (2E E0), as JSON for scripts" \
  monitor "$definition" "Engine Power" 0FA0 2EE0 --json
step "A table of the ROM image, as the editor shows it" show "$definition" "$rom" "Fuel Map A"
step "Richer mixture at 2000 rpm, 1.2 g/rev, into a new file (the slave map follows)" \
  set "$definition" "$rom" "Fuel Map A" --cell 3,5 13.2 -o "$work/tuned.bin"
step_answer "What differs between the two files, cell by cell" \
  diff "$definition" "$rom" "$work/tuned.bin" --cells
step "Copy the table back from the original" \
  copy "$definition" --from "$rom" --to "$work/tuned.bin" --table "Fuel Map A" \
  -o "$work/restored.bin"
step "The round trip gives the original back" diff "$definition" "$rom" "$work/restored.bin"
step "Building and saving the ROM changes no byte" verify "$definition" "$work/restored.bin"
report_dir="${REPORT_DIR:-build/demo}"
mkdir -p "$report_dir"
report="$(cd "$report_dir" && pwd)/kestrel-report.html"
step "Every table as a heatmap, and what differs from the stock ROM, as one HTML page" \
  report "$definition" examples/kestrel.rom.bin --against examples/kestrel.stock.bin -o "$report"
printf '\nThe report is at %s; open it in a browser (file://%s).\n' "$report" "$report"
printf '\nDone. Try: %s --help\n' "$1"
