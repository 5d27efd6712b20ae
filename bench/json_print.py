#!/usr/bin/env python3
"""The label server's JSON interface and print queue under load, measured
from outside:

  - POST /api/v1/render of a PNG from 16 clients at once, requests a second
    and p99, against XML-RPC labels.render_label of the same label at the
    same resolution from 16 clients, in the same run (floor: 0.8 × as many
    requests a second);
  - 10,000 jobs waiting in the queue (their printer down): the server's
    memory with 10,000 against with 1,000 (floor: 1.2 ×), and jobs queued
    a second.

    json_print.py SERVER"""

import base64
import http.client
import json
import os
import socket
import statistics
import sys
import threading
import time
import xmlrpc.client

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
import peer  # noqa: E402

BIN = sys.argv[1]
CLIENTS = 16
SECONDS = 8
failures = 0
work = peer.temp_dir("vellumo-bench-json-")
AUTH = "Basic " + base64.b64encode(b"u:p").decode()


def report(name, value, unit, floor=None, at_least=True):
    global failures
    print("bench %s: %.2f %s" % (name, value, unit), flush=True)
    if floor is not None:
        ok = value >= floor if at_least else value <= floor
        failures += not ok
        print("bench %s-%s-%g: %s" % (name, "at-least" if at_least else "within", floor, "yes" if ok else "no"),
              flush=True)


def load(s, one_call):
    """Requests a second and p99 (ms) of CLIENTS clients calling for SECONDS."""
    times = []
    lock = threading.Lock()
    end = time.monotonic() + SECONDS

    def client():
        call = one_call()
        mine = []
        while time.monotonic() < end:
            a = time.monotonic()
            call()
            mine.append(time.monotonic() - a)
        with lock:
            times.extend(mine)

    threads = [threading.Thread(target=client) for _ in range(CLIENTS)]
    start = time.monotonic()
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    elapsed = time.monotonic() - start
    times.sort()
    return len(times) / elapsed, 1000 * times[min(len(times) - 1, int(len(times) * 0.99))]


def json_png(s):
    def make():
        c = http.client.HTTPConnection(s.addr[0], s.addr[1], timeout=120)
        body = json.dumps({"label": "Ценник", "format": "png", "dpi": 203,
                           "variables": {"name": "Молоко 3,2 %"}}).encode()

        def call():
            c.request("POST", "/api/v1/render", body=body,
                      headers={"Authorization": AUTH, "Content-Type": "application/json"})
            r = c.getresponse()
            data = r.read()
            assert r.status == 200 and data[:4] == b"\x89PNG", (r.status, data[:200])
        return call
    return make


def xmlrpc_jpeg(s):
    def make():
        p = s.proxy(120)

        def call():
            r = p.labels.render_label(peer.CRED, {"name": "Ценник", "xresolution": 203, "yresolution": 203,
                                                  "variables": [{"name": "name", "value": "Молоко 3,2 %"}]})
            assert r["image"].data[:2] == b"\xff\xd8"
        return call
    return make


TAG = peer.label("Ценник", [peer.element("text", 8, 8, 150, 20, "${name}"),
                            peer.element("text", 8, 40, 150, 14, "89,90 ₽"),
                            peer.element("barcode", 8, 60, 150, 60, "4006381333931")],
                 width=166.0, height=130.0)

with peer.Server(BIN) as s:
    assert s.proxy().labels.save_label(peer.CRED, TAG)
    json_png(s)()()
    xmlrpc_jpeg(s)()()
    rps_xml, p99_xml = load(s, xmlrpc_jpeg(s))
    rps_json, p99_json = load(s, json_png(s))
    report("json-render-png-requests", rps_json, "requests/s")
    report("json-render-png-p99", p99_json, "ms")
    report("xmlrpc-render-label-requests", rps_xml, "requests/s")
    report("xmlrpc-render-label-p99", p99_xml, "ms")
    report("json-vs-xmlrpc-render", rps_json / rps_xml, "ratio", 0.8)

# The queue: a printer that is down for the whole run keeps every job
# waiting behind its first.
down = socket.socket()
down.bind(("127.0.0.1", 0))
port = down.getsockname()[1]
down.close()
printers = os.path.join(work, "printers.conf")
with open(printers, "w") as f:
    f.write("[Склад]\naddress = socket://127.0.0.1:%d\nlanguage = zpl\nretry-every = 3600\n" % port)
with peer.Server(BIN, args=["--printers", printers]) as s:
    assert s.proxy().labels.save_label(peer.CRED, TAG)
    c = http.client.HTTPConnection(s.addr[0], s.addr[1], timeout=120)

    def queue(n):
        for i in range(n):
            body = json.dumps({"label": "Ценник", "printer": "Склад", "variables": {"name": "№%d" % i}}).encode()
            c.request("POST", "/api/v1/print", body=body,
                      headers={"Authorization": AUTH, "Content-Type": "application/json"})
            r = c.getresponse()
            r.read()
            assert r.status == 202, r.status

    start = time.monotonic()
    queue(1000)
    rate = 1000 / (time.monotonic() - start)
    at_1000 = s.status("VmRSS")
    queue(9000)
    at_10000 = s.status("VmRSS")
    c.request("GET", "/api/v1/jobs/10000", headers={"Authorization": AUTH})
    r = c.getresponse()
    job = json.loads(r.read())
    assert job["state"] == "queued", job
    report("print-queue-jobs-per-second", rate, "jobs/s")
    report("print-queue-memory-1000", at_1000 / (1 << 20), "MiB")
    report("print-queue-memory-10000", at_10000 / (1 << 20), "MiB")
    report("print-queue-memory-10000-vs-1000", at_10000 / at_1000, "ratio", 1.2, at_least=False)
sys.exit(1 if failures else 0)
