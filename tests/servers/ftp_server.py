"""An FTP server for the FTP check tests (pyftpdlib), on 127.0.0.1 and a free port.

Prints "PORT <n>" once it listens. Anonymous users see --anon (read only); --user with
--password sees --home.
"""
import argparse
import logging

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--anon", required=True)
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--home", required=True)
    args = ap.parse_args()
    logging.basicConfig(level=logging.WARNING)

    auth = DummyAuthorizer()
    auth.add_anonymous(args.anon)
    auth.add_user(args.user, args.password, args.home, perm="elr")

    class Handler(FTPHandler):
        authorizer = auth
        passive_ports = None
        # Refused logins answer at once: the tests time the check, not the server's pause.
        auth_failed_timeout = 0

    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(timeout=0.5)


if __name__ == "__main__":
    main()
