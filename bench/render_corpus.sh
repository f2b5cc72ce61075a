#!/usr/bin/env bash
# Renders a corpus of real and generated pages with html_render and keeps, for
# each page, its box dump and PNG, with one checksum line per file in
# OUT/manifest.txt. Two runs (before and after a change that must not alter
# what the view does) are compared with `diff OUT1/manifest.txt OUT2/manifest.txt`.
# The corpus: every page of Python's HTML documentation (python3-doc, installed
# when missing) and the HTML benchmark's generated fixtures at 1x.
# Usage: bench/render_corpus.sh OUT [HTML_RENDER]  (default build/bench/html_render)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
out=$(realpath -m "$1")
render=$(realpath "${2:-build/bench/html_render}")
[ -x "$render" ] || { echo "no $render: build the project with the GUI first" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen
bench_need_real_page
docs=$(dirname "$bench_real_page")

mkdir -p "$out/pages" "$out/fixtures"
python3 bench/gen_html_fixtures.py "$out/fixtures" >/dev/null
rm -f "$out"/fixtures/*-2x.html

# One page: rendered from its own folder, so relative pictures are found.
render_one() {  # SOURCE-FILE OUTPUT-STEM
  local dir file
  dir=$(dirname "$1"); file=$(basename "$1")
  mkdir -p "$(dirname "$2")"
  (cd "$dir" && "$render" --png "$2.png" --boxes "$2.boxes" "$file" >/dev/null 2>&1) ||
    echo "render failed: $1" >&2
}

count=0
while IFS= read -r page; do
  render_one "$docs/$page" "$out/pages/${page%.html}"
  count=$((count + 1))
done < <(cd "$docs" && find . -name '*.html' | sed 's|^\./||' | sort)
for page in "$out"/fixtures/*.html; do
  render_one "$page" "$out/rendered/$(basename "${page%.html}")"
  count=$((count + 1))
done

(cd "$out" && find pages rendered -type f \( -name '*.png' -o -name '*.boxes' \) | sort |
  xargs sha256sum > manifest.txt)
echo "pages: $count  files: $(wc -l < "$out/manifest.txt")  manifest: $out/manifest.txt"
