#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Small misbehaving peers for the test network.

Each argument is ROLE:ADDRESS:PORT and one process serves them all. ADDRESS
may be a block A.B.C.D-E (last octet D to E), one listener per address:
  accept   TCP: accepts and closes at once (a port that is simply open)
  tarpit   TCP: accepts and never sends a byte
  trickle  TCP: answers an HTTP request with a 200 whose body arrives
           one byte every half second, forever
  http-entity
           TCP: a 60 KB XHTML page whose title is 10,000 references to an
           internal entity of 30,000 characters (300 million once expanded)
  http-chunked
           TCP: a chunked 200 announcing a chunk of FFFFFFFFFFFF bytes, then
           as many bytes as the rate allows
  http-gzip
           TCP: a gzip-encoded 200 of 162 KB that inflates to 164 MB of zeros
  http-endless-line, http-endless-headers
           TCP: a status line followed by one header line that never ends,
           or by short header lines that never end
  nbns-oversized, nbns-truncated, nbns-short, nbns-badid
           UDP 137: answers a node status query with a datagram that is
           respectively 65507 bytes long, cut inside its name table,
           shorter than any valid answer, or tagged with a wrong id
  nbns-ctrl
           UDP 137: names holding ESC sequences, DEL and a CR LF that starts
           a line of its own
  nbns-unitid
           UDP 137: a well-formed answer whose unit id (02:5E:BB:00:02:NN)
           is not the MAC address the host answers ARP with
  nbns-spoof
           UDP 137, on a block: addresses pair up (the first with the
           second, the third with the fourth...). The first of a pair
           answers for itself; a query to the second is answered first by
           the first, from its own address and with its own names, and then
           by the second with its names
  snmp-evil
           UDP 161: answers any GET with a sysName that holds a CR LF
           followed by a forged host line, ESC sequences, C1 and invalid
           UTF-8; 1,052 bytes long on even last octets, short on odd ones
  snmp-slow
           UDP 161: answers any GET with the sysName "slow-snmp", but only
           SNMP_SLOW_S after the request came (a busy agent)

