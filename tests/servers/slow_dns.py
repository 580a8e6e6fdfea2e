"""A name server that answers as slowly as the asked name says, for the look-up tests.

Runs in the test's own network namespace, on ADDRESS port 53 (the resolv.conf the test
mounts names it). Names under ".test" are read right to left:

    <any>.<answer>.<delay ms>.test

where <answer> is an IPv4 address written with "-" (127-0-0-5), "nx" (no such name) or
"silent" (no answer at all). A reverse query for an address in 127.0.0.0/8 is answered
with the name "ptr-a-b-c-d.test" after --ptr-delay ms. Everything else gets "no such
name" at once. Queries for other record types of a known name get an empty answer after
the same delay, so a resolver that asks for A and AAAA together is not kept waiting.
Prints "PORT 53" once it listens; stops on SIGTERM.
Usage: slow_dns.py ADDRESS [--ptr-delay MS]
"""
import heapq
import select
import socket
import struct
import sys
import time

TYPE_A = 1
TYPE_PTR = 12
CLASS_IN = 1


def parse_question(packet):
    """(id, flags, labels, qtype, end of question) or None."""
    if len(packet) < 12:
        return None
    ident, flags, qdcount = struct.unpack("!HHH", packet[:6])
    if qdcount != 1:
        return None
    labels, pos = [], 12
    while pos < len(packet):
        n = packet[pos]
        pos += 1
        if n == 0:
            break
        if n & 0xC0 or pos + n > len(packet):
            return None
        labels.append(packet[pos:pos + n].decode("ascii", "replace").lower())
        pos += n
    if pos + 4 > len(packet):
        return None
    qtype, _ = struct.unpack("!HH", packet[pos:pos + 4])
    return ident, flags, labels, qtype, pos + 4


def encode_name(name):
    out = b""
    for label in name.split("."):
        out += bytes([len(label)]) + label.encode("ascii")
    return out + b"\0"


def response(packet, question, rcode, rtype=None, rdata=b""):
    ident, flags, _, _, end = question
    answers = 1 if rtype is not None else 0
    head = struct.pack("!HHHHHH", ident, 0x8000 | 0x0400 | (flags & 0x0100) | 0x0080 | rcode, 1, answers, 0, 0)
    body = packet[12:end]
    if answers:
        body += b"\xc0\x0c" + struct.pack("!HHIH", rtype, CLASS_IN, 60, len(rdata)) + rdata
    return head + body


def plan(packet, ptr_delay):
    """(delay seconds, reply bytes or None for silence)."""
    q = parse_question(packet)
    if q is None:
        return 0, None
    labels, qtype = q[2], q[3]
    if len(labels) >= 3 and labels[-1] == "test" and labels[-2].isdigit():
        delay = int(labels[-2]) / 1000.0
        answer = labels[-3]
        if answer == "silent":
            return 0, None
        if answer == "nx":
            return delay, response(packet, q, 3)
        try:
            address = socket.inet_aton(answer.replace("-", "."))
        except OSError:
            return 0, response(packet, q, 3)
        if qtype == TYPE_A:
            return delay, response(packet, q, 0, TYPE_A, address)
        return delay, response(packet, q, 0)
    if qtype == TYPE_PTR and len(labels) == 6 and labels[-2:] == ["in-addr", "arpa"] and labels[3] == "127":
        name = "ptr-" + "-".join(reversed(labels[:4])) + ".test"
        return ptr_delay / 1000.0, response(packet, q, 0, TYPE_PTR, encode_name(name))
    return 0, response(packet, q, 3)


def main():
    address = sys.argv[1]
    ptr_delay = 0
    if "--ptr-delay" in sys.argv:
        ptr_delay = int(sys.argv[sys.argv.index("--ptr-delay") + 1])
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((address, 53))
    print("PORT 53", flush=True)
    due = []  # (time, sequence, reply, peer)
    sequence = 0
    while True:
        wait = max(0.0, due[0][0] - time.monotonic()) if due else None
        readable, _, _ = select.select([sock], [], [], wait)
        if readable:
            packet, peer = sock.recvfrom(4096)
            delay, reply = plan(packet, ptr_delay)
            if reply is not None:
                sequence += 1
                heapq.heappush(due, (time.monotonic() + delay, sequence, reply, peer))
        now = time.monotonic()
        while due and due[0][0] <= now:
            _, _, reply, peer = heapq.heappop(due)
            sock.sendto(reply, peer)


if __name__ == "__main__":
    main()
