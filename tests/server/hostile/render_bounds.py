# Renders are bounded across calls: each takes the memory it draws into from
# the server's budget before it draws, so big ones wait for each other (or
# get the busy fault) while small ones go on; a render stops when its client
# leaves or its call's time is over, its Ghostscript killed.
import os
import socket
import sys
import threading
import time
import xmlrpc.client

import peer

BIN = sys.argv[1]
jobs = peer.temp_dir("vellumo-jobs-")


def gs_children(server):
    """The Ghostscript processes the server runs now."""
    pids = set()
    try:
        for task in os.listdir("/proc/%d/task" % server.proc.pid):
            with open("/proc/%d/task/%s/children" % (server.proc.pid, task)) as f:
                pids.update(f.read().split())
    except OSError:
        pass
    return pids


def wait_until(what, seconds=60):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if what():
            return True
        time.sleep(0.05)
    return what()


def fault_of(call):
    try:
        call()
    except xmlrpc.client.Fault as f:
        return f.faultCode, f.faultString
    return None


def big_label(name, n):
    # 500 × 500 pt at 300 dpi: a page of 4.3 megapixels and a picture as
    # large, about 86 MB held in all; each picture its own, so that none
    # comes from the picture cache.
    picture = peer.eps("%% %s %d\n0 0 1 setrgbcolor 0 0 100 50 rectfill" % (name, n))
    return peer.label(name, [peer.element("drawing", 0, 0, 500, 500, picture)], width=500, height=500)


def raw_call(addr, method, params):
    body = xmlrpc.client.dumps(params, method).encode()
    c = peer.connect(addr, timeout=60)
    c.sendall(peer.request_bytes(body))
    return c


rows = [[{"name": "code", "value": "R%05d" % i}] for i in range(10000)]
batch_label = peer.label("партия", [peer.element("barcode", 10, 10, 180, 60, "${code}"),
                                    peer.element("text", 10, 75, 180, 20, "Строка ${code}")],
                         width=200.0, height=100.0)

# Four big renders at once in a budget of 64 MiB: one after the other, never
# two Ghostscripts at once; a small render is answered meanwhile.
with peer.Server(BIN, args=["--request-memory", "64"], env={"TMPDIR": jobs}) as s:
    p = s.proxy(300)
    for i in range(4):
        p.labels.save_label(peer.CRED, big_label("большая %d" % i, i))
    p.labels.save_label(peer.CRED, peer.label("малая", [peer.element("text", 5, 5, 90, 20, "мало")], 100, 50))
    most = [0]
    seen_gs = threading.Event()
    stop = threading.Event()

    def watch():
        while not stop.is_set():
            n = len(gs_children(s))
            most[0] = max(most[0], n)
            if n:
                seen_gs.set()
            time.sleep(0.002)

    answers = {}

    def render(i):
        try:
            a = s.proxy(300).labels.render_label(peer.CRED, {"name": "большая %d" % i, "xresolution": 300,
                                                             "yresolution": 300})
            answers[i] = "image" if a["image"].data[:2] == b"\xff\xd8" else "?"
        except xmlrpc.client.Fault as f:
            answers[i] = (f.faultCode, f.faultString)

    w = threading.Thread(target=watch)
    w.start()
    threads = [threading.Thread(target=render, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    assert seen_gs.wait(120), "no Ghostscript ran"
    small = p.labels.render_label(peer.CRED, {"name": "малая", "xresolution": 300, "yresolution": 300})
    finished_when_small = len(answers)
    for t in threads:
        t.join()
    stop.set()
    w.join()
    assert small["image"].data[:2] == b"\xff\xd8"
    assert answers == {i: "image" for i in range(4)}, answers
    assert most[0] == 1, "%d Ghostscripts at once: the renders did not wait for memory" % most[0]
    assert finished_when_small < 4, "the small render waited behind the big ones"

# The budget held by a large request: a big render waits for its call's
# time, then gets fault 12; a small one goes on.
with peer.Server(BIN, args=["--request-memory", "16", "--call-timeout", "2"], env={"TMPDIR": jobs}) as s:
    p = s.proxy(300)
    p.labels.save_label(peer.CRED, big_label("большая", 9))
    p.labels.save_label(peer.CRED, peer.label("малая", [peer.element("text", 5, 5, 90, 20, "мало")], 100, 50))
    holder = peer.connect(s.addr, timeout=60)
    holder.sendall(b"POST /RPC2 HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nExpect: 100-continue\r\n"
                   b"Content-Length: %d\r\n\r\n" % (4 << 20))
    assert holder.recv(100).startswith(b"HTTP/1.1 100 Continue")
    code, text = fault_of(lambda: p.labels.render_label(peer.CRED, {"name": "большая", "xresolution": 300,
                                                                    "yresolution": 300}))
    assert code == 12 and "сервер занят" in text and "2 с" in text, (code, text)
    assert p.labels.render_label(peer.CRED, {"name": "малая", "xresolution": 300,
                                             "yresolution": 300})["image"].data[:2] == b"\xff\xd8"
    holder.close()
    # Once the memory is free the big one is drawn.
    assert wait_until(lambda: fault_of(lambda: p.labels.render_label(
        peer.CRED, {"name": "большая", "xresolution": 300, "yresolution": 300})) is None, 60)

# A document past the call's time stops with fault 14.
with peer.Server(BIN, args=["--call-timeout", "2"]) as s:
    p = s.proxy(300)
    p.labels.save_label(peer.CRED, batch_label)
    code, text = fault_of(lambda: p.labels.render_document(peer.CRED, {"name": "партия", "format": "pdf",
                                                                       "rows": rows}))
    assert code == 14 and "--call-timeout" in text and "Документ не построен" in text, (code, text)

# Clients that leave: their renders stop, Ghostscript included, and the
# server serves on.
with peer.Server(BIN, env={"TMPDIR": jobs}) as s:
    p = s.proxy(300)
    p.labels.save_label(peer.CRED, batch_label)
    loop = peer.eps("0 setgray 0 0 100 50 rectfill {} loop")
    p.labels.save_label(peer.CRED, peer.label("петли", [peer.element("drawing", 10, 10, 50 + i, 25, loop)
                                                       for i in range(10)], width=400, height=200))

    c = raw_call(s.addr, "labels.render_document", (peer.CRED, {"name": "партия", "format": "pdf", "rows": rows}))
    time.sleep(1)
    c.close()
    assert wait_until(lambda: "клиент закрыл соединение" in s.log()), s.log()[-2000:]

    c = raw_call(s.addr, "labels.render_label", (peer.CRED, {"name": "петли", "xresolution": 72, "yresolution": 72}))
    assert wait_until(lambda: gs_children(s), 30), "Ghostscript never started"
    c.close()
    assert wait_until(lambda: s.log().count("клиент закрыл соединение") == 2), s.log()[-2000:]
    # Nothing of it runs on: no Ghostscript now, none started since (each
    # of its ten pictures would take 2 s).
    after, end = set(), time.monotonic() + 3
    while time.monotonic() < end:
        after |= gs_children(s)
        time.sleep(0.01)
    assert not after, "Ghostscript of a client that left still runs: %s" % after

    small = p.labels.render_document(peer.CRED, {"name": "партия", "format": "pdf", "rows": rows[:3]})
    assert small.data[:5] == b"%PDF-"
print("ok")
