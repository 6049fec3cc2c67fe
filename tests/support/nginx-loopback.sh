#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts nginx from Debian on a free 127.0.0.1 port, serving a folder; stops it again.
#   nginx-loopback.sh start WORK_DIR DOC_ROOT [PORT]   prints the port on stdout (PORT: that
#                                                     port only, instead of a free one)
#   nginx-loopback.sh stop WORK_DIR
# NGINX_LIMIT_RATE, when set (e.g. "40m"), caps each connection at that many bytes a second.
# WORK_DIR holds the configuration, the pid file, the error log and nginx's temporary folders.
# nginx runs as one daemonised process (no master/worker pair) as the calling user.
set -euo pipefail

action=${1:?start or stop}
work=$(mkdir -p "${2:?work folder}" && cd "$2" && pwd)

stop() {
    if [ -s "$work/nginx.pid" ]; then
        local pid
        pid=$(cat "$work/nginx.pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        kill -9 "$pid" 2>/dev/null || true
        rm -f "$work/nginx.pid"
    fi
}

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Temporary-file directives exist only for the modules this nginx was built with.
temp_paths() {
    local built
    built=$(nginx -V 2>&1)
    echo "client_body_temp_path $work/tmp/body;"
    for module in proxy fastcgi uwsgi scgi; do
        if ! grep -q -- "--without-http_${module}_module" <<<"$built"; then
            echo "${module}_temp_path $work/tmp/$module;"
        fi
    done
}

start() {
    local root port fixed=${2:-} attempts=5
    root=$(cd "${1:?document root}" && pwd)
    mkdir -p "$work/tmp"
    [ -n "$fixed" ] && attempts=1
    for _ in $(seq "$attempts"); do
        port=${fixed:-$(free_port)}
        cat >"$work/nginx.conf" <<CONF
daemon on;
master_process off;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections 64; }
http {
    access_log off;
    sendfile on;
    tcp_nopush on;
    default_type application/octet-stream;
    $(temp_paths)
    server {
        listen 127.0.0.1:$port;
        root $root;
        ${NGINX_LIMIT_RATE:+limit_rate $NGINX_LIMIT_RATE;}
    }
}
CONF
        if nginx -e "$work/error.log" -p "$work" -c "$work/nginx.conf" 2>>"$work/error.log"; then
            for _ in $(seq 100); do
                if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
                    echo "$port"
                    return 0
                fi
                sleep 0.05
            done
            stop
        fi
    done
    echo "nginx did not start; see $work/error.log" >&2
    return 1
}

case "$action" in
start) start "${3:-}" "${4:-}" ;;
stop) stop ;;
*) echo "unknown action $action" >&2; exit 2 ;;
esac
