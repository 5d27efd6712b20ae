# Printing from the server: jobs over JSON and XML-RPC to fake thermal
# printers on loopback sockets — printed in order, the same key never
# printed twice, retried while the printer is down and failed past its
# retry time, and a server killed while a printer was taking a job leaves
# it "unknown whether printed", never printed again.  With a database
# (second argument), two servers on it share one queue.
#
#     print_queue.py SERVER_BIN [CONNINFO]
import base64
import json
import os
import re
import signal
import socket
import subprocess
import sys
import threading
import time
import xmlrpc.client

import peer

BIN = sys.argv[1]
DATABASE = sys.argv[2] if len(sys.argv) > 2 else None
work = peer.temp_dir("vellumo-print-")
users = os.path.join(work, "users")
with open(users, "w") as f:
    f.write("anna:secret\n")
AUTH = "Basic " + base64.b64encode(b"anna:secret").decode()
CRED = {"user": "anna", "passwd": "secret"}


class Printer:
    """A thermal printer on a loopback port: one job per connection, kept
    whole; a stalling one reads up to the first label's end and then
    nothing more."""

    def __init__(self, stall=False, port=0):
        self.stall = stall
        self.jobs = []
        self.lock = threading.Lock()
        self.sock = socket.socket()
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.1", port))
        self.sock.listen(16)
        self.port = self.sock.getsockname()[1]
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                c, _ = self.sock.accept()
            except OSError:
                return
            threading.Thread(target=self._take, args=(c,), daemon=True).start()

    def _take(self, c):
        data = b""
        with self.lock:
            self.jobs.append(data)
            i = len(self.jobs) - 1
        while True:
            chunk = c.recv(65536)
            if not chunk:
                break
            data += chunk
            with self.lock:
                self.jobs[i] = data
            if self.stall and b"^XZ" in data:
                time.sleep(120)
                break
        c.close()

    def copies(self):
        """The ^PQ of each job's first label, in the order jobs came."""
        with self.lock:
            return [int(m.group(1)) if (m := re.search(rb"\^PQ(\d+)", j)) else None for j in self.jobs]

    def labels(self):
        with self.lock:
            return [j.count(b"^XZ") for j in self.jobs]


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def call(s, method, path, body=None):
    status, data, _ = peer.http_call(s.addr, method, path, body, {"Authorization": AUTH}, timeout=60)
    return status, json.loads(data) if data else None


def wait_for(s, job, states, seconds=60):
    end = time.monotonic() + seconds
    while True:
        status, j = call(s, "GET", "/api/v1/jobs/%s" % job)
        assert status == 200, (status, j)
        if j["state"] in states:
            return j
        assert time.monotonic() < end, (job, j, s.log()[-3000:])
        time.sleep(0.1)


def printers_file(entries):
    path = os.path.join(work, "printers-%d.conf" % len(os.listdir(work)))
    with open(path, "w") as f:
        f.write("# the tests' printers\n")
        for name, port, extra in entries:
            f.write("[%s]\naddress = socket://127.0.0.1:%d\nlanguage = zpl\ndpi = 203\n%s\n" % (name, port, extra))
    return path


# CUPS as the server sees it: lp, which keeps what it is given (or says
# the scheduler is not there while lp-down exists).
LP_DIR = os.path.join(work, "lp")
os.makedirs(os.path.join(work, "bin"))
os.makedirs(LP_DIR)
with open(os.path.join(work, "bin", "lp"), "w") as f:
    f.write("""#!/bin/sh
n=$(ls "$LP_DIR" | wc -l)
cat > "$LP_DIR/$n.pdf"
if [ -e "$LP_DIR.down" ]; then echo "lp: Error - scheduler not responding" >&2; exit 1; fi
printf '%s\\n' "$@" > "$LP_DIR/$n.args"
echo "request id is $2-$n (1 file(s))"
""")
os.chmod(os.path.join(work, "bin", "lp"), 0o755)
LP_ENV = {"PATH": os.path.join(work, "bin") + ":" + os.environ["PATH"], "LP_DIR": LP_DIR}


def server(store, printers, lease=3):
    return peer.Server(BIN, store=store, args=["--users", users, "--printers", printers, "--print-lease", str(lease)],
                       env=LP_ENV)


TAG = peer.label("Ценник", [peer.element("text", 8, 8, 120, 20, "${name}")], width=144.0, height=72.0)


def print_job(s, printer, copies, **more):
    body = {"label": "Ценник", "printer": printer, "copies": copies, "variables": {"name": "№%d" % copies}}
    body.update(more)
    return call(s, "POST", "/api/v1/print", body)


