"""ICMP echo replies as the test responders build them (decoy_echo.py, delayed_echo.py)."""
import struct


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
