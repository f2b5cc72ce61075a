#!/usr/bin/env bash
# Throughput and memory of the HTTP engine against curl and gzip, all on
# loopback against a private nginx:
#   - a 512 MiB body by Content-Length, and the same body ended by the server
#     closing the connection (no length: the response passes nginx's SSI filter)
#   - the 512 MiB body by Content-Length over https (TLS on loopback with a
#     self-signed certificate; one handshake per exchange on both sides)
#   - a gzip body that decodes to 256 MiB, against `gzip -dc` of the same file
#   - peak memory of http_fetch for the 512 MiB body
# Each timing is the best of 3. Usage: bench/run_http_bench.sh (after a build;
# HTTP_FETCH or TAV_BUILD_DIR point at another build).
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
fetch=${HTTP_FETCH:-${TAV_BUILD_DIR:-build}/bench/http_fetch}
nginx_bin=/usr/sbin/nginx
[ -x "$fetch" ] || { echo "no $fetch: build the project first" >&2; exit 2; }
for tool in "$nginx_bin" curl gzip awk openssl; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 2; }
done

bench_make_work tav-http-bench
work=$bench_work

body_size=$((512 * 1024 * 1024))
text_size=$((256 * 1024 * 1024))
echo "preparing files in $work ..."
set +o pipefail  # the generators end by a broken pipe
yes "the quick brown fox jumps over the lazy dog 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnop" \
  | head -c "$body_size" > "$work/www/big.bin"
seq -f 'line %.0f of the text that the benchmark sends compressed' 1 6000000 \
  | head -c "$text_size" > "$work/www/big.txt"
set -o pipefail
gzip -6 -c "$work/www/big.txt" > "$work/www/big.txt.gz"
[ "$(stat -c %s "$work/www/big.txt")" -eq "$text_size" ] || { echo "text file too short" >&2; exit 1; }
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null

# Free loopback ports, one for http and one for https.
port=$(bench_free_port)
tls_port=$(bench_free_port)
[ "$tls_port" != "$port" ] || tls_port=$((port + 1))

{
  bench_nginx_head
  cat <<CONF
  tcp_nopush on;
  server {
    listen 127.0.0.1:$port;
    listen 127.0.0.1:$tls_port ssl;
    ssl_certificate $work/cert.pem;
    ssl_certificate_key $work/key.pem;
    root $work/www;
    # The SSI filter drops Content-Length; an HTTP/1.0 request then gets a
    # body that ends when nginx closes the connection.
    location = /close/big.bin { alias $work/www/big.bin; ssi on; ssi_types *; }
    # The precompressed file, with "Content-Encoding: gzip".
    location = /big.txt { gzip_static always; }
  }
}
CONF
} > "$work/nginx.conf"
bench_start_nginx "http://127.0.0.1:$port/big.txt.gz"
base="http://127.0.0.1:$port"
tls_base="https://127.0.0.1:$tls_port"

# Best http_fetch time of 3; checks the status and the body size.
fetch_best() {
  local url=$1 want=$2 best="" out s
  for _ in 1 2 3; do
    out=$("$fetch" "$url") || { echo "http_fetch failed: $out" >&2; exit 1; }
    grep -q '^status: 200$' <<<"$out" || { echo "unexpected answer: $out" >&2; exit 1; }
    grep -q "^body-bytes: $want\$" <<<"$out" || { echo "wrong body size: $out" >&2; exit 1; }
    s=$(awk '/^seconds:/ {print $2}' <<<"$out")
    best=$(awk -v a="$best" -v b="$s" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}

curl_best() {
  local url=$1 best="" s
  for _ in 1 2 3; do
    s=$(curl -s -k --http1.0 -o /dev/null -w '%{time_total}' "$url")
    best=$(awk -v a="$best" -v b="$s" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}

gzip_best() {
  local file=$1 best="" t0 t1 s
  for _ in 1 2 3; do
    t0=$(date +%s.%N); gzip -dc "$file" > /dev/null; t1=$(date +%s.%N)
    s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
    best=$(awk -v a="$best" -v b="$s" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}

status=0
report() {  # name, engine seconds, reference seconds, bytes
  awk -v n="$1" -v e="$2" -v r="$3" -v b="$4" 'BEGIN {
    ratio = r / e
    printf "%-28s engine %7.3f s (%7.1f MB/s)  reference %7.3f s (%7.1f MB/s)  ratio %.2f %s\n",
           n, e, b / e / 1e6, r, b / r / 1e6, ratio, (ratio >= 0.8 ? "ok" : "BELOW 0.8")
    exit (ratio >= 0.8 ? 0 : 1) }' || status=1
}

echo "results (ratio = engine throughput / reference throughput, best of 3):"
report "512 MiB by Content-Length" "$(fetch_best "$base/big.bin" "$body_size")" \
  "$(curl_best "$base/big.bin")" "$body_size"
report "512 MiB until close" "$(fetch_best "$base/close/big.bin" "$body_size")" \
  "$(curl_best "$base/close/big.bin")" "$body_size"
report "512 MiB over https" "$(fetch_best "$tls_base/big.bin" "$body_size")" \
  "$(curl_best "$tls_base/big.bin")" "$body_size"
report "gzip, 256 MiB decoded" "$(fetch_best "$base/big.txt" "$text_size")" \
  "$(gzip_best "$work/www/big.txt.gz")" "$text_size"

# Peak memory (resident) of one 512 MiB fetch, against the body size.
peak_kib() {
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -v "$fetch" "$1" 2>&1 >/dev/null | awk '/Maximum resident set size/ {print $NF}'
  else
    # Without GNU time: sample VmHWM of the running process.
    "$fetch" "$1" >/dev/null & local pid=$! hwm=0
    while kill -0 "$pid" 2>/dev/null; do
      hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo "$hwm"); sleep 0.05
    done
    wait "$pid"; echo "$hwm"
  fi
}
for path in big.bin close/big.bin; do
  kib=$(peak_kib "$base/$path")
  awk -v p="$path" -v k="$kib" -v b="$body_size" 'BEGIN {
    ratio = k * 1024 / b
    printf "peak memory %-16s %7.1f MiB = %.2f x body %s\n", p, k / 1024, ratio, (ratio <= 2 ? "ok" : "ABOVE 2")
    exit (ratio <= 2 ? 0 : 1) }' || status=1
done
exit $status
