# "labels.render_document": a label as PDF or PNG bytes, a PDF page per row
# of variables, read back by poppler and zbar; oversized batches and bad
# parameters get their faults.
import base64
import os
import struct
import subprocess
import sys
import xmlrpc.client

import peer

BIN = sys.argv[1]
work = peer.temp_dir("vellumo-doc-")


def run(*args):
    return subprocess.run(args, capture_output=True, check=True).stdout.decode()


def fault_code(call):
    try:
        call()
    except xmlrpc.client.Fault as f:
        return f.faultCode, f.faultString
    raise AssertionError("no fault")


def pdf_pages(data):
    path = os.path.join(work, "d.pdf")
    with open(path, "wb") as f:
        f.write(data)
    info = run("pdfinfo", path)
    pages = int([l for l in info.splitlines() if l.startswith("Pages:")][0].split()[1])
    size = [l for l in info.splitlines() if l.startswith("Page size:")][0].split()
    return path, pages, (float(size[2]), float(size[4]))


with peer.Server(BIN) as s:
    p = s.proxy(300)
    tag = peer.label("Ценник", [peer.element("text", 8, 80, 200, 15, "${name} ${unit}"),
                                peer.element("barcode", 10, 8, 196, 60, "${code}")],
                     width=216.0, height=108.0)
    assert p.labels.save_label(peer.CRED, tag)

    # One label, with its variables.
    one = p.labels.render_document(peer.CRED, {"name": "Ценник", "format": "pdf",
                                               "variables": [{"name": "name", "value": "Чай"},
                                                             {"name": "code", "value": "TEA-1"}]})
    assert isinstance(one, xmlrpc.client.Binary)
    assert one.data[:5] == b"%PDF-", one.data[:20]
    path, pages, size = pdf_pages(one.data)
    assert pages == 1 and abs(size[0] - 216) < 0.01 and abs(size[1] - 108) < 0.01, (pages, size)
    text = run("pdftotext", path, "-")
    assert "Чай" in text, text
    # A name nobody gave stays as written, as labels.render_label draws it.
    assert "Чай ${unit}" in text, text

    # A batch: a page per row; a row's value first, then "variables".
    rows = [[{"name": "code", "value": "R%d" % i}, {"name": "name", "value": "Товар %d" % i}] for i in range(1, 21)]
    rows[4] = [{"name": "code", "value": "R5"}]  # no name: from "variables"
    batch = p.labels.render_document(peer.CRED, {"name": "Ценник", "format": "pdf", "resolution": 300,
                                                 "variables": [{"name": "name", "value": "общее"},
                                                               {"name": "unit", "value": "шт."}],
                                                 "rows": rows})
    path, pages, size = pdf_pages(batch.data)
    assert pages == 20, pages
    text = run("pdftotext", path, "-")
    assert "Товар 20 шт." in text and "общее шт." in text, text
    run("pdftoppm", "-r", "200", "-png", path, os.path.join(work, "page"))
    files = sorted(f for f in os.listdir(work) if f.startswith("page"))
    assert len(files) == 20
    codes = run("zbarimg", "--raw", "-q", *[os.path.join(work, f) for f in files]).split()
    assert codes == ["R%d" % i for i in range(1, 21)], codes

    # PNG at the asked resolution: the label's size in pixels.
    png = p.labels.render_document(peer.CRED, {"name": "Ценник", "format": "png", "resolution": 150,
                                               "variables": [{"name": "code", "value": "PNG"}]}).data
    assert png[:8] == b"\x89PNG\r\n\x1a\n"
    w, h = struct.unpack(">II", png[16:24])
    assert (w, h) == (450, 225), (w, h)

    # One bound of pixels for every image: a PNG past the 67 megapixels that
    # 256 MiB of pixels once allowed is made, as render_label's JPEG is, and
    # past 100 megapixels both refuse it alike.
    assert p.labels.save_label(peer.CRED, peer.label("Плакат", [peer.element("text", 10, 10, 200, 20, "Плакат")],
                                                     width=610.0, height=610.0))
    png = p.labels.render_document(peer.CRED, {"name": "Плакат", "format": "png", "resolution": 1000}).data
    assert png[:8] == b"\x89PNG\r\n\x1a\n"
    assert struct.unpack(">II", png[16:24]) == (8472, 8472), struct.unpack(">II", png[16:24])
    del png
    too_large = [fault_code(lambda: p.labels.render_document(peer.CRED, {"name": "Плакат", "format": "png",
                                                                         "resolution": 1200})),
                 fault_code(lambda: p.labels.render_label(peer.CRED, {"name": "Плакат", "xresolution": 1200,
                                                                     "yresolution": 1200}))]
    assert [c for c, _ in too_large] == [8, 8], too_large
    assert all("100 мегапикселей" in t for _, t in too_large), too_large

    # More than 10,000 rows: fault 11, before anything is drawn.
    code, text = fault_code(lambda: p.labels.render_document(
        peer.CRED, {"name": "Ценник", "format": "pdf", "rows": [[]] * 10001}))
    assert code == 11, (code, text)
    assert "10000" in text, text
    # A long batch is taken (a label of nothing, so that pages cost little:
    # in the sanitizer build a page takes about 25 ms, most of it mapping
    # the PDF writer's buffers of 10 MB, in the release build 0.05 ms).
    assert p.labels.save_label(peer.CRED, peer.label("Пустая", width=20.0, height=10.0))
    many = p.labels.render_document(peer.CRED, {"name": "Пустая", "format": "pdf", "rows": [[]] * 120})
    assert pdf_pages(many.data)[1] == 120

    # Bad parameters: their own faults, the server keeps serving.
    bad = [
        ({"name": "Ценник", "format": "jpeg"}, 5),
        ({"name": "Ценник"}, 5),
        ({"name": "Ценник", "format": "pdf", "resolution": 5}, 9),
        ({"name": "Ценник", "format": "pdf", "resolution": "300"}, 5),
        ({"name": "Ценник", "format": "pdf", "rows": "R1"}, 5),
        ({"name": "Ценник", "format": "pdf", "rows": [["not a struct"]]}, 5),
        ({"name": "Ценник", "format": "pdf", "rows": [{"name": "code"}]}, 5),
        ({"name": "Ценник", "format": "png", "rows": [[]]}, 5),
        ({"name": "Ценник", "format": "pdf", "variables": [{"name": "x", "value": 1}]}, 5),
        ({"name": "Нет такой", "format": "pdf"}, 1),
        ({"name": "", "format": "pdf"}, 3),
    ]
    for params, expected in bad:
        code, text = fault_code(lambda: p.labels.render_document(peer.CRED, params))
        assert code == expected, (params, code, text)
    assert p.labels.render_document(peer.CRED, {"name": "Ценник", "format": "pdf"}).data[:5] == b"%PDF-"

