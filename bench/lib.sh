# Shell helpers the benchmark scripts share: a work folder with a private
# nginx on a free loopback port, and Python's contents.html as the real page.
# Sourced; the caller sets `set -euo pipefail`.

# The real page, installed with python3-doc when missing.
bench_real_page=/usr/share/doc/python3.11/html/contents.html
bench_need_real_page() {
  [ -f "$bench_real_page" ] && return
  echo "installing python3-doc for $bench_real_page ..."
  if [ "$(id -u)" = 0 ]; then apt-get install -y python3-doc >/dev/null
  else sudo apt-get install -y python3-doc >/dev/null; fi
}

# A free TCP port on loopback.
bench_free_port() {
  local p=$((20000 + RANDOM % 20000))
  while (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; do p=$((p + 1)); done
  echo "$p"
}

# A work folder ($bench_work) with www/, logs/ and tmp/, removed at exit
# together with the nginx that bench_start_nginx started.
bench_make_work() {
  bench_work=$(mktemp -d "/tmp/$1-XXXXXX")
  bench_nginx_pid=""
  trap bench_cleanup EXIT
  mkdir -p "$bench_work/www" "$bench_work/logs" "$bench_work/tmp"
}
bench_cleanup() {
  if [ -n "$bench_nginx_pid" ]; then
    kill "$bench_nginx_pid" 2>/dev/null || true
    wait "$bench_nginx_pid" 2>/dev/null || true
  fi
  rm -rf "$bench_work"
}

# The start of an nginx.conf for the work folder, up to the server blocks:
# one process in the foreground, logs and temporary files inside the folder.
bench_nginx_head() {
  cat <<CONF
worker_processes 1;
master_process off;
pid $bench_work/logs/nginx.pid;
error_log $bench_work/logs/error.log warn;
events { worker_connections 64; }
http {
  access_log off;
  default_type application/octet-stream;
  client_body_temp_path $bench_work/tmp/body;
  proxy_temp_path $bench_work/tmp/proxy;
  fastcgi_temp_path $bench_work/tmp/fastcgi;
  uwsgi_temp_path $bench_work/tmp/uwsgi;
  scgi_temp_path $bench_work/tmp/scgi;
  sendfile on;
CONF
}

# Starts nginx on $bench_work/nginx.conf and waits until URL answers.
bench_start_nginx() {
  /usr/sbin/nginx -p "$bench_work/" -c "$bench_work/nginx.conf" -g 'daemon off;' \
    -e "$bench_work/logs/error.log" &
  bench_nginx_pid=$!
  for _ in $(seq 100); do
    curl -s -o /dev/null "$1" --max-time 1 -r 0-0 && return
    sleep 0.1
  done
  echo "nginx did not answer at $1" >&2
  exit 1
}
