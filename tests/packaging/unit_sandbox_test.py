# The label server under the system unit's own restrictions, as systemd
# builds them from the unit file: its SystemCallFilter= lines (a list of
# calls allowed, then ~lists taken out of it) with SystemCallErrorNumber=,
# RestrictAddressFamilies=, MemoryDenyWriteExecute= (mmap of writable and
# executable memory, mprotect and shmat adding execution refused),
# NoNewPrivileges= and UMask=, run as a user with no privileges (nobody).
# Without systemd running here, the filter is loaded with libseccomp; the
# groups (@system-service, ...) are expanded by systemd-analyze.  The server
# must still store, list and load labels, draw an EPS picture with
# Ghostscript (fork, execve, setrlimit), make a PDF and list its fonts, and
# stop on SIGTERM.
#
#   unit_sandbox_test.py UNIT_FILE VELLUMO_SERVER
import errno
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xmlrpc.client

if os.geteuid() != 0 or not shutil.which("systemd-analyze"):
    print("needs root (to become nobody) and systemd-analyze: not run")
    sys.exit(77)
import seccomp  # python3-seccomp

import peer

UNIT, BIN = sys.argv[1], sys.argv[2]
NOBODY = 65534

settings = {}
filters = []
for line in open(UNIT, encoding="utf-8"):
    m = re.match(r"^([A-Za-z]+)=(.*)$", line.strip())
    if not m:
        continue
    if m.group(1) == "SystemCallFilter":
        filters.append(m.group(2).split())
    else:
        settings[m.group(1)] = m.group(2)
assert filters, "the unit filters no system calls"
assert settings.get("NoNewPrivileges") == "yes"
assert settings.get("MemoryDenyWriteExecute") == "yes"


def expand(name, seen=None):
    """The calls a name stands for: itself, or a group's members, nested."""
    if not name.startswith("@"):
        return {name}
    seen = set() if seen is None else seen
    if name in seen:
        return set()
    seen.add(name)
    out = set()
    text = subprocess.run(["systemd-analyze", "syscall-filter", name], capture_output=True, text=True,
                          check=True).stdout
    for entry in text.splitlines()[1:]:
        entry = entry.strip()
        if entry and not entry.startswith("#"):
            out |= expand(entry, seen)
    assert out, "systemd-analyze does not know " + name
    return out


allowed = None
for f in filters:
    deny = f[0].startswith("~")
    names = set()
    for n in f:
        names |= expand(n.lstrip("~"))
    if allowed is None:
        assert not deny, "a deny list first is not what this test builds"
        allowed = names
    elif deny:
        allowed -= names
    else:
        allowed |= names
# What drawing a picture takes: fork (clone), execve, setrlimit (prlimit64
# in glibc), kill at the deadline, waiting for the child.  A refused
# setrlimit would only leave Ghostscript unbounded, which no render shows.
needed = {"clone", "execve", "setrlimit", "prlimit64", "kill", "wait4", "pipe2", "poll"}
assert needed <= allowed, "the unit refuses " + ", ".join(sorted(needed - allowed))
refusal = getattr(errno, settings.get("SystemCallErrorNumber", "EPERM"))
families = {getattr(__import__("socket"), f) for f in settings["RestrictAddressFamilies"].split()}
umask = int(settings.get("UMask", "0022"), 8)

PROT_WRITE, PROT_EXEC, SHM_EXEC = 2, 4, 0o100000
special = {"socket", "mmap", "mprotect", "pkey_mprotect", "shmat"}


