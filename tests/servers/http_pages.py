"""A small web server for the web check tests, on 127.0.0.1 and a free port.

Prints "PORT <n>" once it listens. Every request is appended to the --log file as one JSON
line (method, path, headers) before it is answered, so a test can count and inspect them.

  /status/<n>...     answers status n with a short body
  /trickle...        a page that never ends: one byte every 0.3 s until the client goes
  /auth/...          wants Basic authentication as --user / --password; then as below
  anything else      the file of that name under --root (404 when there is none); an empty
                     file is an empty body

Pages are declared "text/html; charset=utf-8". A query "?charset=<label>" declares that
charset instead, and "?charset=" (empty) declares none: "text/html" alone.

With --cert and --key it speaks HTTPS instead.
"""
import argparse
import base64
import http.server
import json
import os
import ssl
import sys
import time
import urllib.parse


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--log", required=True)
    ap.add_argument("--cert")
    ap.add_argument("--key")
    ap.add_argument("--user", default="")
    ap.add_argument("--password", default="")
    args = ap.parse_args()

    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, fmt, *a):
            pass

        def record(self):
            with open(args.log, "a", encoding="utf-8") as f:
                f.write(json.dumps({"method": self.command, "path": self.path,
                                    "headers": {k: v for k, v in self.headers.items()}}) + "\n")
                f.flush()

        def content_type(self):
            query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query, keep_blank_values=True)
            charset = query.get("charset", ["utf-8"])[0]
            return "text/html; charset=" + charset if charset else "text/html"

        def answer(self, status, body, extra=None):
            self.send_response(status)
            for k, v in (extra or {}).items():
                self.send_header(k, v)
            self.send_header("Content-Type", self.content_type())
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            self.record()
            path = self.path.split("?", 1)[0]
            if path.startswith("/status/"):
                code = int(path.split("/")[2])
                self.answer(code, ("status %d" % code).encode())
                return
            if path.startswith("/trickle"):
                self.send_response(200)
                self.send_header("Content-Length", "100000")
                self.end_headers()
                try:
                    for _ in range(200):
                        self.wfile.write(b"x")
                        self.wfile.flush()
                        time.sleep(0.3)
                except OSError:
                    pass
                self.close_connection = True
                return
            if path.startswith("/auth/"):
                want = "Basic " + base64.b64encode(
                    ("%s:%s" % (args.user, args.password)).encode()).decode()
                if self.headers.get("Authorization") != want:
                    self.answer(401, b"who are you", {"WWW-Authenticate": 'Basic realm="test"'})
                    return
                path = path[len("/auth"):]
            name = os.path.normpath(os.path.join(args.root, path.lstrip("/")))
            if not name.startswith(os.path.abspath(args.root)) or not os.path.isfile(name):
                self.answer(404, b"not here")
                return
            with open(name, "rb") as f:
                self.answer(200, f.read())

    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    if args.cert:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(args.cert, args.key)
        server.socket = ctx.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
