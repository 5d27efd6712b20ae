"""An outside client of vellumo-server, as another program on the network
would be: Python's xmlrpc.client and raw sockets, nothing of the server's own
code.  Used by the server tests and by bench/server_hostile.py."""

import atexit
import base64
import http.client
import json
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time
import xmlrpc.client

CRED = {"user": "u", "passwd": "p"}


def temp_dir(prefix):
    """A temporary folder removed when the script ends."""
    path = tempfile.mkdtemp(prefix=prefix)
    atexit.register(shutil.rmtree, path, True)
    return path


class Server:
    """vellumo-server as a child process on a free loopback port."""

    def __init__(self, binary, store=None, args=(), env=None, listen="127.0.0.1:0"):
        self.dir = temp_dir("vellumo-peer-")
        self.store = store or os.path.join(self.dir, "store")
        self.log_path = os.path.join(self.dir, "server.log")
        self.log_file = open(self.log_path, "wb")
        e = dict(os.environ)
        e.update(env or {})
        self.proc = subprocess.Popen([binary, "--listen", listen, "--store", self.store, *args],
                                     stdout=subprocess.PIPE, stderr=self.log_file, env=e)
        line = self.proc.stdout.readline().decode()
        if not line.startswith("listening "):
            raise RuntimeError("server did not start: " + line + self.log())
        host, port = line.split()[1].rsplit(":", 1)
        self.addr = (host.strip("[]"), int(port))
        self.url = "http://%s:%s/RPC2" % (host, port)

    def proxy(self, timeout=120):
        return xmlrpc.client.ServerProxy(self.url, transport=_Transport(timeout))

    def log(self):
        self.log_file.flush()
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def status(self, key):
        """A line of /proc/PID/status in bytes (VmRSS, VmHWM)."""
        with open("/proc/%d/status" % self.proc.pid) as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1]) << 10
        return 0

    def stop(self, sig=signal.SIGTERM, timeout=30):
        """Sends the signal; the seconds until the process ended and its
        exit code."""
        if self.proc.poll() is not None:
            return 0.0, self.proc.returncode
        start = time.monotonic()
        self.proc.send_signal(sig)
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            code = self.proc.wait()
        return time.monotonic() - start, code

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
        self.log_file.close()


class _Transport(xmlrpc.client.Transport):
    def __init__(self, timeout):
        super().__init__()
        self._timeout = timeout

    def make_connection(self, host):
        conn = super().make_connection(host)
        conn.timeout = self._timeout
        return conn


class PeakWatch:
    """Samples a server's resident memory every few milliseconds."""

    def __init__(self, server, cap=None):
        self.server, self.cap, self.peak, self._stop = server, cap, 0, False
        self._t = threading.Thread(target=self._run, daemon=True)
        self._t.start()

    def _run(self):
        while not self._stop:
            try:
                rss = self.server.status("VmRSS")
            except OSError:
                return
            self.peak = max(self.peak, rss)
            if self.cap and rss > self.cap:
                self.server.proc.kill()  # the machine is shared
                return
            time.sleep(0.005)

    def done(self):
        self._stop = True
        self._t.join()
        return self.peak


def call_xml(method, params_xml):
    return ("<?xml version='1.0'?><methodCall><methodName>%s</methodName><params>%s</params></methodCall>"
            % (method, params_xml)).encode()


def cred_xml():
    return ("<param><value><struct><member><name>user</name><value>u</value></member>"
            "<member><name>passwd</name><value>p</value></member></struct></value></param>")


def post(addr, body, path="/RPC2", headers=None, timeout=120, source=None):
    """One POST on a new connection: (status, headers, body)."""
    c = http.client.HTTPConnection(addr[0], addr[1], timeout=timeout,
                                   source_address=(source, 0) if source else None)
    try:
        c.request("POST", path, body, dict({"Content-Type": "text/xml"}, **(headers or {})))
        r = c.getresponse()
        return r.status, dict(r.getheaders()), r.read()
    finally:
        c.close()


def http_call(addr, method, path, body=None, headers=None, timeout=120):
    """One request on a new connection, a dict or list body sent as JSON:
    (status, body, response)."""
    c = http.client.HTTPConnection(addr[0], addr[1], timeout=timeout)
    h = dict(headers or {})
    if isinstance(body, (dict, list)):
        body = json.dumps(body).encode()
        h["Content-Type"] = "application/json"
    try:
        c.request(method, path, body=body, headers=h)
        r = c.getresponse()
        return r.status, r.read(), r
    finally:
        c.close()


def fault_of(body):
    """(code, text) of a fault answer, or None."""
    try:
        xmlrpc.client.loads(body)
    except xmlrpc.client.Fault as f:
        return f.faultCode, f.faultString
    return None


def connect(addr, source=None, timeout=30):
    s = socket.create_connection(addr, timeout=timeout, source_address=(source, 0) if source else None)
    return s


def read_answer(sock, timeout=30, pending=b""):
    """Reads one HTTP answer from a socket, after the bytes already read
    (`pending`): (status, headers, body, bytes read beyond it)."""
    sock.settimeout(timeout)
    data = pending
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(65536)
        if not chunk:
            return None, {}, b"", b""
        data += chunk
    head, _, rest = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    status = int(lines[0].split()[1])
    headers = {}
    for l in lines[1:]:
        k, _, v = l.partition(":")
        headers[k.strip().lower()] = v.strip()
    n = int(headers.get("content-length", "0"))
    while len(rest) < n:
        chunk = sock.recv(65536)
        if not chunk:
            break
        rest += chunk
    return status, headers, rest[:n], rest[n:]


def request_bytes(body, path="/RPC2", extra=""):
    return (("POST %s HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nContent-Length: %d\r\n%s\r\n"
             % (path, len(body), extra)).encode() + body)


# ----------------------------------------------------------------- labels

def eps(body, box=(0, 0, 100, 50)):
    return ("%%!PS-Adobe-3.0 EPSF-3.0\n%%%%BoundingBox: %d %d %d %d\n%s\n%%%%EOF\n" % (*box, body)).encode()


def element(kind, x, y, w, h, value, layer=0, **extra):
    e = {"layer": layer, "type": kind, "x": float(x), "y": float(y), "quadrant": 1, "angle": 0.0,
         "comment": "", "enabled": True, "colour": "000000", "width": float(w), "height": float(h)}
    if kind == "text":
        e.update({"value": value, "style": "DejaVu Sans", "size": 10.0, "justification": "left"})
    elif kind == "drawing":
        e["value"] = xmlrpc.client.Binary(value)
    elif kind == "barcode":
        e.update({"value": value, "style": "128", "size": 0.0})
    elif kind == "border":
        e.update({"style": "SOLID", "size": 1.0})
    e.update(extra)
    return e


def label(name, fields=(), width=200.0, height=100.0, desc=""):
    fields = list(fields)
    for i, f in enumerate(fields):
        f["layer"] = i
    return {"name": name, "desc": desc, "width": float(width), "height": float(height), "bgcolor": "FFFFFF",
            "fields": fields}
