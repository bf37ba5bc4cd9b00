#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Small misbehaving peers for the test network.

Each argument is ROLE:ADDRESS:PORT and one process serves them all:
  accept   TCP: accepts and closes at once (a port that is simply open)
  tarpit   TCP: accepts and never sends a byte
  trickle  TCP: answers an HTTP request with a 200 whose body arrives
           one byte every half second, forever
  nbns-oversized, nbns-truncated, nbns-short, nbns-badid
           UDP 137: answers a node status query with a datagram that is
           respectively 65507 bytes long, cut inside its name table,
           shorter than any valid answer, or tagged with a wrong id

Everything is bounded: held connections are capped and recycled oldest
first, and UDP replies are rate limited, so a runaway client cannot make
the lab eat memory or flood the bridge.
"""

import collections
import selectors
import socket
import struct
import sys
import time

MAX_HELD = 256
HOLD_S = 600.0
TRICKLE_PERIOD_S = 0.5
UDP_REPLIES_PER_S = 200


def nb_entry(name, suffix, group, codec="ascii"):
    raw = name.encode(codec)[:15].ljust(15, b" ")
    flags = 0x0400 | (0x8000 if group else 0)  # ACT, plus G for groups
    return raw + bytes([suffix]) + struct.pack(">H", flags)


def nb_answer(query, entries, declared=None, stats=b"\0" * 46, xid=None):
    # The answer echoes the query's name so that real decoders, which do not
    # assume a 34-byte name, read it the same way as the scanner does.
    qname = query[12:46] if len(query) >= 50 else b"\x20" + b"CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA" + b"\0"
    xid_bytes = query[0:2] if xid is None else struct.pack("<H", xid)
    table = b"".join(entries)
    count = len(entries) if declared is None else declared
    rdata = bytes([count & 0xFF]) + table + stats
    head = xid_bytes + struct.pack(">HHHHH", 0x8400, 0, 1, 0, 0)
    return head + qname + struct.pack(">HHIH", 0x21, 1, 0, len(rdata) & 0xFFFF) + rdata


def nbns_reply(mode, query):
    if mode == "oversized":
        entries = [nb_entry("HUGE", 0x00, False), nb_entry("HUGE", 0x20, False),
                   nb_entry("HUGEGROUP", 0x1E, True)]
        entries += [nb_entry("FILLER%03d" % i, 0x03, False) for i in range(252)]
        stats = bytes([0x02, 0x5E, 0xEE, 0x00, 0x00, 0x16]) + b"\0" * 40
        pkt = nb_answer(query, entries, stats=stats)
        return pkt + b"\xAA" * (65507 - len(pkt))
    if mode == "truncated":
        # Three names announced, two and a half sent: the third entry is cut
        # and there is no room left for the statistics block.
        entries = [nb_entry("СЕРВЕР", 0x00, False, codec="cp866"),
                   nb_entry("TRUNCGRP", 0x00, True),
                   nb_entry("LOST", 0x1E, True)[:9]]
        return nb_answer(query, entries, declared=3, stats=b"")
    if mode == "short":
        return (query[0:2] if len(query) >= 2 else b"\0\0") + b"\x84\x00" + b"\xFF" * 52
    if mode == "badid":
        xid = struct.unpack("<H", query[0:2])[0] if len(query) >= 2 else 0
        return nb_answer(query, [nb_entry("BADID", 0x00, False), nb_entry("BADIDGRP", 0x1E, True)],
                         xid=(xid + 0x1111) & 0xFFFF)
    raise ValueError(mode)


class Peer:
    def __init__(self):
        self.sel = selectors.DefaultSelector()
        self.held = collections.OrderedDict()  # sock -> (role, since, next_trickle)
        self.udp_budget = UDP_REPLIES_PER_S
        self.udp_refill = time.monotonic()

    def add(self, spec):
        role, addr, port = spec.rsplit(":", 2)
        port = int(port)
        if role.startswith("nbns-"):
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.bind((addr, port))
            s.setblocking(False)
            self.sel.register(s, selectors.EVENT_READ, ("udp", role[5:]))
        elif role in ("accept", "tarpit", "trickle"):
            s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            s.bind((addr, port))
            s.listen(64)
            s.setblocking(False)
            self.sel.register(s, selectors.EVENT_READ, ("listen", role))
        else:
            raise SystemExit("unknown role: " + spec)

    def drop(self, sock):
        self.held.pop(sock, None)
        try:
            self.sel.unregister(sock)
        except (KeyError, ValueError):
            pass
        sock.close()

    def on_accept(self, lsock, role):
        try:
            conn, _ = lsock.accept()
        except OSError:
            return
        if role == "accept":
            conn.close()
            return
        while len(self.held) >= MAX_HELD:
            self.drop(next(iter(self.held)))
        conn.setblocking(False)
        now = time.monotonic()
        self.held[conn] = [role, now, now]
        # A tarpit never reads either, so the client's request sits unread.
        if role == "trickle":
            self.sel.register(conn, selectors.EVENT_READ, ("conn", role))

    def on_conn_readable(self, conn):
        state = self.held.get(conn)
        if state is None:
            return
        try:
            data = conn.recv(4096)
        except OSError:
            data = b""
        if not data:
            self.drop(conn)
            return
        if state[0] == "trickle" and len(state) == 3:
            head = (b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                    b"Content-Length: 100000000\r\n\r\n<html><head><title>")
            try:
                conn.send(head)
            except OSError:
                self.drop(conn)
                return
            state.append(True)  # answered; from now on only trickle bytes

    def on_udp(self, sock, mode):
        try:
            query, peer = sock.recvfrom(2048)
        except OSError:
            return
        now = time.monotonic()
        self.udp_budget = min(UDP_REPLIES_PER_S,
                              self.udp_budget + (now - self.udp_refill) * UDP_REPLIES_PER_S)
        self.udp_refill = now
        if self.udp_budget < 1:
            return
        self.udp_budget -= 1
        try:
            sock.sendto(nbns_reply(mode, query), peer)
        except OSError:
            pass

    def tick(self):
        now = time.monotonic()
        for conn, state in list(self.held.items()):
            if now - state[1] > HOLD_S:
                self.drop(conn)
            elif state[0] == "trickle" and len(state) == 4 and now >= state[2]:
                state[2] = now + TRICKLE_PERIOD_S
                try:
                    conn.send(b"x")
                except OSError:
                    self.drop(conn)

    def run(self):
        while True:
            for key, _ in self.sel.select(timeout=TRICKLE_PERIOD_S / 2):
                kind, arg = key.data
                if kind == "listen":
                    self.on_accept(key.fileobj, arg)
                elif kind == "conn":
                    self.on_conn_readable(key.fileobj)
                else:
                    self.on_udp(key.fileobj, arg)
            self.tick()


def main(argv):
    if len(argv) < 2:
        raise SystemExit(__doc__)
    peer = Peer()
    for spec in argv[1:]:
        peer.add(spec)
    sys.stdout.write("listening: %s\n" % " ".join(argv[1:]))
    sys.stdout.flush()
    peer.run()


if __name__ == "__main__":
    main(sys.argv)