if DATABASE:
    # Two servers on one database, one printer: every job printed once, in
    # the order the jobs came, whichever server took it.
    fast, stalled = Printer(), Printer(stall=True)
    conf = printers_file([("Общий", fast.port, ""), ("Медленный", stalled.port, "")])
    args = ["--users", users, "--printers", conf, "--print-lease", "3"]
    with peer.Server(BIN, store=DATABASE, args=args) as a, peer.Server(BIN, store=DATABASE, args=args) as b:
        assert a.proxy().labels.save_label(CRED, TAG)
        jobs = []
        for i in range(1, 21):
            status, j = print_job(a if i % 2 else b, "Общий", i)
            assert status == 202, (status, j)
            jobs.append(j["job"])
        for i, job in enumerate(jobs):
            j = wait_for(a if i % 2 else b, job, ("done", "failed"))
            assert j["state"] == "done" and j["printed"] == i + 1, j
        assert fast.copies() == list(range(1, 21)), fast.copies()
        # The same key through the other server is the same job.
        status, first = print_job(a, "Общий", 5, key="заказ-77")
        status2, again = print_job(b, "Общий", 5, key="заказ-77")
        assert status == status2 == 202 and first["job"] == again["job"], (first, again)
        wait_for(b, first["job"], ("done",))
        time.sleep(1.5)
        assert fast.copies().count(5) == 2, fast.copies()  # the earlier run's and this one

        # The server printing a job is killed while the printer takes it: the
        # other one, once the lease is over, fails it as unknown and never
        # sends it again.
        status, slow = call(a, "POST", "/api/v1/print", {"label": "Ценник", "printer": "Медленный", "copies": 8,
                                                         "rows": [{"name": str(i)} for i in range(50)]})
        assert status == 202, slow
        end = time.monotonic() + 30
        while not stalled.jobs or b"^XZ" not in stalled.jobs[0]:
            assert time.monotonic() < end, a.log()[-2000:] + b.log()[-2000:]
            time.sleep(0.05)
        holder, other = (a, b) if "на «Медленный»: печать" in a.log() else (b, a)
        holder.stop(signal.SIGKILL)
        j = wait_for(other, slow["job"], ("done", "failed"), 30)
        assert j["state"] == "failed" and "неизвестно" in j["error"], j
        time.sleep(1.5)
        assert stalled.copies() == [8], stalled.copies()
    print("two servers on one database: 21 jobs, each printed once, in order; a killed one's job not again")
    sys.exit(0)

store = os.path.join(work, "store")
fast, stalled = Printer(), Printer(stall=True)
late_port, dead_port = free_port(), free_port()
conf = printers_file([("Быстрый", fast.port, ""), ("Поздний", late_port, "retry-every = 1\nretry-for = 120"),
                      ("Мёртвый", dead_port, "retry-every = 1\nretry-for = 2"), ("Медленный", stalled.port, "")])
with open(conf, "a") as f:
    f.write("[Офис]  # a CUPS queue\ncups = office_laser\nretry-every = 1\n")

