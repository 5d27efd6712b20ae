#!/usr/bin/env python3
"""vellumo-server under hostile clients and heavy load, measured from the
outside: memory of large requests, slow connections, huge structs, render
amplification, a large store, log flooding, password timing, big EPS
pictures, shutdown, many worst-case renders at once and clients that leave
their renders.  Prints `bench <name>: <value> <unit>` lines and,
for each, whether it is within its target.

    server_hostile.py SERVER [SECTION...] [--old]

--old: the server predates the limits (no --render-budget; memory capped by
killing it at 10 GiB)."""

import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import threading
import time
import xmlrpc.client

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
import peer  # noqa: E402

MIB = 1 << 20
failures = 0


def report(name, value, unit, limit=None, fmt="%.2f"):
    global failures
    print(("bench %s: " + fmt + " %s") % (name, value, unit), flush=True)
    if limit is not None:
        ok = value <= limit
        failures += not ok
        print("bench %s-within-%g: %s" % (name, limit, "yes" if ok else "no"), flush=True)


def list_call():
    return peer.call_xml("labels.list_labels", peer.cred_xml())


# ------------------------------------------------------------ 1 memory

def body_of(shape, size):
    head = b"<?xml version='1.0'?><methodCall><methodName>labels.list_labels</methodName><params><param><value>"
    tail = b"</value></param></params></methodCall>"
    room = size - len(head) - len(tail)
    if shape == "values":  # an array of empty values
        return head + b"<array><data>" + b"<value/>" * ((room - 40) // 8) + b"</data></array>" + tail
    if shape == "string":  # one string
        return head + b"<string>" + b"a" * (room - 17) + b"</string>" + tail
    if shape == "mixed":  # as many values as allowed, the rest a string
        values = b"<value><array><data>" + b"<value/>" * 999000 + b"</data></array></value>"
        pre = b"<array><data>" + values + b"<value><string>"
        post = b"</string></value></data></array>"
        return head + pre + b"a" * (room - len(pre) - len(post)) + post + tail
    if shape == "structs":  # structs of 10,000 members
        member = b"<member><name>k%05d</name><value/></member>"
        one = b"<value><struct>" + b"".join(member % i for i in range(10000)) + b"</struct></value>"
        n = room // len(one)
        return head + b"<array><data>" + one * (n - 1) + b"</data></array>" + tail
    if shape == "smallstructs":  # values in one-member structs
        one = b"<value><struct><member><name>k</name><value/></member></struct></value>"
        n = min((room - 40) // len(one), 333000)
        pre = b"<array><data>" + one * n + b"<value><string>"
        post = b"</string></value></data></array>"
        return head + pre + b"a" * (room - len(pre) - len(post)) + post + tail
    if shape == "structs100":  # structs of 100 members
        member = b"<member><name>k%03d</name><value/></member>"
        one = b"<value><struct>" + b"".join(member % i for i in range(100)) + b"</struct></value>"
        pre = b"<array><data>" + one * 4970 + b"<value><string>"
        post = b"</string></value></data></array>"
        return head + pre + b"a" * (room - len(pre) - len(post)) + post + tail
    if shape == "base64":  # one picture's worth
        return head + b"<base64>" + b"QUJD" * ((room - 17) // 4) + b"</base64>" + tail
    raise ValueError(shape)


def memory(binary, old):
    shapes = ["string", "values", "mixed", "structs", "smallstructs", "structs100", "base64"] if not old else ["string"]
    worst = 0
    for shape in shapes:
        data = body_of(shape, 127 * MIB)
        with peer.Server(binary) as s:
            time.sleep(0.3)
            base = s.status("VmRSS")
            watch = peer.PeakWatch(s, cap=10 << 30)
            start = time.monotonic()
            answers = [None] * 8

            def one(i):
                try:
                    answers[i] = peer.post(s.addr, data, timeout=600)[0]
                except OSError as e:
                    answers[i] = str(e)

            threads = [threading.Thread(target=one, args=(i,)) for i in range(8)]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
            seconds = time.monotonic() - start
            time.sleep(0.5)
            after = s.status("VmRSS") if s.proc.poll() is None else 0
            peak = watch.done()
        report("memory-8x127MiB-%s-peak" % shape, peak / MIB, "MiB", 1024, "%.0f")
        report("memory-8x127MiB-%s-after" % shape, after / MIB, "MiB", None, "%.0f")
        print("bench memory-8x127MiB-%s-seconds: %.1f s (answers %s, idle %d MiB)"
              % (shape, seconds, answers, base // MIB), flush=True)
        worst = max(worst, peak)
    if old:
        data = body_of("values", 127 * MIB)
        with peer.Server(binary) as s:
            watch = peer.PeakWatch(s, cap=10 << 30)
            try:
                peer.post(s.addr, data, timeout=600)
            except OSError:
                pass
            time.sleep(0.5)
            after = s.status("VmRSS") if s.proc.poll() is None else 0
            report("memory-1x127MiB-values-peak", watch.done() / MIB, "MiB", None, "%.0f")
            report("memory-1x127MiB-values-after", after / MIB, "MiB", None, "%.0f")


# ------------------------------------------------------------ 2 slow connections

def slowloris(binary, old):
    for spread in (False, True):
        with peer.Server(binary) as s:
            stop = threading.Event()
            socks = []
            for i in range(32):
                source = "127.0.0.%d" % (10 + i) if spread else "127.0.0.2"
                try:
                    c = peer.connect(s.addr, source=source)
                    c.sendall(b"POST /RPC2 HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nContent-Length: 1000\r\n\r\n")
                    socks.append(c)
                except OSError:
                    pass

            def trickle():
                while not stop.wait(5):
                    for c in socks:
                        try:
                            c.send(b" ")
                        except OSError:
                            pass

            t = threading.Thread(target=trickle, daemon=True)
            t.start()
            time.sleep(1)
            start = time.monotonic()
            try:
                peer.post(s.addr, list_call(), timeout=60)
                seconds = time.monotonic() - start
            except OSError:
                seconds = float("inf")
            stop.set()
            for c in socks:
                c.close()
        name = "normal-call-during-32-slow-connections-" + ("from-32-addresses" if spread else "from-one-address")
        report(name, seconds, "s", 2.0)


# ------------------------------------------------------------ 3 structs, multicall

def structs(binary, old):
    member = b"<member><name>k%06d</name><value/></member>"
    body = peer.call_xml("labels.list_labels",
                         "<param><value><struct>" + "".join(
                             (member % i).decode() for i in range(320000)) + "</struct></value></param>")
    with peer.Server(binary) as s:
        start = time.monotonic()
        status, _, answer = peer.post(s.addr, body, timeout=600)
        report("struct-320000-members-answer", time.monotonic() - start, "s", 1.0)
        print("bench struct-320000-members-fault: %s" % (peer.fault_of(answer),), flush=True)
    hashed = subprocess.run([binary, "--hash-password", "anna"], input=b"secret\n", capture_output=True).stdout
    users = _users(binary, hashed.decode())
    calls = [{"methodName": "labels.server_info", "params": [{"user": "anna", "passwd": "wrong%d" % i}]}
             for i in range(100)]
    with peer.Server(binary, args=["--users", users]) as s:
        start = time.monotonic()
        try:
            s.proxy(600).system.multicall(calls)
        except xmlrpc.client.Fault:
            pass
        report("multicall-100-wrong-passwords", time.monotonic() - start, "s", 1.0)
    os.unlink(users)


# ------------------------------------------------------------ 4 rendering

def render(binary, old):
    with peer.Server(binary) as s:
        p = s.proxy(600)
        n = 100000
        text = "".join("${v%d}" % i for i in range(n))
        p.labels.save_label(peer.CRED, peer.label("vars", [peer.element("text", 10, 10, 100, 20, text)]))
        variables = [{"name": "v%d" % i, "value": "x"} for i in range(n)]
        start = time.monotonic()
        answer = p.labels.render_label(peer.CRED, {"name": "vars", "xresolution": 72, "yresolution": 72,
                                                   "variables": variables})
        report("render-100000-references-100000-variables", time.monotonic() - start, "s", 2.0)
        print("bench render-100000-references-log: %d bytes" % len(answer["log"].encode()), flush=True)

        text = "${big}" * 20000
        p.labels.save_label(peer.CRED, peer.label("amp", [peer.element("text", 10, 10, 100, 20, text)]))
        base = s.status("VmRSS")
        watch = peer.PeakWatch(s)
        start = time.monotonic()
        answer = p.labels.render_label(peer.CRED, {"name": "amp", "xresolution": 72, "yresolution": 72,
                                                   "variables": [{"name": "big", "value": "y" * 2048}]})
        seconds = time.monotonic() - start
        report("render-20000-references-to-2KB-added-memory", (watch.done() - base) / MIB, "MiB", 256, "%.0f")
        report("render-20000-references-to-2KB-log", len(answer["log"].encode()) / MIB, "MiB", 1.01)
        print("bench render-20000-references-to-2KB-seconds: %.1f s" % seconds, flush=True)

        loop = peer.eps("0 setgray 0 0 100 50 rectfill {} loop")
        n = 20
        p.labels.save_label(peer.CRED, peer.label("loops", [peer.element("drawing", 10, 10, 50 + i, 25, loop)
                                                          for i in range(n)], width=400, height=200))
        start = time.monotonic()
        try:
            p.labels.render_label(peer.CRED, {"name": "loops", "xresolution": 72, "yresolution": 72})
            result = "image"
        except xmlrpc.client.Fault as f:
            result = "fault %d" % f.faultCode
        report("render-%d-looping-eps" % n, time.monotonic() - start, "s", 31.0)
        print("bench render-%d-looping-eps-result: %s" % (n, result), flush=True)


# ------------------------------------------------------------ 5 a large store

def store(binary, old, megabytes=800):
    folder = os.path.join(os.path.dirname(os.path.abspath(binary)), "hostile-store")
    shutil.rmtree(folder, ignore_errors=True)
    picture = peer.eps("0 setgray 0 0 100 50 rectfill\n%" + "x" * (4 * MIB))
    per_file = 4 * MIB * 4 // 3
    with peer.Server(binary, store=folder) as s:
        p = s.proxy(600)
        for i in range(megabytes * MIB // per_file):
            p.labels.save_label(peer.CRED, peer.label("big %03d" % i, [peer.element("drawing", 0, 0, 10, 10,
                                                                                    picture)]))
        p.labels.save_label(peer.CRED, peer.label("small", [peer.element("text", 0, 0, 10, 10, "x")]))
    size = sum(os.path.getsize(os.path.join(folder, f)) for f in os.listdir(folder))
    print("bench store-size: %.0f MB in %d files" % (size / 1e6, len(os.listdir(folder))), flush=True)
    with peer.Server(binary, store=folder) as s:
        p, q = s.proxy(600), s.proxy(600)
        loaded = []

        def load_meanwhile():
            time.sleep(0.2)
            start = time.monotonic()
            q.labels.load_label(peer.CRED, {"name": "small"})
            loaded.append(time.monotonic() - start)

        t = threading.Thread(target=load_meanwhile)
        start = time.monotonic()
        t.start()
        names = p.labels.list_labels(peer.CRED)
        first = time.monotonic() - start
        t.join()
        start = time.monotonic()
        p.labels.list_labels(peer.CRED)
        second = time.monotonic() - start
        time.sleep(0.5)
        rss = s.status("VmRSS")
        report("list-labels-first-after-start", first, "s", None)
        report("list-labels-again", second, "s", 0.5)
        report("load-label-during-first-listing", loaded[0], "s", 1.0)
        report("memory-after-listing", rss / MIB, "MiB", 128, "%.0f")
        print("bench list-labels-count: %d" % len(names), flush=True)
    shutil.rmtree(folder, ignore_errors=True)


# ------------------------------------------------------------ 7 log, 8 timing

def log_flood(binary, old):
    with peer.Server(binary, args=["--users", _users(binary, "anna:secret\n")]) as s:
        before = len(s.log().encode())
        name = "x" * (100 * MIB) + "\n2030-01-01 00:00:00 forged"
        body = peer.call_xml("labels.list_labels",
                             "<param><value><struct><member><name>user</name><value>%s</value></member>"
                             "<member><name>passwd</name><value>p</value></member></struct></value></param>" % name)
        peer.post(s.addr, body.replace(b"\n2030", b"&#10;2030"), timeout=600)
        time.sleep(0.2)
        log = s.log()
        report("log-growth-for-100MiB-name", (len(log.encode()) - before), "bytes", 2048, "%.0f")
        print("bench log-forged-line: %s" % ("yes" if "\n2030-01-01" in log else "no"), flush=True)
    # "Not found" loads as fast as one kept-alive connection goes, the same
    # name and a new name each time.
    for kind in ("same", "new"):
        with peer.Server(binary) as s:
            p = s.proxy(60)
            before = len(s.log().encode())
            calls, start = 0, time.monotonic()
            while time.monotonic() - start < 5:
                try:
                    p.labels.load_label(peer.CRED, {"name": "Прайс" if kind == "same" else "Прайс %d" % calls})
                except xmlrpc.client.Fault:
                    pass
                calls += 1
            seconds = time.monotonic() - start
            grown = len(s.log().encode()) - before
        report("log-growth-not-found-%s-name" % kind, grown / seconds / 1024, "KiB/s", 32)
        print("bench log-growth-not-found-%s-name-calls: %.0f calls/s" % (kind, calls / seconds), flush=True)


def _users(binary, text):
    path = os.path.join(os.path.dirname(os.path.abspath(binary)), "hostile-users")
    with open(path, "w") as f:
        f.write(text)
    return path


def timing(binary, old):
    with peer.Server(binary, args=["--users", _users(binary, "boris:plain-password\n")]) as s:
        def median(user):
            t = []
            for i in range(15):
                body = peer.call_xml("labels.server_info",
                                     "<param><value><struct><member><name>user</name><value>%s</value></member>"
                                     "<member><name>passwd</name><value>wrong%d</value></member></struct></value>"
                                     "</param>" % (user, i))
                start = time.monotonic()
                peer.post(s.addr, body)
                t.append(time.monotonic() - start)
            return statistics.median(t) * 1000

        plain, unknown = median("boris"), median("nobody")
        report("wrong-password-plain-user", plain, "ms")
        report("wrong-password-unknown-user", unknown, "ms")
        report("wrong-password-unknown-vs-plain", unknown / plain, "ratio", 1.5)


# ------------------------------------------------------------ 9, 10 big pictures

def big_picture(binary, old):
    jobs = os.path.join(os.path.dirname(os.path.abspath(binary)), "hostile-tmp")
    shutil.rmtree(jobs, ignore_errors=True)
    os.makedirs(jobs)
    with peer.Server(binary, env={"TMPDIR": jobs}) as s:
        p = s.proxy(600)
        square = peer.eps("0 setgray 0 0 100 50 rectfill")
        p.labels.save_label(peer.CRED, peer.label("big", [peer.element("drawing", 0, 0, 600, 250, square)],
                                                  width=600, height=250))
        start = time.monotonic()
        answer = p.labels.render_label(peer.CRED, {"name": "big", "xresolution": 1200, "yresolution": 1200})
        seconds = time.monotonic() - start
        drawn = "не нарисован" not in answer["log"]
        print("bench eps-41.7-megapixels-drawn: %s (%.1f s)%s" % ("yes" if drawn else "no", seconds,
              "" if drawn else " — " + answer["log"].splitlines()[-1]), flush=True)

        # 100 megapixels of noise: Ghostscript's band files, deleted while
        # open, show only as space taken on the file system.
        rng = __import__("random").Random(1)
        noise = "\n".join("%.3f setgray %d %d %d %d rectfill" % (rng.random(), rng.randrange(600), rng.randrange(600),
                                                                 rng.randrange(1, 20), rng.randrange(1, 20))
                          for _ in range(20000))
        p.labels.save_label(peer.CRED, peer.label("noise", [peer.element("drawing", 0, 0, 600, 600,
                                                                         peer.eps(noise, (0, 0, 600, 600)))],
                                                    width=600, height=600))
        stat = os.statvfs(jobs)
        free_before = stat.f_bavail * stat.f_frsize
        lowest = [free_before]
        stop = threading.Event()

        def watch():
            while not stop.is_set():
                st = os.statvfs(jobs)
                lowest[0] = min(lowest[0], st.f_bavail * st.f_frsize)
                time.sleep(0.005)

        t = threading.Thread(target=watch)
        t.start()
        start = time.monotonic()
        answer = p.labels.render_label(peer.CRED, {"name": "noise", "xresolution": 1200, "yresolution": 1200})
        seconds = time.monotonic() - start
        stop.set()
        t.join()
        drawn = "не нарисован" not in answer["log"]
        print("bench eps-100-megapixels-noise: %s in %.1f s %s" % ("drawn" if drawn else "not drawn", seconds, "" if drawn else answer["log"].splitlines()[-1]),
              flush=True)
        report("eps-100-megapixels-temporary-space", (free_before - lowest[0]) / MIB, "MiB", 64, "%.0f")
    shutil.rmtree(jobs, ignore_errors=True)


# ------------------------------------------------------------ 12 renders at once

RENDER_CAP = 8 << 30  # the machine is shared: a server past this is killed


def _worst_label(p):
    # 599 × 599 pt at 1200 dpi: 9983 × 9983 pixels, 99.7 megapixels.
    p.labels.save_label(peer.CRED, peer.label("worst", [peer.element("text", 10, 10, 200, 20, "x")],
                                              width=599, height=599))


def renders(binary, old):
    cases = [("render_label", 16), ("render_label", 64), ("render_document", 16)]
    for method, n in cases:
        with peer.Server(binary) as s:
            _worst_label(s.proxy(600))
            time.sleep(0.3)
            idle = s.status("VmRSS")
            params = {"name": "worst", "xresolution": 1200, "yresolution": 1200} if method == "render_label" \
                else {"name": "worst", "format": "png", "resolution": 1200}
            body = xmlrpc.client.dumps((peer.CRED, params), "labels." + method).encode()
            watch = peer.PeakWatch(s, cap=RENDER_CAP)
            answers = {}
            lock = threading.Lock()

            def one(i):
                try:
                    status, _, answer = peer.post(s.addr, body, timeout=900, source="127.0.0.%d" % (10 + i % 16))
                    f = peer.fault_of(answer) if status == 200 else ("HTTP %d" % status, "")
                    key = "fault %s" % (f[0],) if f else "answered"
                except OSError as e:
                    key = type(e).__name__
                with lock:
                    answers[key] = answers.get(key, 0) + 1

            start = time.monotonic()
            threads = [threading.Thread(target=one, args=(i,)) for i in range(n)]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
            seconds = time.monotonic() - start
            peak = watch.done()
            killed = s.proc.poll() is not None
        name = "%s-%dx-99.7MP-at-once" % (method, n)
        report(name + "-peak", peak / MIB, "MiB", 1024, "%.0f")
        print("bench %s-seconds: %.1f s (answers %s, idle %d MiB%s)"
              % (name, seconds, answers, idle // MIB, ", killed at %d GiB" % (RENDER_CAP >> 30) if killed else ""),
              flush=True)


# ------------------------------------------------------------ 13 clients that leave

def _cpu_seconds(server):
    with open("/proc/%d/stat" % server.proc.pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def orphans(binary, old):
    with peer.Server(binary) as s:
        p = s.proxy(600)
        p.labels.save_label(peer.CRED, peer.label("qr", [peer.element("barcode", 10, 10, 80, 80, "${code}",
                                                                      style="QRCODE"),
                                                         peer.element("text", 100, 40, 90, 20, "${code}")],
                                                  width=200.0, height=100.0))
        rows = [[{"name": "code", "value": "https://example.com/item/%06d" % i}] for i in range(10000)]
        body = xmlrpc.client.dumps((peer.CRED, {"name": "qr", "format": "pdf", "rows": rows}),
                                   "labels.render_document").encode()
        socks = []
        for i in range(16):
            c = peer.connect(s.addr, source="127.0.0.%d" % (10 + i))
            c.sendall(peer.request_bytes(body))
            socks.append(c)
        time.sleep(2)
        for c in socks:
            c.close()
        time.sleep(1)
        before = _cpu_seconds(s)
        time.sleep(10)
        used = _cpu_seconds(s) - before
        report("cpu-seconds-in-10s-after-16-document-clients-left", used, "s", 1.0)
        # A large request (2 MiB) after them: answered at once, or after the
        # orphans' memory comes back.
        start = time.monotonic()
        try:
            status, _, answer = peer.post(s.addr, body_of("string", 2 * MIB), timeout=150)
            result = "HTTP %d %s" % (status, peer.fault_of(answer) if status == 200 else "")
        except OSError as e:
            result = str(e)
        report("large-request-after-16-orphans", time.monotonic() - start, "s", 5.0)
        print("bench large-request-after-16-orphans-answer: %s" % result[:120], flush=True)
        # A worst-case render after them, against whatever they still draw.
        _worst_label(p)
        start = time.monotonic()
        try:
            p.labels.render_label(peer.CRED, {"name": "worst", "xresolution": 1200, "yresolution": 1200})
            result = "image"
        except xmlrpc.client.Fault as f:
            result = "fault %d" % f.faultCode
        report("worst-render-after-16-orphans", time.monotonic() - start, "s", 10.0)
        print("bench worst-render-after-16-orphans-answer: %s" % result, flush=True)


# ------------------------------------------------------------ 11 shutdown

def shutdown(binary, old):
    with peer.Server(binary) as s:
        p = s.proxy(600)
        loop = peer.eps("0 setgray 0 0 100 50 rectfill {} loop")
        p.labels.save_label(peer.CRED, peer.label("loops", [peer.element("drawing", 10, 10, 50 + i, 25, loop)
                                                          for i in range(10)], width=400, height=200))
        result = []

        def render():
            try:
                p.labels.render_label(peer.CRED, {"name": "loops", "xresolution": 72, "yresolution": 72})
                result.append("image")
            except xmlrpc.client.Fault as f:
                result.append("fault %d: %s" % (f.faultCode, f.faultString))
            except OSError as e:
                result.append(str(e))

        t = threading.Thread(target=render)
        t.start()
        time.sleep(2)
        seconds, code = s.stop(signal.SIGTERM, timeout=60)
        t.join()
        report("exit-after-sigterm-during-render", seconds, "s", 3.0)
        print("bench exit-after-sigterm-render-answer: %s (exit %s)" % (result[0], code), flush=True)


SECTIONS = {"memory": memory, "slowloris": slowloris, "structs": structs, "render": render, "store": store,
            "log": log_flood, "timing": timing, "picture": big_picture, "shutdown": shutdown, "renders": renders,
            "orphans": orphans}


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    old = "--old" in sys.argv
    binary, wanted = args[0], args[1:] or list(SECTIONS)
    for name in wanted:
        SECTIONS[name](binary, old)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
