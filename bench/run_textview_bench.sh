#!/usr/bin/env bash
# The text view against QPlainTextEdit on two large bodies, each program in
# its own process in the same run, both painting off-screen at the size of
# the text view on the console's Text page:
#   - 100 MB in 1,000,000 lines (words, links, tabs, CJK), wrap on
#   - one line of 10 MB, wrap on
#   - select all + copy of the 100 MB body (a run of its own with --copy)
# Prints both programs' figures and the ratios view / QPlainTextEdit with
# their goals. Usage: bench/run_textview_bench.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
view=$build/bench/textview_paint
peer=$build/bench/qplaintextedit_paint
for p in "$view" "$peer"; do
  [ -x "$p" ] || { echo "missing $p: build the textview_paint and qplaintextedit_paint targets" >&2; exit 1; }
done
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The bodies: the same pseudo-random words every run.
python3 - "$work" <<'PY'
import random, sys
work = sys.argv[1]
words = ["the", "response", "body", "of", "server", "with", '<div class="row">', "</div>",
         "value=42;", "Grüße", "日本語", "привет", "café", "naïve", "€12,50", '{"id":',
         "1234567890", "lorem", "ipsum", "dolor", "\t", "(see", "below)", "中文字符",
         "http://www.example.org/index.html", "https://shop.example.com/cart?item=7&qty=2,",
         "www.example.net/path", "mailto:info@example.org", "webmaster@example.com"]
rng = random.Random(7)
def line(size):
    """Words up to about `size` bytes, joined by blanks."""
    parts, n = [], 0
    while n < size:
        w = rng.choice(words)
        parts.append(w)
        n += len(w.encode()) + 1
    return " ".join(parts)
# 1,000,000 lines of about 100 bytes each (100 MB), then one line of 10 MB.
with open(f"{work}/lines.txt", "w", encoding="utf-8") as f:
    for _ in range(1000000):
        f.write(line(99) + "\n")
with open(f"{work}/single.txt", "w", encoding="utf-8") as f:
    f.write(line(10 * 1000 * 1000))
PY
printf 'bodies: lines.txt %s bytes, %s lines; single.txt %s bytes\n' \
  "$(stat -c %s "$work/lines.txt")" "$(wc -l < "$work/lines.txt")" "$(stat -c %s "$work/single.txt")"

# The view's default size is the Text page's; the peer gets the same.
size=$("$view" "$work/single.txt" | awk '/^width:/{w=$2} /^height:/{h=$2} END{print w, h}')
read -r width height <<<"$size"
echo "window: ${width} x ${height}"

figure() { awk -v k="$1:" '$1 == k {print $2}' "$2"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "inf" }'; }
verdict() { awk -v r="$1" -v g="$2" 'BEGIN { print (r <= g ? "met" : "MISSED") }'; }

for body in lines single; do
  "$view" --width "$width" --height "$height" "$work/$body.txt" > "$work/view.$body"
  "$peer" --width "$width" --height "$height" "$work/$body.txt" > "$work/peer.$body"
  echo
  echo "== $body.txt (text view | QPlainTextEdit)"
  paste "$work/view.$body" "$work/peer.$body" | awk -F'\t' '{split($2, p, " "); printf "  %-28s %s\n", $1, p[2]}'
done

echo
echo "== ratios (text view / QPlainTextEdit; goal)"
report() {  # name, view value, peer value, goal
  local r; r=$(ratio "$2" "$3")
  printf '  %-44s %7s  goal <= %-5s %s\n' "$1" "$r" "$4" "$(verdict "$r" "$4")"
}
V=$work/view.lines; P=$work/peer.lines
report "1M lines: load + first paint" "$(figure first-paint-seconds "$V")" "$(figure first-paint-seconds "$P")" 0.5
report "1M lines: peak memory" "$(figure peak-rss-mb "$V")" "$(figure peak-rss-mb "$P")" 0.75
report "1M lines: jump to end + paint" "$(figure end-paint-seconds "$V")" "$(figure end-paint-seconds "$P")" 1
report "1M lines: resize / peer's load + first paint" "$(figure resize-seconds "$V")" "$(figure first-paint-seconds "$P")" 0.25
V=$work/view.single; P=$work/peer.single
report "10 MB line: load + first paint" "$(figure first-paint-seconds "$V")" "$(figure first-paint-seconds "$P")" 0.5

# Select all + copy of the 100 MB body, each program in its own process.
"$view" --copy --width "$width" --height "$height" "$work/lines.txt" > "$work/view.copy"
"$peer" --copy --width "$width" --height "$height" "$work/lines.txt" > "$work/peer.copy"
V=$work/view.copy; P=$work/peer.copy
echo
echo "== select all + copy, 100 MB (text view | QPlainTextEdit)"
paste "$V" "$P" | awk -F'\t' '$1 ~ /^(copy-seconds|copied-chars|peak-rss-mb):/ {split($2, p, " "); printf "  %-28s %s\n", $1, p[2]}'
report "100 MB: select all + copy" "$(figure copy-seconds "$V")" "$(figure copy-seconds "$P")" 0.5
report "100 MB: peak memory with the copy" "$(figure peak-rss-mb "$V")" "$(figure peak-rss-mb "$P")" 1
