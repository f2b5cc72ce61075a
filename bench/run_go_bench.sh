#!/usr/bin/env bash
# GO to painted, through the real console window against a private nginx on
# loopback: the real page (Python's contents.html from Debian's python3-doc,
# installed when missing) and fixtures a (paragraphs), b (table) and d (JSON)
# at 1x and 2x. For each page, in the same run:
#   fetch-s  http_fetch: the exchange alone
#   go-s     go_paint: GO pressed to the end of the window's first paint
#   view-s   go_paint: the HTML view's share, LoadFromString to the end of
#            its first paint
#   qt-s     html_qt_peer --render: QTextDocument's setHtml, layout at the
#            view's width and drawing of the view's height, on the same body
# and the ratio view-s / qt-s (goal: at most 0.5). Then the linearity, 2x
# over 1x (goal: at most 2.5), and a resize of the window over fixture a,
# which must lay the page out again without building it again. Each timing
# is the best of 3. Usage: bench/run_go_bench.sh (after a build with the GUI
# and the benchmark programs; TAV_BUILD_DIR points at another build).
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${TAV_BUILD_DIR:-build}
go=$build/bench/go_paint
fetch=$build/bench/http_fetch
peer=$build/bench/html_qt_peer
nginx_bin=/usr/sbin/nginx
for tool in "$go" "$fetch" "$peer"; do
  [ -x "$tool" ] || { echo "no $tool: build the project with the GUI first" >&2; exit 2; }
done
for tool in "$nginx_bin" curl awk python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 2; }
done
export QT_QPA_PLATFORM=offscreen

bench_need_real_page
real=$bench_real_page

bench_make_work tav-go-bench
work=$bench_work
mkdir -p "$work/gen" "$work/runtime"
# Qt's own runtime folder, so that it does not warn on every start.
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work/runtime}

echo "generating fixtures in $work ..."
python3 bench/gen_html_fixtures.py "$work/gen"
pages=(real a-paragraphs-1x a-paragraphs-2x b-table-1x b-table-2x d-json-1x d-json-2x)
cp "$real" "$work/www/real.html"
for page in "${pages[@]:1}"; do mv "$work/gen/$page.html" "$work/www/"; done
rm -rf "$work/gen"

port=$(bench_free_port)
# No compression: the body GO receives is the file the peer reads.
{
  bench_nginx_head
  cat <<CONF
  types { text/html html; }
  gzip off;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
  }
}
CONF
} > "$work/nginx.conf"
bench_start_nginx "http://127.0.0.1:$port/real.html"
base="http://127.0.0.1:$port"

value() { awk -v k="$1:" '$1 == k { print $2 }'; }
minimum() { sort -g | head -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
# QTextDocument gets at most $limit seconds a page; one it does not finish
# shows ">limit".
limit=${PEER_LIMIT:-120}

declare -A fetch_s go_s view_s qt_s
printf '%-18s %10s %8s %8s %8s %8s %10s %8s\n' page bytes fetch-s go-s view-s qt-s view/qt rss-mb
for page in "${pages[@]}"; do
  url="$base/$page.html"
  file="$work/www/$page.html"
  bytes=$(stat -c %s "$file")
  f=$(for _ in 1 2 3; do "$fetch" "$url" | value seconds; done | minimum)
  runs=()
  for _ in 1 2 3; do runs+=("$("$go" "$url")"); done
  g=$(for r in "${runs[@]}"; do value go-seconds <<<"$r"; done | minimum)
  v=$(for r in "${runs[@]}"; do value view-seconds <<<"$r"; done | minimum)
  rss=$(value peak-rss-mb <<<"${runs[0]}")
  W=$(value paint-width <<<"${runs[0]}")
  H=$(value paint-height <<<"${runs[0]}")
  q=""
  for _ in 1 2 3; do
    out=$(timeout "$limit" "$peer" --render "$W" "$H" "$file" 2>/dev/null) || { q=">$limit"; break; }
    t=$(value render-seconds <<<"$out")
    if [ -z "$q" ] || awk -v a="$t" -v b="$q" 'BEGIN { exit !(a < b) }'; then q=$t; fi
  done
  r=$(ratio "$v" "${q#>}")
  if [[ $q == '>'* ]]; then r="<$r"; fi
  fetch_s[$page]=$f go_s[$page]=$g view_s[$page]=$v qt_s[$page]=${q#>}
  printf '%-18s %10s %8s %8s %8s %8s %10s %8s\n' "$page" "$bytes" "$f" "$g" "$v" "$q" "$r" "$rss"
done
echo "(view and QTextDocument at ${W}x${H}, the view's document area)"

echo
echo "linearity, 2x over 1x:"
printf '  %-14s %8s %8s %8s %8s\n' fixture fetch go view qt
for base_name in a-paragraphs b-table d-json; do
  one=$base_name-1x two=$base_name-2x
  printf '  %-14s %8s %8s %8s %8s\n' "$base_name" \
    "$(ratio "${fetch_s[$two]}" "${fetch_s[$one]}")" "$(ratio "${go_s[$two]}" "${go_s[$one]}")" \
    "$(ratio "${view_s[$two]}" "${view_s[$one]}")" "$(ratio "${qt_s[$two]}" "${qt_s[$one]}")"
done

echo
echo "resize of the window over a-paragraphs-1x (200 pixels wider):"
runs=()
for _ in 1 2 3; do runs+=("$("$go" --resize "$base/a-paragraphs-1x.html")"); done
rs=$(for r in "${runs[@]}"; do value resize-seconds <<<"$r"; done | minimum)
passes=$(for r in "${runs[@]}"; do value resize-layout-passes <<<"$r"; done | sort -u | tr '\n' ' ')
reparsed=$(for r in "${runs[@]}"; do value resize-reparsed <<<"$r"; done | sort -u | tr '\n' ' ')
widths=$(awk '$1 == "resize-width:" { print $2, $3, $4 }' <<<"${runs[0]}")
echo "  width ${widths}; resize-seconds $rs (over view-s ${view_s[a-paragraphs-1x]}: $(ratio "$rs" "${view_s[a-paragraphs-1x]}"))"
echo "  layout passes per resize: ${passes}; built again: ${reparsed}(0: no)"
