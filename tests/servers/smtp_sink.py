"""Loopback SMTP sink for the mail client tests (python3-aiosmtpd).

Listens on 127.0.0.1 at an ephemeral port, prints "PORT <n>" once it accepts
connections, and writes every mail it takes to <outdir>/mail-<n>.json: the envelope,
the HELO name, the raw message (dot-unstuffed by the server) and, decoded with
Python's own email package, the header order, subject, address headers and body.
Stops when stdin closes or on SIGTERM.

With "--quit refuse" every QUIT is answered "500"; with "--quit close" the connection is
closed right after the "250" that takes a mail, before any QUIT.
"""
import asyncio
import base64
import email
import email.header
import json
import os
import signal
import sys

from aiosmtpd.smtp import SMTP


def decoded_header(value):
    if value is None:
        return None
    return str(email.header.make_header(email.header.decode_header(value)))


class QuitQuirks(SMTP):
    """An SMTP server that may refuse QUIT."""
    quit_mode = None

    async def smtp_QUIT(self, arg):
        if self.quit_mode == "refuse":
            await self.push("500 5.5.1 QUIT not taken here")
            return
        await super().smtp_QUIT(arg)


class Sink:
    def __init__(self, outdir, quit_mode=None):
        self.outdir = outdir
        self.count = 0
        self.quit_mode = quit_mode

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content or envelope.content
        msg = email.message_from_bytes(raw)
        charset = msg.get_content_charset() or "us-ascii"
        body = msg.get_payload(decode=True).decode(charset)
        record = {
            "helo": session.host_name,
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "raw_b64": base64.b64encode(raw).decode("ascii"),
            "header_names": list(msg.keys()),
            "subject": decoded_header(msg.get("Subject")),
            "from": decoded_header(msg.get("From")),
            "to": decoded_header(msg.get("To")),
            "cc": decoded_header(msg.get("cc")),
            "charset": charset,
            "body": body,
        }
        self.count += 1
        path = os.path.join(self.outdir, "mail-%d.json" % self.count)
        with open(path + ".tmp", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        os.replace(path + ".tmp", path)
        if self.quit_mode == "close":
            # Runs once the reply below is written: the peer gets "250" and then the end.
            asyncio.get_running_loop().call_soon(server.transport.close)
        return "250 OK queued as %d" % self.count


async def main(outdir, quit_mode):
    loop = asyncio.get_running_loop()
    sink = Sink(outdir, quit_mode)

    def make():
        smtp = QuitQuirks(sink, hostname="sink.test", ident="loopback sink")
        smtp.quit_mode = quit_mode
        return smtp

    server = await loop.create_server(make, "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    print("PORT %d" % port, flush=True)

    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, lambda: stop.done() or stop.set_result(None))
    loop.add_reader(sys.stdin.fileno(),
                    lambda: sys.stdin.buffer.read1(4096) or stop.done() or stop.set_result(None))
    await stop
    server.close()


if __name__ == "__main__":
    mode = None
    if len(sys.argv) >= 4 and sys.argv[2] == "--quit":
        mode = sys.argv[3]
    asyncio.run(main(sys.argv[1], mode))
