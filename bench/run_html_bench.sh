#!/usr/bin/env bash
# Tokenizing and styling against QTextDocument::setHtml on the same decoded
# text, in the same run: the generated fixtures at 1x and 2x (linearity: 2x
# time over 1x time) and the real page, Python's contents.html from Debian's
# python3-doc (installed when missing). Each timing is the best of 3; peak
# memory is that of the single run. Usage: bench/run_html_bench.sh (after a
# build with the GUI; TAV_BUILD_DIR points at another build).
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${TAV_BUILD_DIR:-build}
inspect=$build/bench/html_inspect
peer=$build/bench/html_qt_peer
for tool in "$inspect" "$peer"; do
  [ -x "$tool" ] || { echo "no $tool: build the project with the GUI first" >&2; exit 2; }
done
export QT_QPA_PLATFORM=offscreen

bench_need_real_page
real=$bench_real_page

work=$(mktemp -d /tmp/tav-html-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "generating fixtures in $work ..."
python3 bench/gen_html_fixtures.py "$work"

value() { awk -v k="$1:" '$1 == k { print $2 }'; }
best() {  # best of 3 of one key of a command's output
  local key=$1; shift
  for _ in 1 2 3; do "$@" | value "$key"; done | sort -g | head -1
}
# The peer gets at most $limit seconds a page (QTextDocument is quadratic on
# deep nesting); a page it does not finish shows ">limit".
limit=${PEER_LIMIT:-60}
# Best of 3 of the key $1 from the peer run with the remaining arguments;
# ">limit" when a run does not finish in time.
peer_best() {
  local key=$1 out t bestt=""
  shift
  for _ in 1 2 3; do
    out=$(timeout "$limit" "$peer" "$@" 2>/dev/null) || { echo ">$limit"; return; }
    t=$(value "$key" <<<"$out")
    if [ -z "$bestt" ] || awk -v a="$t" -v b="$bestt" 'BEGIN { exit !(a < b) }'; then bestt=$t; fi
  done
  echo "$bestt"
}

printf '%-22s %9s %9s %9s %7s %8s %8s\n' page tok-s style-s qt-s ratio rss-mb qt-rss
declare -A ours
for page in "$work"/*.html "$real"; do
  name=$(basename "$page" .html)
  tok=$(best tokenize-seconds "$inspect" --time styles "$page")
  sty=$(best style-seconds "$inspect" --time styles "$page")
  qt=$(peer_best set-html-seconds "$page")
  rss=$("$inspect" --time styles "$page" | value peak-rss-mb)
  if [[ $qt == '>'* ]]; then qrss="-"
  else qrss=$("$peer" "$page" 2>/dev/null | value peak-rss-mb); fi
  ratio=$(awk -v a="$tok" -v b="$sty" -v q="${qt#>}" 'BEGIN { printf "%.2f", (q > 0 ? (a + b) / q : 0) }')
  if [[ $qt == '>'* ]]; then ratio="<$ratio"; fi
  ours[$name]=$(awk -v a="$tok" -v b="$sty" 'BEGIN { print a + b }')
  printf '%-22s %9s %9s %9s %7s %8s %8s\n' "$name" "$tok" "$sty" "$qt" "$ratio" "$rss" "$qrss"
done
echo
echo "linearity (tokenize + style at 2x over 1x):"
for one in "$work"/*-1x.html; do
  base=$(basename "$one" -1x.html)
  awk -v n="$base" -v a="${ours[$base-1x]}" -v b="${ours[$base-2x]}" \
    'BEGIN { printf "  %-14s %.2f\n", n, (a > 0 ? b / a : 0) }'
done

# Parse + layout + first paint: html_render beside QTextDocument (setHtml,
# text width W, layout, drawing the first H pixels into an image).
render=$build/bench/html_render
if [ -x "$render" ]; then
  W=${HTML_WIDTH:-667}
  H=${HTML_HEIGHT:-600}
  render_best() {  # best of 3 of parse + layout + paint
    for _ in 1 2 3; do
      "$render" --width "$W" --height "$H" "$1" 2>/dev/null |
        awk '/^(parse|layout|paint)-seconds:/ { s += $2 } END { print s }'
    done | sort -g | head -1
  }
  echo
  echo "parse + layout + first paint at ${W}x${H}:"
  printf '%-22s %9s %9s %7s %8s %8s\n' page ours-s qt-s ratio rss-mb qt-rss
  declare -A rendered
  for page in "$work"/*.html "$real"; do
    name=$(basename "$page" .html)
    t=$(render_best "$page")
    q=$(peer_best render-seconds --render "$W" "$H" "$page")
    rss=$("$render" --width "$W" --height "$H" "$page" 2>/dev/null | value peak-rss-mb)
    if [[ $q == '>'* ]]; then qrss="-"
    else qrss=$("$peer" --render "$W" "$H" "$page" 2>/dev/null | value peak-rss-mb); fi
    ratio=$(awk -v a="$t" -v q="${q#>}" 'BEGIN { printf "%.2f", (q > 0 ? a / q : 0) }')
    if [[ $q == '>'* ]]; then ratio="<$ratio"; fi
    rendered[$name]=$t
    printf '%-22s %9s %9s %7s %8s %8s\n' "$name" "$t" "$q" "$ratio" "$rss" "$qrss"
  done
  echo
  echo "linearity (parse + layout + first paint at 2x over 1x):"
  for one in "$work"/*-1x.html; do
    base=$(basename "$one" -1x.html)
    awk -v n="$base" -v a="${rendered[$base-1x]}" -v b="${rendered[$base-2x]}" \
      'BEGIN { printf "  %-14s %.2f\n", n, (a > 0 ? b / a : 0) }'
  done
  echo
  echo "the table of b ten tables deep, over b (parse + layout + first paint):"
  for scale in 1x 2x; do
    awk -v s="$scale" -v a="${rendered[b-table-$scale]}" -v b="${rendered[h-nested-$scale]}" \
      'BEGIN { printf "  %-14s %.2f\n", s, (a > 0 ? b / a : 0) }'
  done
fi
