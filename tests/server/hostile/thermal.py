# "labels.render_document" as a thermal printer's job: ZPL, TSPL and EPL of a
# label per row, read back by the tests' own decoder and zbar; copies asked
# of the printer; sheets and resolutions it cannot take refused.
import json
import os
import subprocess
import sys
import xmlrpc.client

import peer

BIN = sys.argv[1]
DECODE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "output", "thermal_decode.py")
work = peer.temp_dir("vellumo-thermal-")


def decode(data, name):
    job = os.path.join(work, name)
    with open(job, "wb") as f:
        f.write(data)
    out = subprocess.run([sys.executable, DECODE, job, job], capture_output=True)
    assert out.returncode == 0, out.stderr
    facts = json.loads(out.stdout)
    pictures = sorted(os.path.join(work, f) for f in os.listdir(work) if f.startswith(name + "-"))
    return facts, pictures


def codes(pictures):
    return [subprocess.run(["zbarimg", "--raw", "-q", p], capture_output=True).stdout.decode().split()
            for p in pictures]


def fault_of(call):
    try:
        call()
    except xmlrpc.client.Fault as f:
        return f.faultCode, f.faultString
    raise AssertionError("no fault")


with peer.Server(BIN) as s:
    p = s.proxy(300)
    tag = peer.label("Ценник", [peer.element("text", 8, 80, 200, 15, "${name}"),
                                peer.element("barcode", 10, 8, 196, 60, "${code}")],
                     width=216.0, height=108.0)
    assert p.labels.save_label(peer.CRED, tag)
    rows = [[{"name": "code", "value": "R%d" % i}, {"name": "name", "value": "Товар %d" % i}] for i in range(1, 4)]
    for language, dpi in (("zpl", 203), ("tspl", 300), ("epl", 203)):
        job = p.labels.render_document(peer.CRED, {"name": "Ценник", "format": language, "resolution": dpi,
                                                   "rows": rows, "copies": 2}).data
        facts, pictures = decode(job, language)
        assert facts["language"] == language, facts
        # Copies are the printer's: three labels, each printed twice.
        assert [l["copies"] for l in facts["labels"]] == [2, 2, 2], facts
        width = int(216 * dpi / 72 + 0.5)
        assert facts["labels"][0]["height"] == int(108 * dpi / 72 + 0.5), facts
        assert facts["labels"][0]["width"] in (width, (width + 7) // 8 * 8), facts
        assert codes(pictures) == [["R1"], ["R2"], ["R3"]], codes(pictures)

    # Without "resolution" a thermal job is at 203 dpi.
    facts, _ = decode(p.labels.render_document(peer.CRED, {"name": "Ценник", "format": "zpl"}).data, "plain")
    assert facts["labels"][0]["width"] == 609, facts

    # What a label printer cannot take.
    code, text = fault_of(lambda: p.labels.render_document(peer.CRED, {"name": "Ценник", "format": "zpl",
                                                                       "resolution": 2400}))
    assert "2400" in text, text
    code, text = fault_of(lambda: p.labels.render_document(peer.CRED, {"name": "Ценник", "format": "tspl",
                                                                       "sheet": "Avery 5160"}))
    assert "pdf" in text, text
    code, text = fault_of(lambda: p.labels.render_document(peer.CRED, {"name": "Ценник", "format": "ZPL;rm"}))
    assert "zpl" in text, text
print("ok")
