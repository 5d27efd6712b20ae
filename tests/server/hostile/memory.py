# Requests that would make the parser build too much are refused before it
# runs; large requests wait for memory while small ones go on.
import socket
import sys
import time

import peer

BIN = sys.argv[1]


def array_call(n):
    return peer.call_xml("labels.list_labels",
                         "<param><value><array><data>" + "<value/>" * n + "</data></array></value></param>")


def struct_call(members):
    return peer.call_xml("labels.list_labels", "<param><value><struct>" + "".join(
        "<member><name>k%d</name><value/></member>" % i for i in range(members)) + "</struct></value></param>")


with peer.Server(BIN, args=["--max-values", "50000", "--max-members", "1000"]) as s:
    # The array's own value and 49,999 items: the limit exactly.
    status, _, body = peer.post(s.addr, array_call(49999))
    assert status == 200 and peer.fault_of(body)[0] == 5, peer.fault_of(body)
    status, _, body = peer.post(s.addr, array_call(50000))
    code, text = peer.fault_of(body)
    assert code == -509 and "50000" in text, (code, text)
    # Members count with the values: a struct of 1,000 members and their
    # values is 2,001; one more member is past the per-struct limit.
    assert peer.fault_of(peer.post(s.addr, struct_call(1000))[2])[0] == 5
    code, text = peer.fault_of(peer.post(s.addr, struct_call(1001))[2])
    assert code == -509 and "1000 полей" in text, (code, text)
    # Nested values are counted wherever they are.
    nested = "<value><array><data>" + "<value><array><data><value/></data></array></value>" * 25000 + "</data></array></value>"
    code, _ = peer.fault_of(peer.post(s.addr, peer.call_xml("labels.list_labels", "<param>" + nested + "</param>"))[2])
    assert code == -509, code
    # Markup inside comments and CDATA builds nothing and is not counted.
    hidden = "<!--" + "<value/>" * 60000 + "--><![CDATA[" + "<value/>" * 60000 + "]]>"
    body = peer.call_xml("labels.list_labels", "<param><value><string>x" + hidden + "</string></value></param>")
    assert peer.fault_of(peer.post(s.addr, body)[2])[0] == 5
    assert "отвергнут запрос" in s.log(), s.log()

with peer.Server(BIN, args=["--request-memory", "64"]) as s:
    # 32 MiB of empty values (4 million of them) never reach the parser:
    # built, they would take about 1.8 GiB.
    body = array_call((32 << 20) // 8 - 40)
    watch = peer.PeakWatch(s)
    status, _, answer = peer.post(s.addr, body, timeout=300)
    peak = watch.done()
    assert status == 200 and peer.fault_of(answer)[0] == -509, peer.fault_of(answer)
    assert peak < 1 << 30, "peak %d MiB" % (peak >> 20)
    del body

    # A large request takes its memory before its body is read (here the
    # whole 64 MiB allowed): a second one waits (no "100 Continue"), a small
    # one is answered meanwhile.
    big = 4 << 20
    def start_large():
        c = peer.connect(s.addr, timeout=60)
        c.sendall(b"POST /RPC2 HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nExpect: 100-continue\r\n"
                  b"Content-Length: %d\r\n\r\n" % big)
        return c
    first = start_large()
    first.settimeout(60)
    assert first.recv(100).startswith(b"HTTP/1.1 100 Continue"), "first large request not admitted"
    second = start_large()
    second.settimeout(1.5)
    try:
        early = second.recv(100)
    except socket.timeout:
        early = b""
    assert early == b"", "second large request admitted while the first holds the memory: %r" % early
    assert s.proxy(60).labels.list_labels(peer.CRED) == []
    # The first body arrives and is answered; then the second goes on.
    head = b"<?xml version='1.0'?><methodCall><methodName>labels.list_labels</methodName><params><param><value><string>"
    tail = b"</string></value></param></params></methodCall>"
    first.sendall(head + b"a" * (big - len(head) - len(tail)) + tail)
    status, _, answer, _ = peer.read_answer(first, timeout=300)
    assert status == 200 and peer.fault_of(answer)[0] == 5, (status, answer[:300])
    second.settimeout(300)
    assert second.recv(100).startswith(b"HTTP/1.1 100 Continue"), "second large request never admitted"
    second.sendall(head + b"b" * (big - len(head) - len(tail)) + tail)
    status, _, answer, _ = peer.read_answer(second, timeout=300)
    assert status == 200 and peer.fault_of(answer)[0] == 5, (status, answer[:300])
    first.close()
    second.close()
