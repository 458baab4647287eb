# Sourced by the benchmarks: serves the folder $work with nginx on a free loopback port.
# Sets nginx_pid and port; the caller's EXIT trap stops nginx by its pid. With nginx_tls set
# (a folder holding localhost.pem and server.key) it serves https with that certificate.
start_nginx() {
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()')
  # nginx serves as an unprivileged worker when started by root.
  chmod -R a+rX "$work"
  cat >"$work/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  server {
    listen 127.0.0.1:$port${nginx_tls:+ ssl};
    ${nginx_tls:+ssl_certificate $nginx_tls/localhost.pem; ssl_certificate_key $nginx_tls/server.key;}
    root $work;
  }
}
CONF
  nginx -c "$work/nginx.conf" -p "$work" >/dev/null 2>&1 </dev/null &
  nginx_pid=$!
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0
    sleep 0.1
  done
  echo "nginx did not start" >&2
  return 1
}

value() { sed -n "s/^$1=//p" | tr -d '\r'; }
