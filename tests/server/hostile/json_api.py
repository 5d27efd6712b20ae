# The JSON interface beside XML-RPC: HTTP Basic with the same users, labels
# listed and read, documents in every format read back by poppler, zbar and
# the tests' own decoder of printer jobs, and what a hostile client sends
# refused with a JSON error and the status that fits.
import base64
import json
import os
import subprocess
import sys
import urllib.parse
import xmlrpc.client

import peer

BIN = sys.argv[1]
DECODE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "output", "thermal_decode.py")
work = peer.temp_dir("vellumo-json-")
users = os.path.join(work, "users")
with open(users, "w") as f:
    f.write("anna:secret\n")
AUTH = "Basic " + base64.b64encode("anna:secret".encode()).decode()


def call(s, method, path, body=None, auth=AUTH, headers=None):
    h = dict(headers or {})
    if auth:
        h["Authorization"] = auth
    status, data, r = peer.http_call(s.addr, method, path, body, h)
    return status, r.getheader("Content-Type"), data, r


def error_of(status_and_more, status, code):
    got, ctype, data, _ = status_and_more
    assert got == status, (got, data[:300])
    assert ctype.startswith("application/json"), ctype
    e = json.loads(data)["error"]
    assert e["code"] == code and e["message"], e
    return e["message"]