Everything is bounded: held connections are capped and recycled oldest
first, a streaming answer ends after STREAM_MAX_S or STREAM_MAX_BYTES, the
answers of one role together leave at most STREAM_BYTES_PER_S, and UDP
replies are rate limited, so a runaway client cannot make the lab eat memory
or flood the bridge.
"""

import collections
import resource
import selectors
import socket
import struct
import sys
import time
import zlib

MAX_HELD = 256
HOLD_S = 600.0
TRICKLE_PERIOD_S = 0.5
# A scan asks every address of a block within a second or two, retries included.
UDP_REPLIES_PER_S = 1000
STREAM_MAX_S = 30.0
# A client that keeps up with a slower stream buffers nothing: the streams must be fast.
STREAM_MAX_BYTES = 1 << 30
STREAM_BYTES_PER_S = 1 << 30
SEND_BLOCK = 256 << 10
TICK_S = 0.05
SNMP_SLOW_S = 1.5
SLOW_SYSNAME = b"slow-snmp"
# Answers of the slow agent waiting for their time; more are dropped.
MAX_DELAYED = 256

TCP_ROLES = ("accept", "tarpit", "trickle", "http-entity", "http-chunked", "http-gzip",
             "http-endless-line", "http-endless-headers")
STREAMING = ("http-entity", "http-chunked", "http-gzip", "http-endless-line",
             "http-endless-headers")


def nb_entry(name, suffix, group, codec="ascii"):
    raw = name if isinstance(name, bytes) else name.encode(codec)
    raw = raw[:15].ljust(15, b" ")
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


def nb_host(query, name, group, unit_id=b"\0" * 6):
    entries = [nb_entry(name, 0x00, False), nb_entry(name, 0x20, False),
               nb_entry(group, 0x00, True), nb_entry(group, 0x1E, True)]
    return nb_answer(query, entries, stats=unit_id + b"\0" * 40)


# Written into the names: clears the screen, retitles the terminal, rings, and
# starts a line that reads like a host of its own (not at the start, where a trim
# would take the line break away).
CTRL_NAME = b"\x1b]0;pwn\x07\x1b[2J\x7f"
CTRL_GROUP = b"G\r\nalive | 6.6."


def nbns_reply(mode, query, addr):
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
    last = int(addr.rsplit(".", 1)[1])
    if mode == "ctrl":
        return nb_host(query, CTRL_NAME, CTRL_GROUP)
    if mode == "unitid":
        return nb_host(query, "UNIT%03d" % last, "UNITGRP",
                       unit_id=bytes([0x02, 0x5E, 0xBB, 0x00, 0x02, last]))
    raise ValueError(mode)


def spoof_names(last, first_of_pair):
    return ("SPOOF%03d" % last, "SPOOFGRP") if first_of_pair else ("VICTIM%03d" % last, "VICTIMGRP")


# ---------------------------------------------------------------- SNMP

def ber(tag, content):
    n = len(content)
    if n < 0x80:
        size = bytes([n])
    elif n < 0x100:
        size = b"\x81" + bytes([n])
    else:
        size = b"\x82" + struct.pack(">H", n)
    return bytes([tag]) + size + content


def ber_read(buf, pos):
    """(tag, content, end) of the element at pos; ValueError when it does not fit."""
    if pos + 2 > len(buf):
        raise ValueError("short")
    tag, size = buf[pos], buf[pos + 1]
    pos += 2
    if size & 0x80:
        n = size & 0x7F
        if n == 0 or n > 3 or pos + n > len(buf):
            raise ValueError("length")
        size = int.from_bytes(buf[pos:pos + n], "big")
        pos += n
    if pos + size > len(buf):
        raise ValueError("overrun")
    return tag, buf[pos:pos + size], pos + size


SYSNAME_OID = bytes([0x2B, 6, 1, 2, 1, 1, 5, 0])  # 1.3.6.1.2.1.1.5.0
EVIL_SYSNAME = (b"evil\r\nalive | injected-host | 6.6.6.6 | x"
                b"\x1b]0;owned\x07\x1b[2J\x1b[31m\x01\x7f\xc2\x9b\xff")
EVIL_SYSNAME_LONG = EVIL_SYSNAME + b"N" * (1052 - len(EVIL_SYSNAME))


def snmp_reply(query, addr, value=None):
    tag, msg, _ = ber_read(query, 0)
    if tag != 0x30:
        raise ValueError("not a message")
    _, version, pos = ber_read(msg, 0)
    _, community, pos = ber_read(msg, pos)
    pdu_tag, pdu, _ = ber_read(msg, pos)
    if pdu_tag not in (0xA0, 0xA1):
        raise ValueError("not a GET")
    _, reqid, _ = ber_read(pdu, 0)
    if value is None:
        value = EVIL_SYSNAME_LONG if int(addr.rsplit(".", 1)[1]) % 2 == 0 else EVIL_SYSNAME
    binding = ber(0x30, ber(0x06, SYSNAME_OID) + ber(0x04, value))
    answer = ber(0xA2, ber(0x02, reqid) + ber(0x02, b"\0") + ber(0x02, b"\0") + ber(0x30, binding))
    return ber(0x30, ber(0x02, version) + ber(0x04, community) + answer)


# ---------------------------------------------------------------- HTTP answers

def entity_page():
    refs = "&e;" * 10000
    return ('<!DOCTYPE html [<!ENTITY e "%s">]>\n'
            '<html xmlns="http://www.w3.org/1999/xhtml"><head><title>%s</title></head>'
            '<body><p>Lab page.</p></body></html>\n' % ("W" * 30000, refs)).encode()


def gzip_zeros(total, block=1 << 20):
    """A gzip stream of total zero bytes, made from one deflated block repeated: a full flush
    leaves the compressor as it started, so every block of zeros comes out the same."""
    deflate = zlib.compressobj(9, zlib.DEFLATED, -15)
    zeros = bytes(block)
    first = deflate.compress(zeros) + deflate.flush(zlib.Z_FULL_FLUSH)
    again = deflate.compress(zeros) + deflate.flush(zlib.Z_FULL_FLUSH)
    if first != again:
        raise RuntimeError("deflate blocks differ")
    count, rest = divmod(total, block)
    crc = 0
    for _ in range(count):
        crc = zlib.crc32(zeros, crc)
    crc = zlib.crc32(bytes(rest), crc)
    body = first * count + deflate.compress(bytes(rest)) + deflate.flush()
    return b"\x1f\x8b\x08\0\0\0\0\0\x02\xff" + body + struct.pack("<II", crc, total & 0xFFFFFFFF)


_cache = {}


def cached(key, make):
    if key not in _cache:
        _cache[key] = make()
    return _cache[key]


def http_answer(role):
    """The bytes of an answer, as an iterator of blocks; endless ones are cut by the caps."""
    if role == "http-entity":
        page = cached("entity", entity_page)
        yield (b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
               b"Content-Length: %d\r\n\r\n" % len(page)) + page
    elif role == "http-gzip":
        body = cached("gzip", lambda: gzip_zeros(164 * 1000 * 1000))
        yield (b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n"
               b"Connection: close\r\nContent-Length: %d\r\n\r\n" % len(body)) + body
    elif role == "http-chunked":
        yield (b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n"
               b"FFFFFFFFFFFF\r\n<html><head><title>")
        block = cached("W", lambda: b"W" * SEND_BLOCK)
        while True:
            yield block
    elif role == "http-endless-line":
        yield b"HTTP/1.1 200 OK\r\nX-Endless: "
        block = cached("a", lambda: b"a" * SEND_BLOCK)
        while True:
            yield block
    elif role == "http-endless-headers":
        yield b"HTTP/1.1 200 OK\r\n"
        block = cached("hdr", lambda: b"X-Short: 1\r\n" * (SEND_BLOCK // 12))
        while True:
            yield block
    else:
        raise ValueError(role)


# ---------------------------------------------------------------- the loop

def expand(addr):
    """A.B.C.D or A.B.C.D-E: the addresses of the block."""
    if "-" not in addr:
        return [addr]
    first, last = addr.split("-", 1)
    net, start = first.rsplit(".", 1)
    return ["%s.%d" % (net, i) for i in range(int(start), int(last) + 1)]


class Conn:
    __slots__ = ("sock", "role", "since", "next_trickle", "answered", "source", "pending",
                 "sent", "events")

    def __init__(self, sock, role, now):
        self.sock = sock
        self.role = role
        self.since = now
        self.next_trickle = now
        self.answered = False
        self.source = None  # iterator of answer blocks still to send
        self.pending = b""  # part of a block the socket did not take yet
        self.sent = 0
        self.events = 0


class Peer:
    def __init__(self):
        self.sel = selectors.DefaultSelector()
        self.held = collections.OrderedDict()  # sock -> Conn, oldest first
        self.udp = {}  # (address, port) -> socket, for answers sent from a neighbour
        self.udp_budget = UDP_REPLIES_PER_S
        self.udp_refill = time.monotonic()
        # Bytes each role may still send in this tick: one class of peer cannot starve another.
        self.stream_budget = collections.defaultdict(lambda: STREAM_BYTES_PER_S * TICK_S)
        self.stream_refill = time.monotonic()
        self.throttled = set()
        self.last_tick = 0.0
        self.delayed = collections.deque()  # (due, sock, data, peer), due times in order

    def add(self, spec):
        role, addr, port = spec.rsplit(":", 2)
        port = int(port)
        block = expand(addr)
        for i, one in enumerate(block):
            if role.startswith("nbns-") or role in ("snmp-evil", "snmp-slow"):
                s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                s.bind((one, port))
                s.setblocking(False)
                self.udp[(one, port)] = s
                # For nbns-spoof: the address whose socket answers first, and whether this
                # address is the first of its pair.
                pair = block[i - 1] if i % 2 else None
                self.sel.register(s, selectors.EVENT_READ, ("udp", (role, one, port, pair)))
            elif role in TCP_ROLES:
                s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
                s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                s.bind((one, port))
                s.listen(64)
                s.setblocking(False)
                self.sel.register(s, selectors.EVENT_READ, ("listen", role))
            else:
                raise SystemExit("unknown role: " + spec)

    def drop(self, sock):
        self.held.pop(sock, None)
        self.throttled.discard(sock)
        try:
            self.sel.unregister(sock)
        except (KeyError, ValueError):
            pass
        sock.close()

    def watch(self, c, events):
        if events == c.events:
            return
        if c.events == 0:
            self.sel.register(c.sock, events, ("conn", None))
        elif events == 0:
            self.sel.unregister(c.sock)
        else:
            self.sel.modify(c.sock, events, ("conn", None))
        c.events = events

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
        c = Conn(conn, role, time.monotonic())
        self.held[conn] = c
        # A tarpit never reads either, so the client's request sits unread.
        if role != "tarpit":
            self.watch(c, selectors.EVENT_READ)

    def on_conn(self, sock, mask):
        c = self.held.get(sock)
        if c is None:
            return
        if mask & selectors.EVENT_READ:
            try:
                data = sock.recv(4096)
            except BlockingIOError:
                data = None
            except OSError:
                data = b""
            if data == b"":
                self.drop(sock)
                return
            if data and not c.answered:
                c.answered = True
                if c.role == "trickle":
                    c.source = iter([b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                     b"Content-Length: 100000000\r\n\r\n<html><head><title>"])
                else:
                    c.source = http_answer(c.role)
                self.pump(c)
                return
        if mask & selectors.EVENT_WRITE:
            self.pump(c)

    def pump(self, c):
        """Sends what the socket takes, within the caps; at most a few blocks per call."""
        for _ in range(8):
            if not c.pending:
                if c.source is None:
                    break
                if c.sent >= STREAM_MAX_BYTES:
                    self.drop(c.sock)
                    return
                block = next(c.source, None)
                if block is None:
                    # All sent: the client reads to the end and closes; so do we then. The
                    # trickle goes on from tick().
                    c.source = None
                    if c.role != "trickle":
                        try:
                            c.sock.shutdown(socket.SHUT_WR)
                        except OSError:
                            pass
                    break
                c.pending = memoryview(block)[:STREAM_MAX_BYTES - c.sent]
            allowed = min(len(c.pending), int(self.stream_budget[c.role]))
            if allowed <= 0:
                self.throttled.add(c.sock)
                self.watch(c, selectors.EVENT_READ)
                return
            try:
                n = c.sock.send(c.pending[:allowed])
            except BlockingIOError:
                n = 0
            except OSError:
                self.drop(c.sock)
                return
            c.sent += n
            self.stream_budget[c.role] -= n
            c.pending = c.pending[n:]
            if n < allowed:
                break
        busy = bool(c.pending) or c.source is not None
        self.watch(c, selectors.EVENT_READ | (selectors.EVENT_WRITE if busy else 0))

    def on_udp(self, sock, arg):
        role, addr, port, pair = arg
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
        replies = []
        try:
            if role == "snmp-evil":
                replies.append((sock, snmp_reply(query, addr)))
            elif role == "snmp-slow":
                if len(self.delayed) < MAX_DELAYED:
                    self.delayed.append((now + SNMP_SLOW_S, sock,
                                         snmp_reply(query, addr, SLOW_SYSNAME), peer))
                return
            elif role == "nbns-spoof":
                last = int(addr.rsplit(".", 1)[1])
                if pair is not None:
                    other = self.udp.get((pair, port))
                    name, group = spoof_names(last - 1, True)
                    if other is not None:
                        replies.append((other, nb_host(query, name, group)))
                replies.append((sock, nb_host(query, *spoof_names(last, pair is None))))
            else:
                replies.append((sock, nbns_reply(role[5:], query, addr)))
        except ValueError:
            return
        for out, data in replies:
            try:
                out.sendto(data, peer)
            except OSError:
                pass

    def tick(self):
        now = time.monotonic()
        while self.delayed and self.delayed[0][0] <= now:
            _, sock, data, peer = self.delayed.popleft()
            try:
                sock.sendto(data, peer)
            except OSError:
                pass
        if now - self.last_tick < TICK_S:
            return
        self.last_tick = now
        for role, budget in self.stream_budget.items():
            self.stream_budget[role] = min(STREAM_BYTES_PER_S * TICK_S,
                                           budget + (now - self.stream_refill) * STREAM_BYTES_PER_S)
        self.stream_refill = now
        for sock in list(self.throttled):
            self.throttled.discard(sock)
            c = self.held.get(sock)
            if c is not None:
                self.watch(c, selectors.EVENT_READ | selectors.EVENT_WRITE)
        for sock, c in list(self.held.items()):
            limit = STREAM_MAX_S if c.role in STREAMING else HOLD_S
            if now - c.since > limit:
                self.drop(sock)
            elif c.role == "trickle" and c.answered and c.source is None and not c.pending \
                    and now >= c.next_trickle:
                c.next_trickle = now + TRICKLE_PERIOD_S
                try:
                    sock.send(b"x")
                except OSError:
                    self.drop(sock)

    def run(self):
        while True:
            wait = TICK_S
            if self.delayed:
                wait = max(0.0, min(wait, self.delayed[0][0] - time.monotonic()))
            for key, mask in self.sel.select(timeout=wait):
                kind, arg = key.data
                if kind == "listen":
                    self.on_accept(key.fileobj, arg)
                elif kind == "conn":
                    self.on_conn(key.fileobj, mask)
                else:
                    self.on_udp(key.fileobj, arg)
            self.tick()


def main(argv):
    if len(argv) < 2:
        raise SystemExit(__doc__)
    # A block of addresses with several ports each, plus the held connections.
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    want = 4096 if hard == resource.RLIM_INFINITY else min(hard, 4096)
    if soft < want:
        resource.setrlimit(resource.RLIMIT_NOFILE, (want, hard))
    peer = Peer()
    for spec in argv[1:]:
        peer.add(spec)
    # Made before the first client comes, so that no answer waits for it.
    if any(spec.startswith("http-gzip:") for spec in argv[1:]):
        cached("gzip", lambda: gzip_zeros(164 * 1000 * 1000))
    sys.stdout.write("listening: %s\n" % " ".join(argv[1:]))
    sys.stdout.flush()
    peer.run()


if __name__ == "__main__":
    main(sys.argv)
