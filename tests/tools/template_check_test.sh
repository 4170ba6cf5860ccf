#!/usr/bin/env bash
# pricetag-template check says what printing a label from the template would say: a template with
# a chain of 25,000 terms is sound (and its stored text too), one that names a field the print
# record lacks is refused with the message printing gives.
set -euo pipefail
tool="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chain=$(printf '1%.0s+' $(seq 24999))1
label() {
  printf '{"format":"pricetag-report","version":1,"name":"长表达式","page":{"width":50,"height":30},"bands":[{"type":"masterData","height":30,"objects":[{"type":"text","x":0,"y":0,"width":40,"height":5,"text":"%s"}]}]}' "$1"
}
label "[$chain]" >"$work/long.json"
"$tool" check "$work/long.json" | grep -q "模板正常：长表达式" || { echo "long chain refused" >&2; exit 1; }
"$tool" pack "$work/long.json" >"$work/long.txt"
"$tool" check "$work/long.txt" | grep -q "模板正常：长表达式" || { echo "stored long chain refused" >&2; exit 1; }

label '[cdsPrint.\"f_Nothing\"]' >"$work/unknown.json"
if "$tool" check "$work/unknown.json" 2>"$work/err"; then
  echo "a field the print record lacks passed the check" >&2
  exit 1
fi
grep -q '报表模板引用了不存在的字段：cdsPrint."f_Nothing"' "$work/err" || { cat "$work/err" >&2; exit 1; }
