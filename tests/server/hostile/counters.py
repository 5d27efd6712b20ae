# Counters in "labels.render_document" and "labels.render_label": ${#}
# counts the document's labels (copies included), ${#row} its rows, the date
# and time are the call's; read back from a page of the PDF (pdftotext -f N
# -l N) and from the barcode (zbarimg).  A row that names a variable with
# "#" is refused; huge and malformed counters draw in bounded time.
import datetime
import os
import subprocess
import sys
import time
import xmlrpc.client

import peer

BIN = sys.argv[1]
work = peer.temp_dir("vellumo-counters-")


def run(*args):
    return subprocess.run(args, capture_output=True, check=True).stdout.decode()


def save(data, name):
    path = os.path.join(work, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


def page_text(path, n):
    return run("pdftotext", "-f", str(n), "-l", str(n), path, "-")


def page_codes(path, n):
    prefix = os.path.join(work, "p%d" % n)
    run("pdftoppm", "-r", "200", "-png", "-f", str(n), "-l", str(n), path, prefix)
    files = [os.path.join(work, f) for f in os.listdir(work) if f.startswith("p%d-" % n)]
    assert len(files) == 1, files
    return run("zbarimg", "--raw", "-q", *files).split()


def pages(path):
    info = run("pdfinfo", path)
    return int([l for l in info.splitlines() if l.startswith("Pages:")][0].split()[1])


def fault(call):
    try:
        call()
    except xmlrpc.client.Fault as f:
        return f.faultCode, f.faultString
    raise AssertionError("no fault")


with peer.Server(BIN) as s:
    p = s.proxy(300)
    box = peer.label("Коробка", [peer.element("text", 8, 80, 200, 15, "N${#:000100} R${#row} ${item}"),
                                 peer.element("text", 8, 65, 200, 15, "D${#date:yyyy-MM-dd} T${#time}"),
                                 peer.element("barcode", 10, 5, 196, 55, "${item}-${#}")],
                     width=216.0, height=108.0)
    assert p.labels.save_label(peer.CRED, box)

    # Three rows, two copies each: page 3 is row 2's first copy.
    before = datetime.date.today().isoformat()
    doc = p.labels.render_document(peer.CRED, {
        "name": "Коробка", "format": "pdf", "copies": 2,
        "variables": [{"name": "#", "value": "не счётчик"}],
        "rows": [[{"name": "item", "value": v}] for v in ("A", "B", "C")]})
    after = datetime.date.today().isoformat()
    path = save(doc.data, "doc.pdf")
    assert pages(path) == 6
    third = page_text(path, 3)
    assert "N000102 R2 B" in third, third
    assert page_codes(path, 3) == ["B-3"], page_codes(path, 3)
    assert "N000105 R3 C" in page_text(path, 6)
    assert page_codes(path, 6) == ["C-6"]
    stamps = set()
    for n in range(1, 7):
        line = [l for l in page_text(path, n).splitlines() if l.startswith("D")][0]
        assert line[1:11] in (before, after), line
        stamps.add(line)
    assert len(stamps) == 1, stamps  # one date and time for the whole call

    # On sheets of two labels from the second cell: labels counted, not cells.
    doc = p.labels.render_document(peer.CRED, {
        "name": "Коробка", "format": "pdf", "sheet_geometry": "A6,1x2,76.2x38.1,5,5,0,0", "first": 2,
        "rows": [[{"name": "item", "value": v}] for v in ("A", "B", "C")]})
    path = save(doc.data, "sheet.pdf")
    assert pages(path) == 2
    second = page_text(path, 2)
    assert "N000101 R2 B" in second and "N000102 R3 C" in second, second

    # One label without rows, and a PNG: the first of a run.
    doc = p.labels.render_document(peer.CRED, {"name": "Коробка", "format": "pdf",
                                               "variables": [{"name": "item", "value": "Z"}]})
    assert "N000100 R1 Z" in page_text(save(doc.data, "one.pdf"), 1)
    png = p.labels.render_document(peer.CRED, {"name": "Коробка", "format": "png",
                                               "variables": [{"name": "item", "value": "P"}]}).data
    assert run("zbarimg", "--raw", "-q", save(png, "one.png")).split() == ["P-1"]
    answer = p.labels.render_label(peer.CRED, {"name": "Коробка", "xresolution": 200, "yresolution": 200,
                                               "variables": [{"name": "item", "value": "J"}]})
    assert run("zbarimg", "--raw", "-q", save(answer["image"].data, "one.jpg")).split() == ["J-1"]
    assert "${#:000100} заменено на «000100»" in answer["log"], answer["log"]

    # A row naming a counter: fault 5 that names it, nothing drawn.
    for name in ("#", "#row", "#" + "я" * 100000):
        code, text = fault(lambda: p.labels.render_document(peer.CRED, {
            "name": "Коробка", "format": "pdf",
            "rows": [[{"name": "item", "value": "A"}], [{"name": name, "value": "7"}]]}))
        assert code == 5, (code, text[:200])
        assert "в строке 2 переменная «" + name[:100] in text and "заняты счётчиками" in text, text[:300]
        assert len(text) < 400, len(text)

    # Malformed counters stay as written; 20,000 dates with a format of
    # 100,000 letters draw in bounded time and text.
    odd = peer.label("Странная", [peer.element("text", 8, 60, 200, 15, "${#x} ${#:1a} ${#date:} ${#:-5}"),
                                  peer.element("text", 8, 30, 200, 15,
                                               "${#date:" + "yyyy" * 25000 + "}" + "${#time:HH}" * 20000)],
                    width=216.0, height=108.0)
    assert p.labels.save_label(peer.CRED, odd)
    started = time.monotonic()
    doc = p.labels.render_document(peer.CRED, {"name": "Странная", "format": "pdf", "copies": 3})
    assert time.monotonic() - started < 120
    text = page_text(save(doc.data, "odd.pdf"), 3)
    assert "${#x} ${#:1a} ${#date:} ${#:-5}" in text, text[:300]
    assert p.labels.render_document(peer.CRED, {"name": "Коробка", "format": "pdf"}).data[:5] == b"%PDF-"
print("counters: ok")
