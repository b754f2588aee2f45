#!/usr/bin/env python3
"""Stamping against qpdf: wall time, peak memory and output size.

usage: stamping_bench.py [--cli PATH] [--inputs DIR] [--sizes 10,100,1000]

For each A4 letter std-N.pdf made by the shared make_inputs.py, lays the
letterhead under page 1 and the continuation page under pages 2 to the end,
once with papyrion-cli and once with `qpdf --underlay`, each in a fresh
process, and prints one table row per size and tool plus the ratios. Run by
hand; nothing here is a test.
"""
import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)


def run_measured(argv, env=None):
    """Runs argv in a child of a fresh helper so that RUSAGE_CHILDREN is its own."""
    helper = (
        "import resource,subprocess,sys,time\n"
        "t=time.monotonic()\n"
        "r=subprocess.run(sys.argv[1:],stdout=subprocess.DEVNULL,stderr=subprocess.PIPE)\n"
        "w=time.monotonic()-t\n"
        "m=resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss\n"
        "sys.stderr.buffer.write(r.stderr[-2000:])\n"
        "print(r.returncode,w,m)\n")
    out = subprocess.run([sys.executable, "-c", helper] + argv, env=env,
                         capture_output=True, text=True, check=True)
    code, wall, rss_kib = out.stdout.split()
    if int(code) != 0:
        sys.exit(f"{argv[0]} failed ({code}): {out.stderr}")
    return float(wall), int(rss_kib)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default=os.path.join(SOURCE, "build", "release", "bin",
                                                      "papyrion-cli"))
    parser.add_argument("--inputs", help="folder made by make_inputs.py (made when missing)")
    parser.add_argument("--shared", default=os.path.join(SOURCE, "..", "shared"))
    parser.add_argument("--sizes", default="10,100,1000")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="papyrion-stamping-bench-")
    inputs = args.inputs or os.path.join(work, "inputs")
    if not os.path.exists(os.path.join(inputs, "letterhead.pdf")):
        subprocess.run([sys.executable, os.path.join(args.shared, "bench", "make_inputs.py"),
                        inputs], check=True, stdout=subprocess.DEVNULL)
    letterhead = os.path.join(inputs, "letterhead.pdf")
    continuation = os.path.join(inputs, "continuation.pdf")
    stationery_bytes = os.path.getsize(letterhead) + os.path.getsize(continuation)

    env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "xdg"))
    print(f"stationery: letterhead {os.path.getsize(letterhead)} B, "
          f"continuation {os.path.getsize(continuation)} B")
    print(f"{'pages':>6} {'tool':<13} {'wall s':>8} {'peak MiB':>9} {'output B':>11} "
          f"{'input B':>10} {'out-in-stat B/page':>19}")
    for pages in [int(n) for n in args.sizes.split(",")]:
        source = os.path.join(inputs, f"std-{pages}.pdf")
        input_bytes = os.path.getsize(source)
        results = {}
        # papyrion-cli writes next to its input: give it a copy of its own.
        folder = os.path.join(work, f"cli-{pages}")
        os.makedirs(folder, exist_ok=True)
        doc = os.path.join(folder, "letter.pdf")
        shutil.copyfile(source, doc)
        cli = [args.cli, "--stationery", "on", "--placement", "under",
               "--letterhead", letterhead, "--letterhead-rule", "first",
               "--continuation", continuation, "--continuation-rule", "rest", doc]
        results["papyrion-cli"] = run_measured(cli, env) + (
            os.path.getsize(os.path.join(folder, "letter_output.pdf")),)
        # qpdf takes one underlay file per pass: the letterhead on page 1, then
        # the continuation page repeated on pages 2 to the end. Both passes
        # are timed together; the peak is the larger of the two.
        first = os.path.join(work, f"qpdf-{pages}-1.pdf")
        out = os.path.join(work, f"qpdf-{pages}.pdf")
        qpdf = ["sh", "-c",
                'qpdf "$1" --underlay "$2" --to=1 -- "$4" && '
                'qpdf "$4" --underlay "$3" --to=2-z --from= --repeat=1 -- "$5"',
                "sh", source, letterhead, continuation, first, out]
        results["qpdf"] = run_measured(qpdf) + (os.path.getsize(out),)
        for tool, (wall, rss, size) in results.items():
            per_page = (size - input_bytes - stationery_bytes) / pages
            print(f"{pages:>6} {tool:<13} {wall:>8.3f} {rss / 1024:>9.1f} {size:>11} "
                  f"{input_bytes:>10} {per_page:>19.1f}")
        (cw, cr, cs), (qw, qr, qs) = results["papyrion-cli"], results["qpdf"]
        print(f"{pages:>6} {'cli / qpdf':<13} {cw / qw:>8.2f} {cr / qr:>9.2f} {cs / qs:>11.2f}")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
