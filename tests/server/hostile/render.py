# A render costs what its label and variables are, within bounds: variables
# by name, texts and the log capped, a time budget for Ghostscript.
import os
import shutil
import sys
import time
import xmlrpc.client

import peer

BIN = sys.argv[1]
jobs = peer.temp_dir("vellumo-jobs-")

with peer.Server(BIN, args=["--render-budget", "1"], env={"TMPDIR": jobs}) as s:
    p = s.proxy(300)

    # 20,000 references to 20,000 variables.
    n = 20000
    text = "".join("${v%d}" % i for i in range(n))
    p.labels.save_label(peer.CRED, peer.label("vars", [peer.element("text", 10, 10, 180, 20, text)]))
    answer = p.labels.render_label(peer.CRED, {
        "name": "vars", "xresolution": 72, "yresolution": 72,
        "variables": [{"name": "v%d" % i, "value": "%d" % (i % 10)} for i in range(n)] + [{"name": "v0", "value": "не эта"}]})
    log = answer["log"]
    assert answer["image"].data[:2] == b"\xff\xd8"
    assert "${v0} заменено на «0»" in log and "${v9999} заменено на «9»" in log, log[-300:]
    assert "не эта" not in log  # the first of two equal names counts
    assert len(log.encode()) <= (1 << 20) + 3, len(log.encode())

    # 20,000 references to a value of 2,048 characters: 40 MB of text if
    # nothing stopped it.
    p.labels.save_label(peer.CRED, peer.label("amp", [peer.element("text", 10, 10, 180, 20, "${big}" * 20000)]))
    answer = p.labels.render_label(peer.CRED, {"name": "amp", "xresolution": 72, "yresolution": 72,
                                               "variables": [{"name": "big", "value": "я" * 2048}]})
    log = answer["log"]
    assert "текст длиннее 1048576 знаков, взято начало" in log, log[-500:]
    assert len(log.encode()) <= (1 << 20) + 3, len(log.encode())
    # A value shown in the log is cut too.
    assert "заменено на «" + "я" * 200 + "…»" in log

    # 80,000 unknown names in four texts: a line each, 7 MB of log if
    # nothing stopped it.
    unknown = peer.element("text", 10, 10, 180, 20, "".join("${нет%d}" % i for i in range(20000)))
    p.labels.save_label(peer.CRED, peer.label("unknown", [dict(unknown) for _ in range(4)]))
    log = p.labels.render_label(peer.CRED, {"name": "unknown", "xresolution": 72, "yresolution": 72})["log"]
    assert "переменная ${нет0} не задана, оставлена как есть" in log, log[:500]
    assert len(log.encode()) <= (1 << 20) + 3 and log.endswith("…"), len(log.encode())

    # Pictures that never finish: the render ends when its 1 s of
    # Ghostscript are spent.
    loop = peer.eps("0 setgray 0 0 100 50 rectfill {} loop")
    p.labels.save_label(peer.CRED, peer.label("loops", [peer.element("drawing", 10, 10, 50 + i, 25, loop)
                                                      for i in range(6)], width=400, height=200))
    try:
        p.labels.render_label(peer.CRED, {"name": "loops", "xresolution": 72, "yresolution": 72})
        raise AssertionError("the render went on past its budget")
    except xmlrpc.client.Fault as f:
        assert f.faultCode == 7 and "дольше 1 с" in f.faultString, (f.faultCode, f.faultString)
    # Nothing of it is left running.
    for pid in os.listdir("/proc"):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                assert jobs.encode() not in f.read(), "a Ghostscript process is still running"
        except OSError:
            pass
    # A document of them has the same 1 s for all its pages, however many
    # rows it has, and gets the same fault; nothing of it is sent.
    for fmt, rows in (("pdf", [[{"name": "n", "value": str(i)}] for i in range(50)]), ("pdf", None), ("png", None)):
        request = {"name": "loops", "format": fmt, "resolution": 72}
        if rows:
            request["rows"] = rows
        start = time.monotonic()
        try:
            p.labels.render_document(peer.CRED, request)
            raise AssertionError("the document went on past its budget")
        except xmlrpc.client.Fault as f:
            assert f.faultCode == 7 and "Документ не построен" in f.faultString and "дольше 1 с" in f.faultString, \
                (f.faultCode, f.faultString)
        assert time.monotonic() - start < 20, (fmt, time.monotonic() - start)
    # Elements not drawn are named in the server's log.
    assert "labels.render_document «loops»: Элемент" in s.log(), s.log()[-2000:]
    # The server renders on.
    assert p.labels.render_label(peer.CRED, {"name": "vars", "xresolution": 10, "yresolution": 10})["image"].data
shutil.rmtree(jobs)