with server(store, conf) as s:
    p = s.proxy(60)
    assert p.labels.save_label(CRED, TAG)
    assert "print" in p.labels.server_info(CRED)["features"]
    status, listed = call(s, "GET", "/api/v1/printers")
    assert status == 200 and [x["name"] for x in listed] == ["Быстрый", "Поздний", "Мёртвый", "Медленный", "Офис"], listed
    assert listed[0] == {"name": "Быстрый", "kind": "thermal", "language": "zpl", "dpi": 203}, listed

    # In order, each once; rows and copies counted as labels.
    ids = []
    for copies in (1, 2, 3):
        status, j = print_job(s, "Быстрый", copies)
        assert status == 202 and j["state"] == "queued" and j["labels"] == copies, (status, j)
        ids.append(j["job"])
    status, j = call(s, "POST", "/api/v1/print", {"label": "Ценник", "printer": "Быстрый",
                                                  "rows": [{"name": "А"}, {"name": "Б"}], "copies": 2})
    assert status == 202 and j["labels"] == 4, j
    ids.append(j["job"])
    for job in ids:
        assert wait_for(s, job, ("done", "failed"))["state"] == "done"
    assert fast.copies() == [1, 2, 3, 2], fast.copies()
    assert fast.labels()[3] == 2, fast.labels()

    # A key again: the same job, printed once; the key for something else: refused.
    status, a = print_job(s, "Быстрый", 4, key="k-1")
    status2, b = print_job(s, "Быстрый", 4, key="k-1")
    assert status == status2 == 202 and a["job"] == b["job"], (a, b)
    status, c = print_job(s, "Быстрый", 5, key="k-1")
    assert status == 409 and c["error"]["code"] == "key_taken", (status, c)
    wait_for(s, a["job"], ("done",))
    time.sleep(1.5)
    assert fast.copies().count(4) == 1, fast.copies()

    # XML-RPC says the same.
    x = p.labels.print(CRED, {"name": "Ценник", "printer": "Быстрый", "copies": 6})
    assert p.labels.job_state(CRED, {"job": x["job"]})["state"] in ("queued", "printing", "done"), x
    wait_for(s, x["job"], ("done",))
    assert p.labels.list_printers(CRED)[3]["name"] == "Медленный"

    # What is refused before anything is queued.
    for body, code, status in (
            ({"label": "Ценник", "printer": "Нет такого"}, "no_printer", 404),
            ({"label": "Нет такой", "printer": "Быстрый"}, "not_found", 404),
            ({"label": "Ценник", "printer": "Быстрый", "copies": 0}, "bad_request", 400),
            ({"label": "Ценник", "printer": "Быстрый", "copies": 1.5}, "bad_request", 400),
            ({"label": "Ценник", "printer": "Быстрый", "rows": [{}] * 10001}, "batch_too_large", 413),
            ({"label": "Ценник", "printer": "Быстрый", "variables": {}, "rows": []}, "bad_request", 400),
            ({"label": "Ценник", "printer": "Быстрый", "key": ""}, "bad_request", 400),
            ({"label": "Ценник", "printer": "Быстрый", "rows": []}, "bad_request", 400),
            ({"label": "Ценник", "printer": "Быстрый", "rows": [{}] * 5000, "copies": 3}, "batch_too_large", 413),
            ({"label": "Ценник", "printer": "Быстрый", "lang": "x"}, "bad_request", 400),
            ([1, 2], "bad_json", 400)):
        got = call(s, "POST", "/api/v1/print", body)
        assert got[0] == status and got[1]["error"]["code"] == code, (body if len(str(body)) < 200 else "rows", got)
    for job in ("999999999", "abc", "-1", "1e3", "%00", "9" * 40):
        got = call(s, "GET", "/api/v1/jobs/" + job)
        assert got[0] == 404 and got[1]["error"]["code"] == "not_found", (job, got)
    assert call(s, "GET", "/api/v1/print")[0] == 405

    # Down, then up: tried again until it prints; down for good: failed with the reason.
    status, late = print_job(s, "Поздний", 1)
    status, dead = print_job(s, "Мёртвый", 1)
    time.sleep(1.5)
    j = wait_for(s, late["job"], ("queued",))
    assert "недоступен" in j.get("error", ""), j
    up = Printer(port=late_port)
    assert wait_for(s, late["job"], ("done", "failed"))["state"] == "done"
    assert up.copies() == [1], up.copies()
    j = wait_for(s, dead["job"], ("done", "failed"))
    assert j["state"] == "failed" and "недоступен" in j["error"] and j["printed"] == 0, j

    # Killed while the printer takes a job; the one behind it waits.
    status, first = call(s, "POST", "/api/v1/print", {"label": "Ценник", "printer": "Медленный", "copies": 8,
                                                      "rows": [{"name": str(i)} for i in range(50)]})
    status, second = print_job(s, "Медленный", 9)
    end = time.monotonic() + 30
    while not stalled.jobs or b"^XZ" not in stalled.jobs[0]:
        assert time.monotonic() < end, s.log()[-2000:]
        time.sleep(0.05)
    s.stop(signal.SIGKILL)

with server(store, conf) as s:
    j = wait_for(s, first["job"], ("done", "failed"))
    assert j["state"] == "failed" and "неизвестно" in j["error"], j
    # The next job goes on; the killed one never comes again.
    wait_for(s, second["job"], ("printing", "done", "failed"))
    time.sleep(1)
    assert stalled.copies().count(8) == 1, stalled.copies()

    # A CUPS queue gets the PDF through lp; while CUPS is not there, tried again.
    open(LP_DIR + ".down", "w").close()
    status, office = print_job(s, "Офис", 2)
    assert status == 202, office
    time.sleep(1.5)
    j = wait_for(s, office["job"], ("queued", "failed"))
    assert j["state"] == "queued" and "scheduler not responding" in j["error"], j
    os.unlink(LP_DIR + ".down")
    assert wait_for(s, office["job"], ("done", "failed"))["state"] == "done"
    args = [f for f in sorted(os.listdir(LP_DIR)) if f.endswith(".args")]
    assert len(args) == 1, os.listdir(LP_DIR)
    with open(os.path.join(LP_DIR, args[0])) as f:
        assert f.read().split("\n")[:3] == ["-d", "office_laser", "-t"]
    info = subprocess.run(["pdfinfo", os.path.join(LP_DIR, args[0][:-5] + ".pdf")], capture_output=True, text=True)
    assert re.search(r"Pages:\s+2\b", info.stdout), info.stdout
    # Jobs of before are still there.
    assert call(s, "GET", "/api/v1/jobs/%s" % ids[0])[1]["state"] == "done"
print("print queue: order, keys, retries, a killed server")
