#!/usr/bin/env bash
# Builds the release twice, from two copies of the sources in folders of
# different names and lengths, one after the other, and checks that the two
# give the same files byte for byte. Paths or times that leak into an
# executable or a ZIP show up as a difference.
# Usage: scripts/check-reproducible.sh   (exit 0 when identical)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/tollivane-repro.XXXXXX")"
status=1
trap 'if [ $status -eq 0 ]; then rm -rf "$work"; else echo "check-reproducible: builds kept in $work" >&2; fi' EXIT

for copy in a second-copy; do
    mkdir -p "$work/$copy"
    tar -C "$root" --exclude=./build -cf - . | tar -C "$work/$copy" -xf -
    echo "=== release in $work/$copy"
    bash "$work/$copy/scripts/release.sh" "$work/$copy/out" >"$work/$copy.log" 2>&1 ||
        { cat "$work/$copy.log" >&2; exit 1; }
done

cat "$work/a/out/SHA256SUMS"
if diff -r "$work/a/out" "$work/second-copy/out" >/dev/null; then
    status=0
    echo "reproducible: $(wc -l <"$work/a/out/SHA256SUMS") ZIPs identical"
else
    diff "$work/a/out/SHA256SUMS" "$work/second-copy/out/SHA256SUMS" >&2 || true
    echo "reproducible: the two builds differ" >&2
fi
exit $status
