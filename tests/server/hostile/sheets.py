# "labels.render_document" on sheets: labels at their cells of a geometry
# the call gives, from its first cell, copies side by side, outlines and
# crop marks; hostile sheet parameters get their faults, and copies count
# against the bound of labels of one document.
import os
import re
import subprocess
import sys
import xmlrpc.client

import peer

BIN = sys.argv[1]
work = peer.temp_dir("vellumo-sheets-")
MM = 72 / 25.4


def run(*args):
    return subprocess.run(args, capture_output=True, check=True).stdout.decode()


def fault_code(call):
    try:
        call()
    except xmlrpc.client.Fault as f:
        return f.faultCode, f.faultString
    raise AssertionError("no fault")


def pdf_info(data):
    path = os.path.join(work, "i.pdf")
    with open(path, "wb") as f:
        f.write(data)
    info = run("pdfinfo", path)
    pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    size = re.search(r"^Page size:\s+([0-9.]+) x ([0-9.]+)", info, re.M)
    return pages, (float(size.group(1)), float(size.group(2)))


def words(data):
    path = os.path.join(work, "d.pdf")
    with open(path, "wb") as f:
        f.write(data)
    html = run("pdftotext", "-bbox", path, "-")
    page = 0
    found = []
    for m in re.finditer(r'<page |<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>', html):
        if m.group(1) is None:
            page += 1
        else:
            found.append((page, float(m.group(1)), float(m.group(2)), m.group(3)))
    return found


with peer.Server(BIN) as s:
    p = s.proxy(300)
    w, h = 70 * MM, 37 * MM
    assert p.labels.save_label(peer.CRED, peer.label("Адрес", [peer.element("text", 6, h - 26, 150, 15, "${name}"),
                                                              peer.element("barcode", 6, 4, 120, 40, "${code}")],
                                                     width=w, height=h))
    alone = [x for x in words(p.labels.render_document(peer.CRED, {"name": "Адрес", "format": "pdf",
                                                                   "variables": [{"name": "name", "value": "N0"}]})
                              .data) if x[3] == "N0"]
    assert len(alone) == 1, alone
    dx, dy = alone[0][1], alone[0][2]

    rows = [[{"name": "name", "value": "N%d" % i}, {"name": "code", "value": "C%d" % i}] for i in range(1, 6)]
    doc = p.labels.render_document(peer.CRED, {"name": "Адрес", "format": "pdf", "rows": rows,
                                               "sheet_geometry": "A4,3x8,70x37,0,0,0,0", "first": 3,
                                               "copies": 2, "outlines": True, "crop_marks": True})
    found = sorted(x for x in words(doc.data) if x[3].startswith("N"))
    assert len(found) == 10, found
    for j in range(10):
        cell = 2 + j
        x, y = (cell % 3) * 70 * MM + dx, (cell // 3) * 37 * MM + dy
        assert any(f[0] == 1 and f[3] == "N%d" % (j // 2 + 1) and abs(f[1] - x) <= 0.5 and abs(f[2] - y) <= 0.5
                   for f in found), (j, x, y, found)
    pages, size = pdf_info(doc.data)
    assert pages == 1 and abs(size[0] - 595.28) < 0.5 and abs(size[1] - 841.89) < 0.5, (pages, size)

    # Copies without rows: the one label, side by side.
    doc = p.labels.render_document(peer.CRED, {"name": "Адрес", "format": "pdf", "copies": 4,
                                               "sheet_geometry": "A4,3x8,70x37,0,0,0,0",
                                               "variables": [{"name": "name", "value": "N7"}]})
    assert len([x for x in words(doc.data) if x[3] == "N7"]) == 4

    # A call that names no sheet is answered as before: a page per label.
    doc = p.labels.render_document(peer.CRED, {"name": "Адрес", "format": "pdf", "rows": rows})
    assert sorted(x[0] for x in words(doc.data) if x[3].startswith("N")) == [1, 2, 3, 4, 5]

    # Avery 5160 by name where the catalogue has it.
    try:
        p.labels.render_document(peer.CRED, {"name": "Адрес", "format": "pdf", "sheet": "Avery 5160"})
        raise AssertionError("a 70 × 37 mm label is not for Avery 5160")
    except xmlrpc.client.Fault as f:
        assert f.faultCode in (1, 5), (f.faultCode, f.faultString)

    geometry = {"name": "Адрес", "format": "pdf", "sheet_geometry": "A4,3x8,70x37,0,0,0,0"}
    bad = [
        (dict(geometry, copies="2"), 5),
        (dict(geometry, copies=1001), 5),
        (dict(geometry, copies=0), 5),
        (dict(geometry, copies=2.5), 5),
        (dict(geometry, first=2**31 - 1), 5),
        (dict(geometry, first=25), 5),
        (dict(geometry, first=-1), 5),
        (dict(geometry, outlines="yes"), 5),
        (dict(geometry, crop_marks=1), 5),
        (dict(geometry, sheet_geometry="A4," * 300000), 5),
        (dict(geometry, sheet_geometry="A4,3x8,70x37,0,0,0"), 5),
        (dict(geometry, sheet_geometry="A4,100x100,1x1,0,0,0,0"), 5),
        (dict(geometry, sheet_geometry="A4,3x9,70x37,0,0,0,0"), 5),
        (dict(geometry, sheet_geometry="A4,3x8,60x37,0,0,0,0"), 5),  # the label is 70 × 37 mm
        (dict(geometry, sheet_geometry=["A4"]), 5),
        (dict(geometry, sheet="Avery 5160"), 5),  # both
        ({"name": "Адрес", "format": "pdf", "sheet": 5160}, 5),
        ({"name": "Адрес", "format": "pdf", "sheet": "Nobrand X-0000"}, 1),
        ({"name": "Адрес", "format": "pdf", "sheet": "Ж" * 1000000}, 5),
        ({"name": "Адрес", "format": "pdf", "first": 2}, 5),
        ({"name": "Адрес", "format": "pdf", "outlines": True}, 5),
        (dict(geometry, format="png"), 5),
        ({"name": "Адрес", "format": "png", "copies": 2}, 5),
    ]
    for params, expected in bad:
        code, text = fault_code(lambda: p.labels.render_document(peer.CRED, params))
        assert code == expected, (str(params)[:200], code, text)
        assert len(text) < 1000, text[:200]

    # Copies multiply rows: 101 rows of 100 copies are past 10,000 labels.
    code, text = fault_code(lambda: p.labels.render_document(
        peer.CRED, dict(geometry, rows=[[]] * 101, copies=100)))
    assert code == 11 and "10100" in text and "10000" in text, (code, text)
    # At the bound it is made (small labels, 250 to a page: the pages are
    # what costs in the sanitizer build).
    assert p.labels.save_label(peer.CRED, peer.label("Пустая", width=20 * MM, height=10 * MM))
    doc = p.labels.render_document(peer.CRED, {"name": "Пустая", "format": "pdf", "rows": [[]] * 100, "copies": 100,
                                               "sheet_geometry": "A4,10x25,20x10,0,0,0,0"})
    assert pdf_info(doc.data)[0] == 40
    # The server still serves.
    assert p.labels.render_document(peer.CRED, geometry).data[:5] == b"%PDF-"

print("ok")
