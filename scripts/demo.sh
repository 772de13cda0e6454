#!/usr/bin/env bash
# Builds kynconvert and runs it on the bundled example files (a CD spectrum, a thermal melt, a
# stopped-flow trace and a spectrakinetic set) in a temporary folder, then shows what it made.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KYN_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" >/dev/null
kyn="$build/cli/kynconvert"

work=$(mktemp -d "${TMPDIR:-/tmp}/kynconvert-demo.XXXXXX")
cp "$root"/examples/data/* "$work/"
echo "== Example files in $work"
ls -l "$work"
echo
echo "== What the loader makes of them (kynconvert --info)"
"$kyn" --info "$work"/* 2>/dev/null
echo
echo "== What a run would do, writing nothing, and the same plan as JSON (kynconvert --dry-run --to csv --report -)"
"$kyn" --dry-run --to csv --report - "$work"/* || true
for target in csv tsv jdx dsx dsa; do
  echo
  echo "== kynconvert --to $target --overwrite"
  "$kyn" --to "$target" --overwrite "$work"/cd_spectrum.dsx "$work"/melt.dsb "$work"/stopped_flow.dsa "$work"/spectrakinetic.glb
done
echo
echo "== kynconvert --to glb (kinetic and spectrakinetic files need a time axis; the others are refused)"
"$kyn" --to glb --overwrite "$work"/stopped_flow.dsa "$work"/spectrakinetic.glb "$work"/cd_spectrum.dsx || echo "(exit status $?: one file could not be written in that format)"
echo
echo "== A report for scripts: one JSON object per input, then a summary; every output read back and"
echo "   compared with its data before it takes its name (kynconvert --verify --report -)"
"$kyn" -q --to jdx --overwrite --verify --report - "$work"/cd_spectrum.dsx "$work"/melt.dsb "$work"/stopped_flow.dsa
echo
echo "== Files written"
ls -l "$work"
echo
echo "== Start of melt.csv"
head -n 24 "$work/melt.csv" | tr -d '\r'
echo "..."
echo
echo "== Start of cd_spectrum.jdx"
head -n 24 "$work/cd_spectrum.jdx" | tr -d '\r'
echo "..."
if [[ -f "$build/python/kyndata/__init__.py" ]]; then
  echo
  echo "== The same files in Python (kyndata): load, a summary, xarray (examples/python/summary.py)"
  PYTHONPATH="$build/python" /usr/bin/python3 "$root/examples/python/summary.py" "$work"/cd_spectrum.dsx "$work"/melt.dsb "$work"/stopped_flow.dsa "$work"/spectrakinetic.glb
fi
echo
echo "Outputs are in $work"
