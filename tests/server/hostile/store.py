# Listing reads the index: a store with a large label lists without making
# other calls wait, and the index follows every write.
import os
import sys
import threading
import time
import xmlrpc.client

import peer

BIN = sys.argv[1]
store = os.path.join(peer.temp_dir("vellumo-store-"), "store")

with peer.Server(BIN, store=store) as s:
    p = s.proxy(300)
    for name in ("большая 1", "большая 2"):
        p.labels.save_label(peer.CRED, peer.label(name))
    p.labels.save_label(peer.CRED, peer.label("малая", [peer.element("text", 0, 0, 10, 10, "x")], desc="м"))
# The two large labels get 4 MB pictures, written straight into their
# files in the format the editor and the server write.
picture = peer.eps("0 setgray 0 0 100 50 rectfill\n%" + "x" * (3 << 20))
for name in os.listdir(store):
    path = os.path.join(store, name)
    with open(path, "rb") as f:
        stored = xmlrpc.client.loads(f.read())[0][0]
    if stored["name"].startswith("большая"):
        stored["fields"] = [peer.element("drawing", 0, 0, 10, 10, picture)]
        with open(path, "wb") as f:
            f.write(xmlrpc.client.dumps((stored,), "labels.local_store").encode())
del picture

# A new server builds its index from the folder; the first listing waits
# for it, a load does not.
with peer.Server(BIN, store=store) as s:
    done = []

    def listing():
        names = s.proxy(300).labels.list_labels(peer.CRED)
        done.append(("list", sorted(n["name"] for n in names)))

    t = threading.Thread(target=listing)
    t.start()
    time.sleep(0.3)
    small = s.proxy(300).labels.load_label(peer.CRED, {"name": "малая"})
    done.append(("load", small["name"]))
    t.join()
    assert [d[0] for d in done] == ["load", "list"], done
    assert done[1][1] == ["большая 1", "большая 2", "малая"], done

    # Every write is in the index at once.
    p = s.proxy(300)
    p.labels.rename_label(peer.CRED, {"oldname": "малая", "newname": "новая"})
    p.labels.save_label(peer.CRED, peer.label("третья", desc="описание"))
    p.labels.drop_label(peer.CRED, {"name": "большая 1"})
    p.labels.drop_label(peer.CRED, {"name": "большая 2"})
    listed = {n["name"]: n["desc"] for n in p.labels.list_labels(peer.CRED)}
    assert listed == {"новая": "м", "третья": "описание"}, listed
