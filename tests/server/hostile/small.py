# The small ones: stale temporary files, unreadable labels, names the users
# file cannot hold, labels too big to read back, pipelined requests.
import hashlib
import os
import subprocess
import sys
import xmlrpc.client

import peer

BIN = sys.argv[1]
top = peer.temp_dir("vellumo-small-")
store = os.path.join(top, "store")
os.makedirs(store)


def fault(call):
    try:
        call()
    except xmlrpc.client.Fault as f:
        return f.faultCode, f.faultString
    return None


# Temporary files of an interrupted save go at start: only the store's own
# pattern (a label file's name, a dot, six letters or digits), only plain
# files, only in the store.
digest = hashlib.sha256(b"x").hexdigest()
own = ["%s.lbl.Ab12Cd" % digest, "Name--%s.lbl.q1W2e3" % digest]
kept = ["notes.lbl.backup", "%s.lbl.Ab12C" % digest, "x--%s.lbl.Ab-2Cd" % digest, "readme.txt"]
for name in own + kept:
    with open(os.path.join(store, name), "w") as f:
        f.write("x")
os.mkdir(os.path.join(store, "%s.lbl.Zz99Zz" % digest))
outside = os.path.join(top, "%s.lbl.Ab12Cd" % digest)
with open(outside, "w") as f:
    f.write("x")
with peer.Server(BIN, store=store) as s:
    left = sorted(os.listdir(store))
    assert left == sorted(kept + ["%s.lbl.Zz99Zz" % digest]), left
    assert os.path.exists(outside)
    assert "оставшихся от прерванных сохранений: 2" in s.log(), s.log()

    # A label whose file no longer reads is reported by load and can be
    # dropped.
    p = s.proxy(300)
    p.labels.save_label(peer.CRED, peer.label("Битая"))
    path = [os.path.join(store, n) for n in os.listdir(store) if n.endswith(".lbl")][0]
    with open(path, "r+b") as f:
        f.truncate(os.path.getsize(path) // 2)
    assert fault(lambda: p.labels.load_label(peer.CRED, {"name": "Битая"}))[0] == 10
    assert p.labels.drop_label(peer.CRED, {"name": "Битая"}) is True
    assert not os.path.exists(path)
    assert fault(lambda: p.labels.drop_label(peer.CRED, {"name": "Битая"}))[0] == 1

    # A label whose file would be above what the store reads back (each "&"
    # sent in CDATA is written as "&amp;") is refused as a label, not as a
    # store failure.
    placeholder = "PLACEHOLDER-TEXT"
    xml = xmlrpc.client.dumps((peer.CRED, peer.label("Огромная", [peer.element("text", 0, 0, 10, 10, placeholder)])),
                              "labels.save_label").encode()
    xml = xml.replace(placeholder.encode(), b"<![CDATA[" + b"&" * (26 << 20) + b"]]>")
    code, text = peer.fault_of(peer.post(s.addr, xml, timeout=300)[2])
    assert code == 6 and "128 МиБ" in text, (code, text)
    assert not [n for n in os.listdir(store) if n.endswith(".lbl")]
    del xml

    # Pipelined requests on one connection are answered in order.
    c = peer.connect(s.addr)
    calls = [peer.call_xml("labels.server_info", peer.cred_xml()), peer.call_xml("labels.list_labels", peer.cred_xml()),
             peer.call_xml("no.such", "")]
    c.sendall(b"".join(peer.request_bytes(b) for b in calls))
    rest = b""
    answers = []
    for _ in calls:
        status, headers, body, rest = peer.read_answer(c, pending=rest)
        assert status == 200, status
        answers.append(body)
    assert b"Vellumo" in answers[0], answers[0][:200]
    assert b"<array>" in answers[1], answers[1][:200]
    assert peer.fault_of(answers[2])[0] == -506
    c.close()
    # An HTTP/1.0 client gets its answer and the connection closes after it.
    c = peer.connect(s.addr)
    body = calls[0]
    c.sendall(b"POST /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\nContent-Length: %d\r\n\r\n" % len(body) + body + body)
    status, headers, answer, _ = peer.read_answer(c)
    assert status == 200 and headers.get("connection") == "close", headers
    c.settimeout(10)
    while c.recv(65536):
        pass
    c.close()

    # Another path is the JSON interface's: a JSON "not found", and the
    # connection stays.
    c = peer.connect(s.addr)
    c.sendall(b"POST /other HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc")
    status, headers, _, _ = peer.read_answer(c)
    assert status == 404 and headers.get("content-type").startswith("application/json"), (status, headers)
    c.close()
    # Requests that are not XML-RPC calls get an HTTP answer and a closed
    # connection.
    for raw, want in ((b"GET /RPC2 HTTP/1.1\r\nHost: x\r\n\r\n", 405),
                      (b"POST /RPC2 HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", 411),
                      (b"POST /RPC2 HTTP/1.1\r\n\r\n", 411),
                      (b"POST /RPC2 HTTP/1.1\r\nContent-Length: 0\r\n\r\n", 400),
                      (b"POST /RPC2 HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", 400),
                      (b"POST /RPC2 HTTP/1.1\r\nContent-Length: -5\r\n\r\n", 400),
                      (b"POST /RPC2 HTTP/1.1\r\nContent-Length: 999999999999\r\n\r\n", 413),
                      (b"POST /RPC2 HTTP/9.9\r\nContent-Length: 1\r\n\r\nx", 400),
                      (b"garbage\r\n\r\n", 400),
                      (b"POST /RPC2 HTTP/1.1\r\n" + b"X-Long: " + b"y" * (70 << 10) + b"\r\n\r\n", 431)):
        c = peer.connect(s.addr)
        c.sendall(raw)
        status, headers, _, _ = peer.read_answer(c)
        assert status == want and headers.get("connection") == "close", (raw[:40], status, headers)
        c.close()
    assert s.proxy().labels.list_labels(peer.CRED) == []

# --hash-password refuses names the users file could not hold.
for name in ["a\nb", "a:b", "a\rb", "#comment", ""]:
    r = subprocess.run([BIN, "--hash-password", name], input=b"secret\n", capture_output=True)
    assert r.returncode == 2 and r.stdout == b"", (name, r.returncode, r.stdout)
r = subprocess.run([BIN, "--hash-password", "anna"], input=b"secret\n", capture_output=True)
assert r.returncode == 0 and r.stdout.startswith(b"anna:pbkdf2-sha256:60000:"), r.stdout
