# Slow connections hold only themselves: requests have a deadline, one
# address has a bounded number of connections, and everyone else is served.
import socket
import sys
import threading
import time

import peer

BIN = sys.argv[1]
HEAD = b"POST /RPC2 HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nContent-Length: 1000\r\n\r\n"


def still_open(c):
    """Neither closed nor answered yet."""
    c.setblocking(False)
    try:
        c.recv(1)
        return False
    except BlockingIOError:
        return True
    except OSError:
        return False
    finally:
        c.setblocking(True)


# Slow connections are kept for a minute here, far longer than the calls
# below take: whatever answers arrive, arrive while all of them wait.
with peer.Server(BIN, args=["--request-timeout", "60"]) as s:
    slow = [peer.connect(s.addr, source="127.0.0.2") for i in range(32)]
    time.sleep(0.5)
    for c in slow[16:]:
        status, _, text, _ = peer.read_answer(c)
        assert status == 503 and "16" in text.decode(), (status, text)
        c.close()
    slow = slow[:16]
    for c in slow:
        c.sendall(HEAD + b"<")
    # Another address is served at once, and so is a call from the first
    # address once it has fewer connections.
    assert s.proxy(30).labels.list_labels(peer.CRED) == []
    assert all(still_open(c) for c in slow), "a slow connection was dropped early"
    slow.pop().close()
    time.sleep(0.2)
    status, _, body = peer.post(s.addr, peer.call_xml("labels.server_info", peer.cred_xml()), source="127.0.0.2")
    assert status == 200 and b"Vellumo" in body, (status, body[:200])
    # 32 slow connections from 32 addresses are all kept, and a normal call
    # still goes through.
    spread = []
    for i in range(32):
        c = peer.connect(s.addr, source="127.0.0.%d" % (10 + i))
        c.sendall(HEAD + b"<")
        spread.append(c)
    assert s.proxy(30).labels.list_labels(peer.CRED) == []
    assert all(still_open(c) for c in spread), "a slow connection from its own address was refused"
    assert "с этого адреса уже 16 соединений" in s.log(), s.log()
    for c in slow + spread:
        c.close()

# The whole request has a deadline, however often bytes arrive.
with peer.Server(BIN, args=["--request-timeout", "2"]) as s:
    def trickle(c, data):
        try:
            for b in data:
                c.send(bytes([b]))
                time.sleep(0.3)
        except OSError:
            pass

    body_trickle = peer.connect(s.addr)
    body_trickle.sendall(HEAD)
    head_trickle = peer.connect(s.addr)
    for c, data in ((body_trickle, b"<" * 1000), (head_trickle, HEAD)):
        threading.Thread(target=trickle, args=(c, data), daemon=True).start()
    for c in (body_trickle, head_trickle):
        status, _, text, _ = peer.read_answer(c, timeout=60)
        assert status == 408, (status, text)
        c.close()
    assert "не пришёл за отведённое время" in s.log(), s.log()

# Past the deadline a large body goes on at the minimum rate: 3 MiB at
# about 2 MiB/s takes longer than the second allowed, far less than the
# 1 + 3 s that 1 MiB/s allows.
with peer.Server(BIN, args=["--request-timeout", "1", "--min-rate", "1024"]) as s:
    head = b"<?xml version='1.0'?><methodCall><methodName>labels.list_labels</methodName><params><param><value><string>"
    tail = b"</string></value></param></params></methodCall>"
    body = head + b"a" * ((3 << 20) - len(head) - len(tail)) + tail
    c = peer.connect(s.addr)
    c.sendall(b"POST /RPC2 HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nContent-Length: %d\r\n\r\n" % len(body))
    start = time.monotonic()
    for at in range(0, len(body), 256 << 10):
        c.sendall(body[at:at + (256 << 10)])
        time.sleep(0.12)
    status, _, answer, _ = peer.read_answer(c, timeout=60)
    took = time.monotonic() - start
    assert status == 200 and peer.fault_of(answer)[0] == 5, (status, answer[:200])
    assert took > 1, "the body came faster than the test needs (%.2f s)" % took
    c.close()