with peer.Server(BIN, args=("--users", users)) as s:
    rpc = s.proxy(300)
    cred = {"user": "anna", "passwd": "secret"}
    tag = peer.label("Ценник / №1", [peer.element("text", 8, 80, 200, 15, "${name}"),
                                     peer.element("barcode", 10, 8, 196, 60, "${code}")],
                     width=216.0, height=108.0, desc="полка")
    assert rpc.labels.save_label(cred, tag)
    named = "/api/v1/labels/" + urllib.parse.quote("Ценник / №1", safe="")

    # The same users as XML-RPC; the description is open to all.
    r = call(s, "GET", "/api/v1/labels", auth=None)
    error_of(r, 401, "credentials")
    assert r[3].getheader("WWW-Authenticate").startswith("Basic"), r[3].getheaders()
    error_of(call(s, "GET", "/api/v1/labels", auth="Basic " + base64.b64encode(b"anna:wrong").decode()),
             401, "credentials")
    error_of(call(s, "GET", "/api/v1/labels", auth="Basic !!!"), 401, "credentials")
    status, ctype, data, _ = call(s, "GET", "/api/v1/openapi.json", auth=None)
    assert status == 200 and json.loads(data)["openapi"].startswith("3."), data[:100]
    # Valid as another implementation reads OpenAPI 3, every route described.
    described = os.path.join(work, "openapi.json")
    with open(described, "wb") as f:
        f.write(data)
    check = subprocess.run(["node", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "openapi",
                                                 "validate.mjs"), described], capture_output=True, text=True)
    assert check.returncode == 0, check.stdout + check.stderr
    paths = json.loads(data)["paths"]
    for route in ("/api/v1/labels", "/api/v1/labels/{name}", "/api/v1/render", "/api/v1/printers",
                  "/api/v1/print", "/api/v1/jobs/{job}", "/api/v1/openapi.json"):
        assert route in paths, route
    for path in json.loads(data)["paths"]:
        assert path.startswith("/api/v1/"), path

    # Listed with their descriptions and times; read back member by member.
    status, ctype, data, _ = call(s, "GET", "/api/v1/labels")
    assert status == 200, data
    listed = json.loads(data)
    assert [l["name"] for l in listed] == ["Ценник / №1"], listed
    assert listed[0]["description"] == "полка" and listed[0]["modified"].endswith("Z"), listed
    status, ctype, data, _ = call(s, "GET", named)
    assert status == 200, data
    lab = json.loads(data)
    assert lab["name"] == "Ценник / №1" and lab["width"] == 216.0 and len(lab["fields"]) == 2, lab
    error_of(call(s, "GET", "/api/v1/labels/" + urllib.parse.quote("Нет такой")), 404, "not_found")
    error_of(call(s, "GET", "/api/v1/labels/%ZZ"), 400, "bad_name")
    error_of(call(s, "GET", "/api/v1/labels/%C3%28"), 400, "bad_name")   # not UTF-8
    error_of(call(s, "GET", "/api/v1/labels/a%00b"), 400, "bad_name")
    error_of(call(s, "DELETE", "/api/v1/labels"), 405, "method")
    error_of(call(s, "GET", "/api/v2/labels"), 404, "not_found")

    # Documents: a PDF page per row, a PNG, an SVG and a ZPL job.
    rows = [{"name": "Товар %d" % i, "code": "R%d" % i} for i in range(1, 6)]
    status, ctype, pdf, _ = call(s, "POST", "/api/v1/render", {"label": "Ценник / №1", "format": "pdf", "rows": rows})
    assert status == 200 and ctype == "application/pdf", (status, pdf[:200])
    with open(os.path.join(work, "d.pdf"), "wb") as f:
        f.write(pdf)
    info = subprocess.run(["pdfinfo", os.path.join(work, "d.pdf")], capture_output=True).stdout.decode()
    assert "Pages:           5" in info, info
    status, ctype, png, _ = call(s, "POST", "/api/v1/render",
                                 {"label": "Ценник / №1", "format": "png", "dpi": 150, "variables": {"code": "P-1"}})
    assert status == 200 and ctype == "image/png" and png[:4] == b"\x89PNG", (status, png[:100])
    with open(os.path.join(work, "p.png"), "wb") as f:
        f.write(png)
    codes = subprocess.run(["zbarimg", "--raw", "-q", os.path.join(work, "p.png")], capture_output=True).stdout.split()
    assert codes == [b"P-1"], codes
    status, ctype, svg, _ = call(s, "POST", "/api/v1/render",
                                 {"label": "Ценник / №1", "format": "svg", "variables": [{"name": "name", "value": "Чай"}]})
    assert status == 200 and ctype == "image/svg+xml" and b"<svg" in svg, (status, svg[:200])
    status, ctype, zpl, _ = call(s, "POST", "/api/v1/render", {"label": "Ценник / №1", "format": "zpl", "rows": rows[:2],
                                                               "copies": 3})
    assert status == 200 and zpl.startswith(b"^XA"), (status, zpl[:100])
    with open(os.path.join(work, "j.zpl"), "wb") as f:
        f.write(zpl)
    out = subprocess.run([sys.executable, DECODE, os.path.join(work, "j.zpl"), os.path.join(work, "j")],
                         capture_output=True)
    assert out.returncode == 0, out.stderr
    assert [l["copies"] for l in json.loads(out.stdout)["labels"]] == [3, 3], out.stdout

    # What a hostile client sends: each a JSON error, never a crash.
    render = "/api/v1/render"
    error_of(call(s, "POST", render, b"{not json"), 400, "bad_json")
    error_of(call(s, "POST", render, b"[" * 200000 + b"]" * 200000), 400, "bad_json")
    error_of(call(s, "POST", render, b'{"label": "x", "format": "pdf", "dpi": 1e400}'), 400, "bad_json")
    error_of(call(s, "POST", render, {"label": "Ценник / №1", "format": "png", "dpi": 300.5}), 400, "bad_request")
    error_of(call(s, "POST", render, {"label": "Ценник / №1", "format": "png", "dpi": 2 ** 40}), 400, "bad_request")
    error_of(call(s, "POST", render, {"label": "Ценник / №1", "format": "png", "dpi": 5}), 400, "resolution")
    error_of(call(s, "POST", render, {"label": "Ценник / №1", "format": "exe"}), 400, "bad_request")
    error_of(call(s, "POST", render, {"label": "Ценник / №1", "format": "pdf", "extra": 1}), 400, "bad_request")
    error_of(call(s, "POST", render, {"label": "Ценник / №1", "format": "pdf", "variables": {"a": {"b": 1}}}),
             400, "bad_request")
    error_of(call(s, "POST", render, {"label": "Ценник / №1", "format": "pdf", "rows": [{}] * 10001}),
             413, "batch_too_large")
    error_of(call(s, "POST", render, {"label": "Нет такой", "format": "pdf"}), 404, "not_found")
    error_of(call(s, "POST", render, {"label": "Ценник / №1", "format": "png", "rows": rows}), 400, "bad_request")
    error_of(call(s, "GET", render), 405, "method")
    # A GET with a body is not a request this server reads.
    status, _, _, _ = call(s, "GET", "/api/v1/labels", body=b"x" * 10)
    assert status == 400, status

    # XML-RPC goes on beside it.
    assert [l["name"] for l in rpc.labels.list_labels(cred)] == ["Ценник / №1"]
print("ok")
