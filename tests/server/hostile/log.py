# What a client sends reaches the log cut to 200 characters, with control
# characters escaped: no flooding, no forged lines.
import os
import re
import subprocess
import sys
import xmlrpc.client

import peer

BIN = sys.argv[1]
users = os.path.join(peer.temp_dir("vellumo-users-"), "users")
line = subprocess.run([BIN, "--hash-password", "anna"], input=b"secret\n", capture_output=True).stdout
with open(users, "wb") as f:
    f.write(line)

stamp = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d ")
with peer.Server(BIN, args=["--users", users]) as s:
    before = len(s.log().encode())
    # A 10 MiB user name with a line of its own inside.
    name = "x" * (10 << 20) + "\n2030-01-01 00:00:00 forged\r\x1b[31m"
    body = peer.call_xml("labels.list_labels",
                         "<param><value><struct><member><name>user</name><value>%s</value></member>"
                         "<member><name>passwd</name><value>p</value></member></struct></value></param>"
                         % name.replace("\n", "&#10;").replace("\r", "&#13;").replace("\x1b", ""))
    status, _, answer = peer.post(s.addr, body)
    assert peer.fault_of(answer)[0] == 4
    # A short one, whole in the log with its line feed escaped.
    body = peer.call_xml("labels.list_labels",
                         "<param><value><struct><member><name>user</name><value>ab&#10;2030-01-01 00:00:00 forged"
                         "</value></member><member><name>passwd</name><value>p</value></member></struct></value>"
                         "</param>")
    assert peer.fault_of(peer.post(s.addr, body)[2])[0] == 4
    # A label name with control characters, from a client that knows the
    # password, in a fault the server logs.
    p = xmlrpc.client.ServerProxy(s.url)
    cred = {"user": "anna", "passwd": "secret"}
    try:
        p.labels.load_label(cred, {"name": "Нет\tтакой\u2028" + "я" * 5000})
    except xmlrpc.client.Fault as f:
        assert f.faultCode == 1
    log = s.log()
    grown = log.encode()[before:].decode()
    assert len(grown.encode()) < 4096, len(grown.encode())
    for l in log.splitlines():
        assert stamp.match(l), "a line the server did not write: %r" % l[:100]
    assert not any(l.startswith("2030-") for l in log.splitlines()), "a forged line"
    assert "«ab\\n2030-01-01 00:00:00 forged»" in grown, grown
    assert "x" * 200 + "…" in grown and "x" * 201 not in grown
    assert "Нет\\tтакой\\u2028" in grown, grown
    assert "я" * 201 not in grown

# A client that repeats a failing call on one kept-alive connection, and one
# that varies it: equal lines are folded into one with its count each
# second, the rest past the rate are counted in one line; the log grows at
# a fixed rate however fast the calls come, and every call is counted.
import time

with peer.Server(BIN) as s:
    p = s.proxy(60)
    calls = 0
    start = time.monotonic()
    while time.monotonic() - start < 3:
        try:
            p.labels.load_label(peer.CRED, {"name": "Прайс"})
        except xmlrpc.client.Fault as f:
            assert f.faultCode == 1
            calls += 1
    for i in range(300):
        try:
            p.labels.load_label(peer.CRED, {"name": "Прайс %d" % i})
        except xmlrpc.client.Fault as f:
            calls += 1
    seconds = time.monotonic() - start
    s.stop()
    log = s.log()
    about_calls = [l for l in log.splitlines() if "labels.load_label" in l or "строк о вызовах" in l]
    assert calls > 100, calls
    assert len(about_calls) <= (seconds + 2) * 21, (len(about_calls), seconds, calls)
    written = sum(1 for l in about_calls if "не найдена" in l and "повторилось" not in l)
    repeated = sum(int(n) for n in re.findall(r"не найдена \(повторилось ещё (\d+) раз за секунду\)", log))
    left_out = sum(int(n) for n in re.findall(r"строк о вызовах пропущено за секунду: (\d+)", log))
    assert repeated > 0 and left_out > 0, log[-3000:]
    assert written + repeated + left_out == calls, (written, repeated, left_out, calls)
    for l in log.splitlines():
        assert stamp.match(l), "a line the server did not write: %r" % l[:100]
