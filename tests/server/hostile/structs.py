# Structs are bounded before the parser compares their members, and only the
# label methods answer: no introspection, no multicall.
import sys
import xmlrpc.client

import peer

BIN = sys.argv[1]


def struct_value(members, prefix="k"):
    return "<value><struct>" + "".join("<member><name>%s%d</name><value/></member>" % (prefix, i)
                                       for i in range(members)) + "</struct></value>"


with peer.Server(BIN) as s:
    # 320,000 members (19.7 MB): refused before parsing.
    body = peer.call_xml("labels.list_labels", "<param>" + struct_value(320000) + "</param>")
    code, text = peer.fault_of(peer.post(s.addr, body)[2])
    assert code == -509 and "10000 полей" in text, (code, text)
    # The largest struct allowed, and one member more.
    assert peer.fault_of(peer.post(s.addr, peer.call_xml("labels.list_labels",
                                                         "<param>" + struct_value(10000) + "</param>"))[2])[0] == 5
    assert peer.fault_of(peer.post(s.addr, peer.call_xml("labels.list_labels",
                                                         "<param>" + struct_value(10001) + "</param>"))[2])[0] == -509
    # Two of the largest structs compare as many members as one request
    # may; a third is refused.
    two = "<param><value><array><data>" + struct_value(10000) * 2 + "</data></array></value></param>"
    assert peer.fault_of(peer.post(s.addr, peer.call_xml("labels.list_labels", two))[2])[0] == 5
    three = "<param><value><array><data>" + struct_value(10000) * 3 + "</data></array></value></param>"
    code, text = peer.fault_of(peer.post(s.addr, peer.call_xml("labels.list_labels", three))[2])
    assert code == -509 and "сравнений" in text, (code, text)

    # The library's system methods are not there.
    p = s.proxy()
    for call in (lambda: p.system.listMethods(), lambda: p.system.methodHelp("labels.list_labels"),
                 lambda: p.system.methodSignature("labels.list_labels"), lambda: p.system.getCapabilities(),
                 lambda: p.system.methodExist("labels.list_labels"), lambda: p.system.shutdown("x"),
                 lambda: p.system.multicall([{"methodName": "labels.server_info", "params": [peer.CRED]}] * 100)):
        try:
            call()
            raise AssertionError("a system method answered")
        except xmlrpc.client.Fault as f:
            assert f.faultCode == -506, (f.faultCode, f.faultString)
    # Nothing tells which library or version serves.
    status, headers, body = peer.post(s.addr, peer.call_xml("system.listMethods", ""))
    everything = (str(headers) + body.decode()).lower()
    for word in ("abyss", "xmlrpc-c", "xmlrpc_c", "1.33"):
        assert word not in everything, (word, everything)
    # The label methods still answer.
    assert p.labels.server_info(peer.CRED)["name"] == "Vellumo"
