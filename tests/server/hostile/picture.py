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
    # while open) under its temporary folder.  Its time is its own processor
    # time, so a busy machine draws it as an idle one does.
    rng = random.Random(1)
    noise = "\n".join("%.3f setgray %d %d %d %d rectfill" % (rng.random(), rng.randrange(400), rng.randrange(400),
                                                             rng.randrange(1, 20), rng.randrange(1, 20))
                      for _ in range(500))
    p.labels.save_label(peer.CRED, peer.label("noise", [peer.element("drawing", 0, 0, 200, 200,
                                                                     peer.eps(noise, (0, 0, 400, 400)))],
                                                width=200, height=200))
    seen = set()
    ran = set()
    stop = threading.Event()

    def watch():
        # Only the server's own children, a few times a millisecond's work
        # each pass: the watch must not be what slows Ghostscript down.
        while not stop.is_set():
            try:
                tasks = os.listdir("/proc/%d/task" % s.proc.pid)
            except OSError:
                tasks = []
            for task in tasks:
                try:
                    with open("/proc/%d/task/%s/children" % (s.proc.pid, task)) as f:
                        children = f.read().split()
                except OSError:
                    continue
                for pid in children:
                    try:
                        for fd in os.listdir("/proc/%s/fd" % pid):
                            target = os.readlink("/proc/%s/fd/%s" % (pid, fd))
                            if target.startswith(jobs):
                                ran.add(pid)
                                if not target.endswith(("job.ps", "gs.log")):
                                    seen.add(target)
                    except OSError:
                        pass
            stop.wait(0.003)

    t = threading.Thread(target=watch)
    t.start()
    answer = p.labels.render_label(peer.CRED, {"name": "noise", "xresolution": 720, "yresolution": 720})
    stop.set()
    t.join()
    assert "не нарисован" not in answer["log"], answer["log"]
    assert not seen, "Ghostscript wrote files: %s" % sorted(seen)
    # The watch saw Ghostscript at work (else it proved nothing).
    assert ran, "Ghostscript was never seen running"
shutil.rmtree(jobs)
