# A symbolic link in the store is not a label: it is logged and left alone,
# and nothing is ever written through it.
import os
import sys
import xmlrpc.client

import peer

BIN = sys.argv[1]
top = peer.temp_dir("vellumo-links-")
store = os.path.join(top, "store")
outside = os.path.join(top, "outside.lbl")
secret = os.path.join(top, "secret")
with open(secret, "wb") as f:
    f.write(b"not yours")


def fault(call):
    try:
        call()
    except xmlrpc.client.Fault as f:
        return f.faultCode
    return None


with peer.Server(BIN, store=store) as s:
    p = s.proxy()
    p.labels.save_label(peer.CRED, peer.label("Ссылка", desc="первая"))
    p.labels.save_label(peer.CRED, peer.label("Тайна"))
    link_file = [n for n in os.listdir(store)
                 if open(os.path.join(store, n), "rb").read().find("первая".encode()) >= 0][0]
    secret_file = [n for n in os.listdir(store) if n != link_file][0]
    # The label's file moves out; a link to it takes its place.  Another
    # label's place becomes a link to a file that is not a label at all.
    os.rename(os.path.join(store, link_file), outside)
    os.symlink(outside, os.path.join(store, link_file))
    os.unlink(os.path.join(store, secret_file))
    os.symlink(secret, os.path.join(store, secret_file))
    before = open(outside, "rb").read()

    assert p.labels.list_labels(peer.CRED) == []
    assert fault(lambda: p.labels.load_label(peer.CRED, {"name": "Ссылка"})) == 1
    assert fault(lambda: p.labels.drop_label(peer.CRED, {"name": "Тайна"})) == 1
    assert fault(lambda: p.labels.rename_label(peer.CRED, {"oldname": "Ссылка", "newname": "Другая"})) == 1
    assert os.path.islink(os.path.join(store, secret_file)) and open(secret, "rb").read() == b"not yours"
    assert "символическая ссылка" in s.log(), s.log()

    # Saving under the name puts a plain file where the link was; the file
    # the link pointed at is not touched.
    p.labels.save_label(peer.CRED, peer.label("Ссылка", desc="вторая"))
    assert open(outside, "rb").read() == before
    assert not os.path.islink(os.path.join(store, link_file))
    assert "заменена файлом этикетки «Ссылка»" in s.log(), s.log()
    assert p.labels.load_label(peer.CRED, {"name": "Ссылка"})["desc"] == "вторая"
    p.labels.save_label(peer.CRED, peer.label("Тайна"))
    assert open(secret, "rb").read() == b"not yours"
    assert sorted(n["name"] for n in p.labels.list_labels(peer.CRED)) == ["Ссылка", "Тайна"]
    # Nothing was made outside the store.
    assert sorted(os.listdir(top)) == ["outside.lbl", "secret", "store"], os.listdir(top)
