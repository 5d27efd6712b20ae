# Whatever a client sends, the fault it gets is one the README documents,
# with a Russian text (the XML-RPC library's own words at most in
# brackets): characters XML-RPC cannot carry, nesting past the limits, what
# is not a call at all, unknown methods, labels too large to be drawn.
import re
import sys
import xmlrpc.client

import peer

BIN = sys.argv[1]
DOCUMENTED = set(range(1, 15)) | {-500, -503, -506, -509}
# Words of the library's English messages that must not stand outside brackets.
ENGLISH = re.compile(r"\b(the|not|is|than|deeper|too|call|method|defined|document|structure|error|nested|"
                     r"invalid|encoding|proper|character|element)\b", re.I)


def outside_brackets(text):
    while True:
        stripped = re.sub(r"\([^()]*\)", "", text)
        if stripped == text:
            return text
        text = stripped


def check(answer, expected_code, *words):
    """The fault of an HTTP answer: documented, Russian, and the one expected."""
    status, _, body = answer
    assert status == 200, (status, body[:200])
    fault = peer.fault_of(body)
    assert fault, body[:300]
    code, text = fault
    assert code in DOCUMENTED, (code, text)
    assert code == expected_code, (expected_code, code, text)
    shown = outside_brackets(text)
    assert re.search("[а-яА-ЯёЁ]", shown) and not ENGLISH.search(shown), (code, text)
    for w in words:
        assert w in text, (w, text)
    return text


def load_with(name_xml):
    return peer.call_xml("labels.load_label", peer.cred_xml() +
                         "<param><value><struct><member><name>name</name><value>%s</value></member></struct>"
                         "</value></param>" % name_xml)


def deep_values(levels):
    return "<value><array><data>" * levels + "<value>x</value>" + "</data></array></value>" * levels


with peer.Server(BIN, args=["--max-values", "20000"]) as s:
    post = lambda body: peer.post(s.addr, body if isinstance(body, bytes) else body.encode())

    # An emoji as UTF-8, as a hexadecimal and as a decimal reference, in a
    # value, a member name and the method name: XML-RPC here cannot carry it.
    for body in (load_with("😀"), load_with("&#x1F600;"), load_with("a&#128512;b"),
                 peer.call_xml("labels.load_label😀", peer.cred_xml()),
                 load_with("x").replace(b"<name>name</name>", "<name>&#x1f600;</name>".encode())):
        check(post(body), -503, "U+1F600", "основной плоскости")
    try:
        s.proxy().labels.list_labels({"user": "анна 😀", "passwd": "p"})
        raise AssertionError("an emoji passed")
    except xmlrpc.client.Fault as f:
        assert f.faultCode == -503 and "U+1F600" in f.faultString, (f.faultCode, f.faultString)
    # Characters of the Basic Multilingual Plane pass, at its very end too.
    check(post(load_with("Нет&#xFFFD;такой")), 1)

    # XML nested past 1000 levels; values nested past the library's 64.
    check(post(peer.call_xml("labels.list_labels", "<param>" + deep_values(400) + "</param>")), -503, "1000")
    check(post(peer.call_xml("labels.list_labels", "<param>" + deep_values(70) + "</param>")), -503, "64")
    assert peer.fault_of(post(peer.call_xml("labels.list_labels", "<param>" + deep_values(60) + "</param>"))[2])[0] == 5

    # Not XML, XML that is not a call, bytes the declared encoding does not
    # have, an encoding nobody knows.
    check(post(b"hello"), -503)
    check(post(b"<?xml version='1.0'?><methodResponse><params/></methodResponse>"), -503)
    check(post(b"<?xml version='1.0' encoding='UTF-16'?><methodCall/>"), -503, "кодиров")
    check(post(b"<?xml version='1.0' encoding='x-nobody'?><methodCall/>"), -503)
    check(post(b"\xff\xfe<\x00?\x00x\x00\xd8"), -503)

    # Methods that are not there; requests past the limits.
    check(post(peer.call_xml("labels.nothing", peer.cred_xml())), -506, "labels.nothing")
    check(post(peer.call_xml("system.multicall", "<param><value><array><data/></array></value></param>")), -506)
    check(post(peer.call_xml("labels.list_labels", "<param><value><array><data>" + "<value/>" * 20001 +
                             "</data></array></value></param>")), -509)

    # Labels too large to draw: each render refuses them with fault 13
    # before it allocates anything.
    p = s.proxy(120)
    huge = "%f" % 1e308

    def save_raw(name, width, height, element_width=None):
        lab = peer.label(name, [peer.element("text", 10, 10, 12345.25 if element_width else 50, 20, "Привет")],
                         width=54321.25, height=65432.25)
        body = xmlrpc.client.dumps((peer.CRED, lab), "labels.save_label").encode()
        body = body.replace(b"54321.25", width.encode()).replace(b"65432.25", height.encode())
        if element_width:
            body = body.replace(b"12345.25", element_width.encode())
        check_ok = peer.post(s.addr, body)
        assert peer.fault_of(check_ok[2]) is None, peer.fault_of(check_ok[2])

    save_raw("огромная", huge, huge)
    save_raw("миллион", "1000000.0", "1000000.0")
    save_raw("длинная", "1000000.0", "10.0")
    save_raw("элемент", "200.0", "100.0", element_width=huge)
    for name in ("огромная", "миллион", "длинная", "элемент"):
        for call in (lambda: p.labels.render_label(peer.CRED, {"name": name, "xresolution": 10, "yresolution": 10}),
                     lambda: p.labels.render_document(peer.CRED, {"name": name, "format": "pdf"}),
                     lambda: p.labels.render_document(peer.CRED, {"name": name, "format": "png", "resolution": 10})):
            try:
                call()
                raise AssertionError("%s was drawn" % name)
            except xmlrpc.client.Fault as f:
                assert f.faultCode == 13, (name, f.faultCode, f.faultString)
                assert "100000" in f.faultString and "«%s»" % name in f.faultString, f.faultString
                assert re.search("[а-я]", outside_brackets(f.faultString)), f.faultString
    # The largest side taken is drawn.
    save_raw("предельная", "100000.0", "10.0")
    assert p.labels.render_document(peer.CRED, {"name": "предельная", "format": "pdf"}).data[:5] == b"%PDF-"

    # The faults of the methods themselves, for the record.
    check(post(load_with("Нет такой")), 1, "не найдена")
    check(post(load_with("")), 3)
    check(post(peer.call_xml("labels.load_label", peer.cred_xml())), 5)
    check(post(peer.call_xml("labels.render_label", peer.cred_xml() +
                             "<param><value><struct><member><name>name</name><value>миллион</value></member>"
                             "<member><name>xresolution</name><value><i4>5000</i4></value></member>"
                             "<member><name>yresolution</name><value><i4>72</i4></value></member>"
                             "</struct></value></param>")), 9, "1200")
    # The server goes on.
    assert p.labels.server_info(peer.CRED)["name"] == "Vellumo"
print("ok")
