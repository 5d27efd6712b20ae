# SIGTERM during a render: its Ghostscript is killed, the call gets fault 7
# and the server exits cleanly.
import os
import shutil
import signal
import sys
import threading
import time
import xmlrpc.client

import peer

BIN = sys.argv[1]
jobs = peer.temp_dir("vellumo-jobs-")


def ghostscripts():
    found = []
    for pid in os.listdir("/proc"):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if jobs.encode() in f.read():
                    found.append(pid)
        except OSError:
            pass
    return found


with peer.Server(BIN, env={"TMPDIR": jobs}) as s:
    p = s.proxy(300)
    loop = peer.eps("0 setgray 0 0 100 50 rectfill {} loop")
    p.labels.save_label(peer.CRED, peer.label("loops", [peer.element("drawing", 10, 10, 50 + i, 25, loop)
                                                      for i in range(10)], width=400, height=200))
    result = []

    def render():
        try:
            s.proxy(300).labels.render_label(peer.CRED, {"name": "loops", "xresolution": 72, "yresolution": 72})
            result.append("image")
        except xmlrpc.client.Fault as f:
            result.append((f.faultCode, f.faultString))
        except OSError as e:
            result.append(str(e))

    def document():
        try:
            s.proxy(300).labels.render_document(peer.CRED, {"name": "loops", "format": "pdf", "resolution": 72})
            result.append("document")
        except xmlrpc.client.Fault as f:
            result.append((f.faultCode, f.faultString))
        except OSError as e:
            result.append(str(e))

    t = threading.Thread(target=render)
    t.start()
    d = threading.Thread(target=document)
    d.start()
    # Both calls are in Ghostscript (each runs one at a time).
    for _ in range(3000):
        if len(ghostscripts()) >= 2:
            break
        time.sleep(0.01)
    assert len(ghostscripts()) >= 2, "the calls never both started Ghostscript"
    # An idle kept-alive connection does not hold the server either.
    idle = peer.connect(s.addr)
    seconds, code = s.stop(signal.SIGTERM, timeout=60)
    t.join()
    d.join()
    assert code == 0, code
    # Neither a picture nor a document with holes in it.
    assert sorted(result) == [(7, "Документ не построен: сервер останавливается"),
                              (7, "Изображение не построено: сервер останавливается")], result
    assert not ghostscripts()
    log = s.log()
    assert "остановка по SIGTERM" in log and "сервер остановлен" in log, log
    idle.close()
shutil.rmtree(jobs)
