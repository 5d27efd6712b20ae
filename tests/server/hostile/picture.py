# Big EPS pictures are drawn, and Ghostscript keeps its page in memory: no
# band files in its temporary folder.
import os
import shutil
import random
import sys
import threading

import peer

BIN = sys.argv[1]
jobs = peer.temp_dir("vellumo-jobs-")

with peer.Server(BIN, env={"TMPDIR": jobs}) as s:
    p = s.proxy(300)
    # 600 × 216 points at 1200 dpi: 10000 × 3600 pixels, 36 megapixels,
    # above the 33.5 (128 MiB) the image reader takes by default.
    square = peer.eps("0 setgray 0 0 100 50 rectfill")
    p.labels.save_label(peer.CRED, peer.label("big", [peer.element("drawing", 0, 0, 600, 216, square)],
                                              width=600, height=216))
    answer = p.labels.render_label(peer.CRED, {"name": "big", "xresolution": 1200, "yresolution": 1200})
    assert "не нарисован" not in answer["log"], answer["log"]
    assert "10000×3600" in answer["log"], answer["log"]

    # 4 megapixels of noise (2000 × 2000 at 720 dpi): past its default
    # bitmap size Ghostscript would put its page into band files (deleted
    # while open) under its temporary folder.  Small enough to be drawn well
    # inside its time on a busy machine.
    rng = random.Random(1)
    noise = "\n".join("%.3f setgray %d %d %d %d rectfill" % (rng.random(), rng.randrange(400), rng.randrange(400),
                                                             rng.randrange(1, 20), rng.randrange(1, 20))
                      for _ in range(500))
    p.labels.save_label(peer.CRED, peer.label("noise", [peer.element("drawing", 0, 0, 200, 200,
                                                                     peer.eps(noise, (0, 0, 400, 400)))],
                                                width=200, height=200))
    seen = set()
    stop = threading.Event()

    def watch():
        while not stop.is_set():
            for pid in os.listdir("/proc"):
                try:
                    with open("/proc/%s/cmdline" % pid, "rb") as f:
                        if jobs.encode() not in f.read():
                            continue  # not a Ghostscript of this server
                    for fd in os.listdir("/proc/%s/fd" % pid):
                        target = os.readlink("/proc/%s/fd/%s" % (pid, fd))
                        if target.startswith(jobs) and not target.endswith(("job.ps", "gs.log")):
                            seen.add(target)
                except OSError:
                    pass

    t = threading.Thread(target=watch)
    t.start()
    answer = p.labels.render_label(peer.CRED, {"name": "noise", "xresolution": 720, "yresolution": 720})
    stop.set()
    t.join()
    assert "не нарисован" not in answer["log"], answer["log"]
    assert not seen, "Ghostscript wrote files: %s" % sorted(seen)
shutil.rmtree(jobs)
