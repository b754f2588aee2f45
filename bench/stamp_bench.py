#!/usr/bin/env python3
"""Stamping one stationery page onto every page: the composition, the literal sequence, qpdf.

usage: bench/stamp_bench.py [--papyrion-pdf PATH] [--stamp-sequence PATH] [--inputs DIR]
                           [--runs N] [--pages N]

Run by hand, never as a test. Build the optimised programs first:
  cmake --preset release -DPAPYRION_BUILD_BENCH=ON
  cmake --build --preset release --target papyrion-pdf stamp_sequence
Inputs come from the shared benchmark generator (make_inputs.py, needs
ghostscript): std-N.pdf (letters) and letterhead.pdf, kept in --inputs.

Measured, as the median wall and CPU time of N runs and the largest peak
resident memory (GNU time -v), and the output size:
  ours  papyrion-pdf stamp std-N.pdf letterhead.pdf OUT   (foreground, the
        processing run's composition: the stationery appended and captured
        once, drawn on pages 1 to 999)
  ours, per page: stamp_sequence std-N.pdf letterhead.pdf OUT (bench/, the
        literal sequence: appended and captured anew for every page, the
        layer saved twice on the way)
  qpdf  qpdf std-N.pdf --overlay letterhead.pdf --repeat=1 -- OUT
Every output is checked with qpdf --check and its page count.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)


def shared_dir():
    return os.environ.get("PAPYRION_SHARED_DIR", os.path.join(SOURCE, "..", "shared"))


def run_measured(argv, runs):
    walls, cpus, peaks = [], [], []
    with tempfile.NamedTemporaryFile(prefix="stamp-bench-time-", delete=False) as t:
        log = t.name
    try:
        for _ in range(runs):
            done = subprocess.run(["/usr/bin/time", "-v", "-o", log] + argv,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            if done.returncode not in (0, 3):  # qpdf exits 3 for warnings
                sys.exit("failed (%d): %s\n%s" % (done.returncode, " ".join(argv), done.stderr))
            text = open(log).read()
            wall = re.search(r"Elapsed \(wall clock\) time.*: (?:(\d+):)?(\d+):([\d.]+)", text)
            h, m, s = wall.group(1), wall.group(2), wall.group(3)
            walls.append((int(h) if h else 0) * 3600 + int(m) * 60 + float(s))
            user = float(re.search(r"User time \(seconds\): ([\d.]+)", text).group(1))
            system = float(re.search(r"System time \(seconds\): ([\d.]+)", text).group(1))
            cpus.append(user + system)
            peaks.append(int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", text).group(1)))
    finally:
        os.unlink(log)
    return statistics.median(walls), statistics.median(cpus), max(peaks) / 1024.0


def check(path, pages):
    done = subprocess.run(["qpdf", "--check", path], capture_output=True, text=True)
    if done.returncode not in (0, 3) or "ERROR" in done.stdout:
        sys.exit("qpdf --check fails on %s:\n%s" % (path, done.stdout[-2000:]))
    count = subprocess.run(["qpdf", "--show-npages", path], capture_output=True, text=True)
    if int(count.stdout.strip()) != pages:
        sys.exit("%s has %s pages, expected %d" % (path, count.stdout.strip(), pages))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--papyrion-pdf", default=os.path.join(SOURCE, "build", "release", "bin",
                                                               "papyrion-pdf"))
    parser.add_argument("--stamp-sequence", default=os.path.join(SOURCE, "build", "release", "bin",
                                                                 "stamp_sequence"))
    parser.add_argument("--inputs", default=os.path.join(tempfile.gettempdir(), "stationery-bench",
                                                         "inputs"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--pages", type=int, default=1000)
    args = parser.parse_args()
    source = os.path.join(args.inputs, "std-%d.pdf" % args.pages)
    stationery = os.path.join(args.inputs, "letterhead.pdf")
    if not (os.path.exists(source) and os.path.exists(stationery)):
        subprocess.run([sys.executable, os.path.join(shared_dir(), "bench", "make_inputs.py"),
                        args.inputs], check=True, stdout=subprocess.DEVNULL)
    work = tempfile.mkdtemp(prefix="stamp-bench-")
    ours = os.path.join(work, "ours.pdf")
    theirs = os.path.join(work, "qpdf.pdf")
    per_page = os.path.join(work, "ours-per-page.pdf")
    rows = [
        ("papyrion-pdf stamp", [args.papyrion_pdf, "stamp", source, stationery, ours], ours),
        ("stamp_sequence", [args.stamp_sequence, source, stationery, per_page], per_page),
        ("qpdf --overlay", ["qpdf", source, "--overlay", stationery, "--repeat=1", "--", theirs],
         theirs),
    ]
    print("%d pages, %d runs; input %d bytes, stationery %d bytes" %
          (args.pages, args.runs, os.path.getsize(source), os.path.getsize(stationery)))
    print("%-20s %10s %10s %10s %12s" % ("", "wall s", "cpu s", "peak MiB", "output bytes"))
    for name, argv, out in rows:
        wall, cpu, peak = run_measured(argv, args.runs)
        check(out, args.pages)
        print("%-20s %10.3f %10.3f %10.1f %12d" % (name, wall, cpu, peak, os.path.getsize(out)))


if __name__ == "__main__":
    main()
