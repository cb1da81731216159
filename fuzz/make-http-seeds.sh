#!/usr/bin/env bash
# Makes the seeds of fuzz/corpus/http_head: answers of python3's http.server
# recorded from the socket (HEAD and GET of a file, a missing file, a
# directory listing and its redirect), cut to their first 1 KiB.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work=$(mktemp -d)
server=
cleanup() {
    if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$here/corpus/http_head" "$work/www/boot"
printf 'kernel bytes\n' >"$work/www/boot/keldos.gz"
python3 -u -m http.server --bind 127.0.0.1 --directory "$work/www" 0 >"$work/server.out" 2>/dev/null &
server=$!
for _ in $(seq 50); do grep -q ' port ' "$work/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.out" | head -1)
python3 - "$port" "$here/corpus/http_head" <<'PY'
import socket, sys
port, out = int(sys.argv[1]), sys.argv[2]
agent = "\r\nUser-Agent: KESTREL/VEVA(1st impact; Windows CE; ARM)\r\n\r\n"
for name, method, path in [("head-file", "HEAD", "/boot/keldos.gz"),
                           ("get-file", "GET", "/boot/keldos.gz"),
                           ("get-missing", "GET", "/no-such-file"),
                           ("get-listing", "GET", "/boot/"),
                           ("get-redirect", "GET", "/boot")]:
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(("%s %s HTTP/1.0\r\nHOST: 127.0.0.1%s" % (method, path, agent)).encode())
    answer = b""
    while True:
        chunk = s.recv(65536)
        if not chunk:
            break
        answer += chunk
    s.close()
    open("%s/python-%s" % (out, name), "wb").write(answer[:1024])
PY
ls -l "$here/corpus/http_head"
