#!/usr/bin/env python3
"""A web server that answers badly on purpose, for the tests of the HTTP
client. The request path chooses the answer (HEAD gets the same head as GET,
without the body unless the path says otherwise):

  /endless-header   a head that never ends: header lines until the peer goes
  /silent           reads the request, then says nothing and keeps the line open
  /drip-header      a head sent one byte at a time, never ending
  /drip-body        a sound head for 100000 bytes, then the body a byte at a time
  /short-body       Content-Length 1000, 400 bytes, then the close
  /huge             Content-Length 4294967295, a few bytes, then the close
  /negative         Content-Length -5
  /head-mismatch    a HEAD head of 600 bytes; the GET's head is short
  /missing          404 with an error page of its own length
  /lf-only          a sound answer whose lines end with LF alone
  anything else     200 with "hello"

Prints "Serving HTTP on 127.0.0.1 port N" once it listens (port 0: any).
"""
import socket
import socketserver
import sys
import time

BODY = bytes(range(256)) * 4  # 1024 bytes the tests know


def head(status, length, extra=b"", eol=b"\r\n"):
    lines = [b"HTTP/1.0 " + status, b"Server: hostile"]
    if length is not None:
        lines.append(b"Content-Length: " + length)
    text = eol.join(lines) + eol
    return text + extra + eol


class Handler(socketserver.BaseRequestHandler):
    def request_text(self):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = self.request.recv(4096)
            if not chunk:
                break
            data += chunk
        return data

    def send_slowly(self, data, pause):
        for i in range(len(data)):
            self.request.sendall(data[i:i + 1])
            time.sleep(pause)

    def handle(self):
        try:
            self.answer()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def answer(self):
        request = self.request_text()
        line = request.split(b"\r\n", 1)[0].split(b" ")
        if len(line) < 2:
            return
        method, path = line[0], line[1]
        get = method == b"GET"
        send = self.request.sendall
        if path == b"/endless-header":
            send(b"HTTP/1.0 200 OK\r\n")
            for _ in range(100000):
                send(b"X-Pad: " + b"a" * 100 + b"\r\n")
        elif path == b"/silent":
            self.request.settimeout(60)
            self.request.recv(1)
        elif path == b"/drip-header":
            self.send_slowly(b"HTTP/1.0 200 OK\r\n" + b"X: y\r\n" * 2000, 0.02)
        elif path == b"/drip-body":
            send(head(b"200 OK", b"100000"))
            if get:
                self.send_slowly(bytes(100000), 0.02)
        elif path == b"/short-body":
            send(head(b"200 OK", b"1000") + (BODY[:400] if get else b""))
        elif path == b"/huge":
            send(head(b"200 OK", b"4294967295") + (BODY if get else b""))
        elif path == b"/negative":
            send(head(b"200 OK", b"-5") + (BODY[:5] if get else b""))
        elif path == b"/head-mismatch":
            if get:
                send(head(b"200 OK", b"1024") + BODY)
            else:
                send(head(b"200 OK", b"1024", b"X-Long: " + b"z" * 500 + b"\r\n"))
        elif path == b"/missing":
            page = b"<html>404 no such file</html>"
            send(head(b"404 Not Found", str(len(page)).encode()) + (page if get else b""))
        elif path == b"/lf-only":
            send(head(b"200 OK", b"1024", eol=b"\n") + (BODY if get else b""))
        else:
            send(head(b"200 OK", b"5") + (b"hello" if get else b""))


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 0
    with Server(("127.0.0.1", port), Handler) as server:
        print("Serving HTTP on 127.0.0.1 port %d" % server.server_address[1], flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
