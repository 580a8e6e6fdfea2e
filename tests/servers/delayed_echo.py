"""Answers ICMP echo requests after a delay of its own for each address asked.

Runs inside a test network namespace whose kernel does not answer echoes itself. Every
request is answered from the address it was sent to, after that address's delay
(ADDRESS=MS arguments; any other address after DEFAULT_MS, or never when it is "none"),
each on its own schedule, so many requests in flight at once are answered side by side, as
real hosts would. It prints "ready" once it listens.
Usage: delayed_echo.py DEFAULT_MS|none [ADDRESS=MS ...]
"""
import heapq
import select
import socket
import struct
import sys
import time

from echo_packet import reply


def main():
    default = None if sys.argv[1] == "none" else int(sys.argv[1]) / 1000.0
    delays = {}
    for arg in sys.argv[2:]:
        address, ms = arg.split("=")
        delays[address] = int(ms) / 1000.0
    listener = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    speakers = {}
    due = []  # (time, order, destination, sender, packet)
    order = 0
    print("ready", flush=True)
    while True:
        wait = max(0.0, due[0][0] - time.monotonic()) if due else None
        ready, _, _ = select.select([listener], [], [], wait)
        if ready:
            packet, (sender, _) = listener.recvfrom(65535)
            ihl = (packet[0] & 0x0F) * 4
            icmp = packet[ihl:]
            if len(icmp) >= 8 and icmp[0] == 8:
                destination = socket.inet_ntoa(packet[16:20])
                delay = delays.get(destination, default)
                if delay is not None:
                    ident, seq = struct.unpack("!HH", icmp[4:8])
                    order += 1
                    heapq.heappush(due, (time.monotonic() + delay, order, destination, sender,
                                         reply(ident, seq, icmp[8:])))
        now = time.monotonic()
        while due and due[0][0] <= now:
            _, _, destination, sender, answer = heapq.heappop(due)
            if destination not in speakers:
                s = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
                s.bind((destination, 0))
                speakers[destination] = s
            speakers[destination].sendto(answer, (sender, 0))


if __name__ == "__main__":
    main()