def sandbox():
    f = seccomp.SyscallFilter(defaction=seccomp.ERRNO(refusal))
    for name in sorted(allowed - special):
        try:
            f.add_rule(seccomp.ALLOW, name)
        except (RuntimeError, ValueError, OSError):
            pass  # not a call on this architecture
    if "socket" in allowed:
        for fam in families:
            f.add_rule(seccomp.ALLOW, "socket", seccomp.Arg(0, seccomp.EQ, fam))
        for fam in range(0, 64):
            if fam not in families:
                f.add_rule(seccomp.ERRNO(errno.EAFNOSUPPORT), "socket", seccomp.Arg(0, seccomp.EQ, fam))
    if "mmap" in allowed:
        for prot in (0, PROT_WRITE, PROT_EXEC):
            f.add_rule(seccomp.ALLOW, "mmap", seccomp.Arg(2, seccomp.MASKED_EQ, PROT_WRITE | PROT_EXEC, prot))
    for call in ("mprotect", "pkey_mprotect"):
        if call in allowed:
            f.add_rule(seccomp.ALLOW, call, seccomp.Arg(2, seccomp.MASKED_EQ, PROT_EXEC, 0))
    if "shmat" in allowed:
        f.add_rule(seccomp.ALLOW, "shmat", seccomp.Arg(2, seccomp.MASKED_EQ, SHM_EXEC, 0))
    os.setgroups([])
    os.setresgid(NOBODY, NOBODY, NOBODY)
    os.setresuid(NOBODY, NOBODY, NOBODY)
    os.umask(umask)
    f.load()  # sets no_new_privs first


work = tempfile.mkdtemp(prefix="vellumo-sandbox-")
try:
    os.chmod(work, 0o755)
    store, cache = os.path.join(work, "labels"), os.path.join(work, "cache")
    for d in (store, cache):
        os.mkdir(d)
        os.chown(d, NOBODY, NOBODY)
    env = dict(os.environ, XDG_CACHE_HOME=cache, HOME="/nonexistent", TMPDIR=cache,
               ASAN_OPTIONS="detect_leaks=0")  # LeakSanitizer itself needs calls the unit refuses
    log = open(os.path.join(work, "log"), "w+", encoding="utf-8")
    proc = subprocess.Popen([BIN, "--listen", "127.0.0.1:0", "--store", store], preexec_fn=sandbox,
                            stdout=subprocess.PIPE, stderr=log, text=True, env=env, cwd=work)
    first = proc.stdout.readline().strip()
    log.seek(0)
    assert first.startswith("listening "), (first, log.read())
    p = xmlrpc.client.ServerProxy("http://%s/RPC2" % first.split()[1])
    cred = {"user": "u", "passwd": "p"}
    square = peer.eps("0 setgray 0 0 100 50 rectfill")
    p.labels.save_label(cred, peer.label("этикетка", [peer.element("drawing", 0, 0, 100, 50, square),
                                                      peer.element("text", 0, 60, 100, 20, "Привет"),
                                                      peer.element("barcode", 100, 0, 100, 40, "12345678")]))
    assert [l["name"] for l in p.labels.list_labels(cred)] == ["этикетка"]
    assert len(p.labels.load_label(cred, {"name": "этикетка"})["fields"]) == 3
    image = p.labels.render_label(cred, {"name": "этикетка", "xresolution": 300, "yresolution": 300})
    assert "833×417" in image["log"] and "не нарисован" not in image["log"], image["log"]
    assert image["image"].data[:2] == b"\xff\xd8", "not a JPEG"
    pdf = p.labels.render_document(cred, {"name": "этикетка", "format": "pdf"})
    assert pdf.data[:5] == b"%PDF-"
    assert len(p.labels.list_fonts(cred)) > 0
    # Files the server makes follow the unit's UMask.
    labels = [n for n in os.listdir(store) if n.endswith(".lbl")]
    assert len(labels) == 1, os.listdir(store)
    mode = os.stat(os.path.join(store, labels[0])).st_mode & 0o777
    assert mode & umask == 0, "label file mode %o under UMask %o" % (mode, umask)
    proc.terminate()
    assert proc.wait(30) == 0, proc.returncode
    log.seek(0)
    text = log.read()
    for bad in ("Operation not permitted", "не удалось", "не нарисован", "Ghostscript"):
        assert bad not in text, "%r in the log:\n%s" % (bad, text)
    print("the server works under the unit's restrictions (%d system calls allowed)" % len(allowed))
finally:
    shutil.rmtree(work, ignore_errors=True)
