"""An FTP server for the FTP check tests (pyftpdlib), on 127.0.0.1 and a free port.

Prints "PORT <n>" once it listens. Anonymous users see --anon (read only); --user with
--password sees --home. With --delay, the answers to the commands that look a path up
(SIZE, RETR and the listings) come that many seconds late, each connection on a thread of
its own, so a test can see how a check spends its time-out.
"""
import argparse
import logging
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer, ThreadedFTPServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--anon", required=True)
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--home", required=True)
    ap.add_argument("--delay", type=float, default=0.0)
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

    if args.delay > 0:
        def late(command):
            def answer(self, *a, **k):
                time.sleep(args.delay)
                return command(self, *a, **k)
            return answer

        for name in ("ftp_SIZE", "ftp_RETR", "ftp_LIST", "ftp_NLST", "ftp_MLSD"):
            setattr(Handler, name, late(getattr(FTPHandler, name)))

    server = (ThreadedFTPServer if args.delay > 0 else FTPServer)(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(timeout=0.5)


if __name__ == "__main__":
    main()
