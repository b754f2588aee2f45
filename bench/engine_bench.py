#!/usr/bin/env python3
"""Time and memory of the PDF engine against qpdf, on large generated files.

usage: bench/engine_bench.py [--papyrion-pdf PATH] [--inputs DIR] [--runs N]

Run by hand, never as a test. Builds nothing: build the optimised tool first,
  cmake --preset release && cmake --build --preset release --target papyrion-pdf
Inputs come from the shared benchmark generator (make_inputs.py, needs
ghostscript) and are kept in --inputs between runs; the variant with object
streams and a cross-reference stream is made from std-5000.pdf by qpdf.

Measured, each as the median wall time and CPU time of N runs and the
largest peak resident memory (GNU time -v) of those runs:
  open   papyrion-pdf info F (open, page count, first page size)
         vs qpdf --show-npages F
  resave papyrion-pdf resave F OUT vs qpdf F OUT
         (every written file is checked with qpdf --check and its page count)
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)


def shared_dir():
    return os.environ.get("PAPYRION_SHARED_DIR", os.path.join(SOURCE, "..", "shared"))


def run_measured(argv, runs):
    """(median wall seconds, median CPU seconds, peak RSS in MiB) of `runs` runs of argv;
    exits on failure. CPU time (user + system) is the steadier figure on a busy machine."""
    times, cpus, peaks = [], [], []
    with tempfile.NamedTemporaryFile(prefix="engine-bench-time-", delete=False) as t:
        stats = t.name
    try:
        for _ in range(runs):
            start = time.perf_counter()
            proc = subprocess.run(["/usr/bin/time", "-v", "-o", stats] + argv,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            elapsed = time.perf_counter() - start
            # qpdf exits 3 for warnings; the written file is checked separately.
            if proc.returncode not in (0, 3):
                sys.exit("failed (%d): %s\n%s" % (proc.returncode, " ".join(argv),
                                                  proc.stderr.decode(errors="replace")))
            with open(stats) as f:
                report = f.read()
            m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", report)
            user = re.search(r"User time \(seconds\): ([\d.]+)", report)
            system = re.search(r"System time \(seconds\): ([\d.]+)", report)
            cpus.append(float(user.group(1)) + float(system.group(1)) if user and system
                        else float("nan"))
            times.append(elapsed)
            peaks.append(int(m.group(1)) / 1024.0 if m else float("nan"))
    finally:
        os.unlink(stats)
    return statistics.median(times), statistics.median(cpus), max(peaks)


def qpdf_pages(path):
    out = subprocess.run(["qpdf", "--show-npages", path], capture_output=True, text=True)
    return int(out.stdout.strip()) if out.returncode in (0, 3) else -1


def check_written(path, expected_pages):
    check = subprocess.run(["qpdf", "--check", path], capture_output=True, text=True)
    pages = qpdf_pages(path)
    ok = check.returncode in (0, 3) and pages == expected_pages
    if not ok:
        print("  WARNING: %s: qpdf --check exit %d, %d pages (expected %d)"
              % (os.path.basename(path), check.returncode, pages, expected_pages))
    return ok


def make_inputs(inputs):
    manifest = os.path.join(inputs, "manifest.tsv")
    if not os.path.exists(manifest):
        generator = os.path.join(shared_dir(), "bench", "make_inputs.py")
        if not os.path.exists(generator):
            sys.exit("make_inputs.py not found; set PAPYRION_SHARED_DIR")
        print("generating inputs in %s (a few minutes)..." % inputs, flush=True)
        subprocess.run([sys.executable, generator, inputs], check=True, stdout=subprocess.DEVNULL)
    objstm = os.path.join(inputs, "std-5000-objstm.pdf")
    if not os.path.exists(objstm):
        subprocess.run(["qpdf", "--object-streams=generate", os.path.join(inputs, "std-5000.pdf"),
                        objstm], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--papyrion-pdf",
                        default=os.path.join(SOURCE, "build", "release", "bin", "papyrion-pdf"))
    parser.add_argument("--inputs", default=os.path.join(tempfile.gettempdir(),
                                                         "papyrion-engine-bench", "inputs"))
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    tool = args.papyrion_pdf
    if not os.access(tool, os.X_OK):
        sys.exit("%s not found: cmake --preset release && "
                 "cmake --build --preset release --target papyrion-pdf" % tool)
    for needed in ("qpdf", "gs"):
        if not shutil.which(needed):
            sys.exit("%s not found" % needed)
    os.makedirs(args.inputs, exist_ok=True)
    make_inputs(args.inputs)
    out_dir = tempfile.mkdtemp(prefix="papyrion-engine-bench-out-")

    def path(name):
        return os.path.join(args.inputs, name)

    rows = []
    try:
        for name in ("std-5000.pdf", "std-5000-objstm.pdf"):
            ours = run_measured([tool, "info", path(name)], args.runs)
            theirs = run_measured(["qpdf", "--show-npages", path(name)], args.runs)
            rows.append(("open+pages " + name, ours, theirs))
        for name in ("std-5000.pdf", "std-5000-objstm.pdf", "tt-1000.pdf", "img-100.pdf"):
            pages = qpdf_pages(path(name))
            ours_out = os.path.join(out_dir, "papyrion-" + name)
            theirs_out = os.path.join(out_dir, "qpdf-" + name)
            ours = run_measured([tool, "resave", path(name), ours_out], args.runs)
            theirs = run_measured(["qpdf", path(name), theirs_out], args.runs)
            check_written(ours_out, pages)
            rows.append(("resave " + name, ours, theirs))
    finally:
        shutil.rmtree(out_dir, ignore_errors=True)

    print("\n%-42s %9s %9s %6s %9s %9s %6s %8s %8s %6s" % (
        "operation (input size)", "ours s", "qpdf s", "ratio", "ours cpu", "qpdf cpu", "ratio",
        "ours MB", "qpdf MB", "ratio"))
    for label, (t_ours, c_ours, m_ours), (t_theirs, c_theirs, m_theirs) in rows:
        size = os.path.getsize(path(label.split(" ", 1)[1])) / 1048576.0
        print("%-42s %9.3f %9.3f %6.2f %9.3f %9.3f %6.2f %8.1f %8.1f %6.2f" % (
            "%s (%.1f MB)" % (label, size), t_ours, t_theirs, t_ours / t_theirs,
            c_ours, c_theirs, c_ours / c_theirs if c_theirs else float("nan"),
            m_ours, m_theirs, m_ours / m_theirs))
    print("\nours = papyrion-pdf; ratio = ours / qpdf (below 1: ours is faster or smaller); "
          "wall and CPU (user + system) seconds are medians of %d runs, memory the largest "
          "peak resident set of them" % args.runs)


if __name__ == "__main__":
    main()
