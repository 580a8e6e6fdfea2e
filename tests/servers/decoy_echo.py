"""Answers ICMP echo requests the hard way, for the echo adapter's matching tests.

Runs inside a test network namespace whose kernel does not answer echoes itself. For each
request it first sends a reply with another identifier and one with another sequence
number, both at once, and the true reply only after a delay. A prober that matched
replies loosely would take a decoy and report a short round trip.
Usage: decoy_echo.py DELAY_MS
"""
import socket
import struct
import sys
import time


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    s = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while s >> 16:
        s = (s & 0xFFFF) + (s >> 16)
    return (~s) & 0xFFFF


def reply(ident, seq, payload):
    head = struct.pack("!BBHHH", 0, 0, 0, ident, seq)
    return struct.pack("!BBHHH", 0, 0, checksum(head + payload), ident, seq) + payload


def main():
    delay = int(sys.argv[1]) / 1000.0
    sock = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    print("ready", flush=True)
    while True:
        packet, (sender, _) = sock.recvfrom(65535)
        ihl = (packet[0] & 0x0F) * 4
        icmp = packet[ihl:]
        if len(icmp) < 8 or icmp[0] != 8:
            continue
        ident, seq = struct.unpack("!HH", icmp[4:8])
        payload = icmp[8:]
        sock.sendto(reply(ident ^ 0x5A5A, seq, payload), (sender, 0))
        sock.sendto(reply(ident, (seq + 1) & 0xFFFF, payload), (sender, 0))
        time.sleep(delay)
        sock.sendto(reply(ident, seq, payload), (sender, 0))


if __name__ == "__main__":
    main()
