#!/usr/bin/env bash
# The main job without a display: the host seeds its demo database, queues products through the
# module's code entry and prints their labels to a PDF whose path it prints; the PDF holds them.
set -euo pipefail
host="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_DATA_HOME="$work" "$host" 2>"$work/log") || {
  cat "$work/log" >&2
  exit 1
}
pdf=$(printf '%s\n' "$out" | tail -n 1)
[ "$pdf" = "$work/pricetag/labels.pdf" ] || { echo "printed path: '$pdf'" >&2; exit 1; }
text=$(pdftotext -layout "$pdf" -)
for want in "零售价" "等级:合格" "编码:1000"; do
  printf '%s' "$text" | grep -q "$want" || { echo "missing '$want' in:" >&2; printf '%s\n' "$text" >&2; exit 1; }
done
labels=$(printf '%s' "$text" | grep -c "零售价")
[ "$labels" -eq 4 ] || { echo "expected 4 labels, found $labels" >&2; exit 1; }
