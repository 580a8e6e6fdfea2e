"""Answers ICMP echo requests the hard way, for the echo adapter's matching tests.

Runs inside a test network namespace whose kernel does not answer echoes itself. For each
request it first sends a reply with another identifier and one with another sequence
number, both at once, and the true reply only after a delay. A prober that matched
replies loosely would take a decoy and report a short round trip.
With --from ADDRESS it answers with the request's own identifier and sequence number,
but from ADDRESS (another address of its host) instead of the asked one, and nothing else.
Usage: decoy_echo.py DELAY_MS | decoy_echo.py --from ADDRESS
"""
import socket
import struct
import sys
import time

from echo_packet import reply


def main():
    impostor = sys.argv[1] == "--from"
    delay = 0 if impostor else int(sys.argv[1]) / 1000.0
    sock = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    # A bound raw socket would only see requests to its own address: one socket listens,
    # the other speaks from the other address.
    speaker = sock
    if impostor:
        speaker = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
        speaker.bind((sys.argv[2], 0))
    print("ready", flush=True)
    while True:
        packet, (sender, _) = sock.recvfrom(65535)
        ihl = (packet[0] & 0x0F) * 4
        icmp = packet[ihl:]
        if len(icmp) < 8 or icmp[0] != 8:
            continue
        ident, seq = struct.unpack("!HH", icmp[4:8])
        payload = icmp[8:]
        if impostor:
            speaker.sendto(reply(ident, seq, payload), (sender, 0))
            continue
        sock.sendto(reply(ident ^ 0x5A5A, seq, payload), (sender, 0))
        sock.sendto(reply(ident, (seq + 1) & 0xFFFF, payload), (sender, 0))
        time.sleep(delay)
        sock.sendto(reply(ident, seq, payload), (sender, 0))


if __name__ == "__main__":
    main()
