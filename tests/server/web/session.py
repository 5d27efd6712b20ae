# Signing in to the label server from the web page, as raw HTTP: the
# session cookie's flags, calls authenticated by it, what a cross-site form
# could send refused, signing out ending the token, hostile sign-in bodies,
# and HTTP Basic going on as before beside it.
import base64
import json
import os
import sys

import peer

BIN = sys.argv[1]
work = peer.temp_dir("vellumo-session-")
users = os.path.join(work, "users")
with open(users, "w") as f:
    f.write("anna:secret\n")
PAGE = {"X-Requested-With": "vellumo"}


def call(s, method, path, body=None, headers=None):
    return peer.http_call(s.addr, method, path, body, headers, timeout=60)


def sign_in(s, user="anna", password="secret", headers=None):
    status, data, r = call(s, "POST", "/api/v1/session", {"user": user, "password": password},
                           dict(PAGE, **(headers or {})))
    assert status == 200, (status, data)
    cookie = r.getheader("Set-Cookie")
    token = cookie.split(";")[0].split("=", 1)[1]
    return token, cookie


def code_of(answer, status, code):
    got, data, r = answer
    assert got == status, (got, data[:300])
    assert json.loads(data)["error"]["code"] == code, data
    return r


with peer.Server(BIN, args=("--users", users)) as s:
    rpc = s.proxy()
    assert rpc.labels.save_label({"user": "anna", "passwd": "secret"},
                                 peer.label("Ценник", [peer.element("text", 8, 8, 150, 20, "${name}")]))

    # The cookie: a 256-bit token, out of scripts' reach, never sent by
    # another site, for every path; Secure only behind HTTPS.
    token, cookie = sign_in(s)
    flags = [f.strip() for f in cookie.split(";")]
    assert flags[0].startswith("vellumo_session=") and len(token) == 64 and int(token, 16) >= 0, cookie
    assert {"HttpOnly", "SameSite=Strict", "Path=/"} <= set(flags[1:]) and "Secure" not in flags, cookie
    other, _ = sign_in(s)
    assert other != token
    _, behind_tls = sign_in(s, headers={"X-Forwarded-Proto": "https"})
    assert "Secure" in [f.strip() for f in behind_tls.split(";")], behind_tls
    jar = {"Cookie": "theme=dark; vellumo_session=" + token}

    # The session reads like Basic would, and knows its user.
    status, data, _ = call(s, "GET", "/api/v1/labels", headers=jar)
    assert status == 200 and json.loads(data)[0]["name"] == "Ценник", data
    status, data, _ = call(s, "GET", "/api/v1/session", headers=jar)
    assert status == 200 and json.loads(data) == {"user": "anna"}, data

    # A change by cookie alone (what a form of another site can send) is
    # refused; with the page's header it goes through.
    render = {"label": "Ценник", "format": "png", "variables": {"name": "Чай"}}
    code_of(call(s, "POST", "/api/v1/render", render, jar), 403, "forbidden")
    code_of(call(s, "POST", "/api/v1/render", render, dict(jar, **{"X-Requested-With": "XMLHttpRequest"})),
            403, "forbidden")
    status, data, r = call(s, "POST", "/api/v1/render", render, dict(jar, **PAGE))
    assert status == 200 and data.startswith(b"\x89PNG"), (status, data[:200])
    code_of(call(s, "DELETE", "/api/v1/session", headers=jar), 403, "forbidden")
    code_of(call(s, "POST", "/api/v1/session", {"user": "anna", "password": "secret"}), 403, "forbidden")

    # A forged or truncated token is no session; the page's own calls get
    # no Basic challenge (a browser would put its password dialog up).
    for bad in (token[:-1], token[:-1] + ("0" if token[-1] != "0" else "1"), token.upper(), "", "x" * 1000):
        r = code_of(call(s, "GET", "/api/v1/labels", headers={"Cookie": "vellumo_session=" + bad}), 401,
                    "credentials")
        assert r.getheader("WWW-Authenticate"), r.getheaders()
    r = code_of(call(s, "GET", "/api/v1/labels", headers=dict(PAGE, Cookie="vellumo_session=" + token[::-1])),
                401, "credentials")
    assert r.getheader("WWW-Authenticate") is None, r.getheaders()

    # Wrong passwords and bodies that are not a sign-in.
    code_of(call(s, "POST", "/api/v1/session", {"user": "anna", "password": "wrong"}, PAGE), 401, "credentials")
    code_of(call(s, "POST", "/api/v1/session", {"user": "boris", "password": "secret"}, PAGE), 401, "credentials")
    for body in (b"", b"{", b"[]", b'"anna"', json.dumps({"user": "anna"}).encode(),
                 json.dumps({"user": "anna", "password": 1}).encode(),
                 json.dumps({"user": "anna", "password": "secret", "admin": True}).encode(),
                 json.dumps({"user": "an\u0000na", "password": "secret"}).encode(),
                 b'{"user": "anna", "password": "secret"' + b" " * 10 + b"}}",
                 ("[" * 10000).encode()):
        code_of(call(s, "POST", "/api/v1/session", body, PAGE), 400, "bad_request")
    code_of(call(s, "POST", "/api/v1/session", b'{"user": "' + b"a" * (1 << 20) + b'"}', PAGE), 413, "too_large")
    code_of(call(s, "PUT", "/api/v1/session", {}, PAGE), 405, "method")

    # Signing out ends that token at once (not merely the browser's copy);
    # other sessions go on.
    status, data, r = call(s, "DELETE", "/api/v1/session", headers=dict(jar, **PAGE))
    assert status == 200 and "Max-Age=0" in r.getheader("Set-Cookie"), r.getheaders()
    code_of(call(s, "GET", "/api/v1/labels", headers=jar), 401, "credentials")
    status, _, _ = call(s, "GET", "/api/v1/labels", headers={"Cookie": "vellumo_session=" + other})
    assert status == 200

    # Signing in again over a live session replaces it.
    again, _ = sign_in(s, headers={"Cookie": "vellumo_session=" + other})
    code_of(call(s, "GET", "/api/v1/labels", headers={"Cookie": "vellumo_session=" + other}), 401, "credentials")

    # Basic as before, without the page's header, even beside a cookie.
    basic = {"Authorization": "Basic " + base64.b64encode(b"anna:secret").decode()}
    status, data, _ = call(s, "POST", "/api/v1/render", render, basic)
    assert status == 200 and data.startswith(b"\x89PNG"), data[:200]
    wrong = {"Authorization": "Basic " + base64.b64encode(b"anna:nope").decode(),
             "Cookie": "vellumo_session=" + again}
    code_of(call(s, "GET", "/api/v1/labels", headers=wrong), 401, "credentials")
    assert "secret" not in s.log(), s.log()

    status, data, _ = call(s, "GET", "/api/v1/openapi.json")
    described = json.loads(data)
    assert set(described["paths"]["/api/v1/session"]) == {"get", "post", "delete"}, described["paths"]
    assert described["components"]["securitySchemes"]["session"]["name"] == "vellumo_session"

# Without a users file (loopback only) any name signs in, as any name
# calls by Basic.
with peer.Server(BIN) as s:
    token, _ = sign_in(s, "кто угодно", "")
    status, data, _ = call(s, "GET", "/api/v1/session", headers={"Cookie": "vellumo_session=" + token})
    assert status == 200 and json.loads(data) == {"user": "кто угодно"}, data
print("ok")
