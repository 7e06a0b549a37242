"""Shared by the benchmarks: one timed run of a command, and a warm page cache."""
import os
import re
import subprocess
import tempfile


def timed(cmd, work, env=None):
    """Runs `cmd` under /usr/bin/time -v; answers (wall s, CPU s = user + system, peak RSS MiB)."""
    stats = os.path.join(work, "time.txt")
    r = subprocess.run(["/usr/bin/time", "-v", "-o", stats] + cmd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True, env=env)
    if r.returncode != 0:
        raise SystemExit("%s failed: %s" % (cmd[0], r.stderr[-2000:]))
    text = open(stats).read()
    wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (.*)", text).group(1)
    parts = [float(p) for p in wall.split(":")]
    seconds = sum(p * 60 ** i for i, p in enumerate(reversed(parts)))
    cpu = sum(float(re.search(r"%s time \(seconds\): ([\d.]+)" % kind, text).group(1))
              for kind in ("User", "System"))
    rss_kib = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", text).group(1))
    return seconds, cpu, rss_kib / 1024.0


def warm(tree):
    """Every tool starts from the same (warm) page cache."""
    subprocess.run(["tar", "-cf", "/dev/null", tree], check=True)


def payload_bytes(tree):
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, files in os.walk(tree) for f in files)


def scratch(parent, name):
    """A folder of this run's own under `parent`: runs sharing a data folder do not collide."""
    os.makedirs(parent, exist_ok=True)
    return tempfile.mkdtemp(prefix=name + "-", dir=parent)