# A document above its bound of bytes: fault 11 that names the bound, for
# the PNG (checked once made) and for the PDF (stopped as it grows).  The
# bound is lowered to 1 MiB, so that a picture of noise passes it: 1.5 MB
# of pixels, in the PDF kept as they are (Flate) rather than as JPEG.
side = 700
noise = os.urandom(side * side * 3).hex()
noise = "\n".join(noise[i:i + 200] for i in range(0, len(noise), 200))
draw_noise = ("/row %d string def %d %d scale %d %d 8 [%d 0 0 -%d 0 %d] {currentfile row readhexstring pop} "
              "false 3 colorimage\n%s" % (side * 3, side, side, side, side, side, side, side, noise))
lossless = "<< /AutoFilterColorImages false /ColorImageFilter /FlateEncode >> setdistillerparams\n"
with peer.Server(BIN, args=["--document-limit", "1"]) as s:
    p = s.proxy(300)
    for name, body in (("Шум", draw_noise), ("Шум PDF", lossless + draw_noise)):
        picture = peer.eps(body, box=(0, 0, side, side))
        assert p.labels.save_label(peer.CRED, peer.label(name, [peer.element("drawing", 0, 0, side, side, picture)],
                                                         width=float(side), height=float(side)))
    assert p.labels.save_label(peer.CRED, peer.label("Пустая", width=20.0, height=10.0))
    for params in ({"name": "Шум", "format": "png", "resolution": 72},
                   {"name": "Шум PDF", "format": "pdf"},
                   {"name": "Шум PDF", "format": "pdf", "rows": [[]] * 3}):
        code, text = fault_code(lambda: p.labels.render_document(peer.CRED, params))
        assert code == 11 and text == "Документ не построен: он больше 1 МиБ", (params, code, text)
    # Below the bound documents are made as before.
    assert p.labels.render_document(peer.CRED, {"name": "Пустая", "format": "pdf"}).data[:5] == b"%PDF-"
    png = p.labels.render_document(peer.CRED, {"name": "Шум", "format": "png", "resolution": 36}).data
    assert png[:8] == b"\x89PNG\r\n\x1a\n" and len(png) > 200000, len(png)

print("ok")
