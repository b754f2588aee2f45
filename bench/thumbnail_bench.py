#!/usr/bin/env python3
"""Thumbnail time of the engine against pdftoppm, on the corpus's largest files.

usage: bench/thumbnail_bench.py [--papyrion-pdf PATH] [--files N] [--runs N]

Run by hand, never as a test. Build the optimised tool first,
  cmake --preset release && cmake --build --preset release --target papyrion-pdf

For each of the N largest readable files of the shared corpus, page 1 is
made into a thumbnail the way the stationery tab makes one (75 DPI at
render factor 0.18, JPEG):
  engine    papyrion-pdf render F 1 OUT.jpg --dpi 75 --factor 0.18
            (open, extract the page, render, write the JPEG)
  pdftoppm  pdftoppm -r 13.5 -jpeg -f 1 -l 1 -singlefile F OUT
Both are whole processes, timed alike (median wall time of the runs), in
the same run. Every engine thumbnail is checked to have pdftoppm's size.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)


def shared_dir():
    return os.environ.get("PAPYRION_SHARED_DIR", os.path.join(SOURCE, "..", "shared"))


def median_seconds(argv, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        proc = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        times.append(time.perf_counter() - start)
        if proc.returncode != 0:
            return None, proc.stderr.decode(errors="replace").strip()
    return statistics.median(times), ""


def jpeg_size(path):
    """(width, height) from the first SOF marker of a JPEG file."""
    with open(path, "rb") as f:
        data = f.read()
    i = 2
    while i + 9 < len(data):
        if data[i] != 0xFF:
            return None
        marker = data[i + 1]
        length = int.from_bytes(data[i + 2:i + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            return (int.from_bytes(data[i + 7:i + 9], "big"),
                    int.from_bytes(data[i + 5:i + 7], "big"))
        i += 2 + length
    return None


def corpus_files(count):
    corpus = os.path.join(shared_dir(), "corpus")
    entries = []
    with open(os.path.join(corpus, "MANIFEST.tsv")) as f:
        header = f.readline().rstrip("\n").split("\t")
        for line in f:
            row = dict(zip(header, line.rstrip("\n").split("\t")))
            # Files that need a password or are broken on purpose are not
            # stationery anyone makes thumbnails of.
            if row.get("password") or row["file"].startswith(("malformed/", "encrypted/")):
                continue
            path = os.path.join(corpus, row["file"])
            if os.path.exists(path):
                entries.append((os.path.getsize(path), path))
    entries.sort(reverse=True)
    return [path for _, path in entries[:count]]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--papyrion-pdf",
                        default=os.path.join(SOURCE, "build", "release", "bin", "papyrion-pdf"))
    parser.add_argument("--files", type=int, default=5)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    if not os.access(args.papyrion_pdf, os.X_OK):
        sys.exit("no papyrion-pdf at %s (build it first)" % args.papyrion_pdf)

    ours_total = theirs_total = 0.0
    print("%-40s %9s %10s %10s %7s" % ("file", "size", "engine s", "pdftoppm s", "ratio"))
    with tempfile.TemporaryDirectory(prefix="thumbnail-bench-") as folder:
        for path in corpus_files(args.files):
            ours_jpg = os.path.join(folder, "ours.jpg")
            theirs = os.path.join(folder, "theirs")
            ours, error = median_seconds([args.papyrion_pdf, "render", path, "1", ours_jpg,
                                          "--dpi", "75", "--factor", "0.18"], args.runs)
            if ours is None:
                print("%-40s engine failed: %s" % (os.path.basename(path), error))
                continue
            pdftoppm, error = median_seconds(["pdftoppm", "-r", "13.5", "-jpeg", "-f", "1",
                                              "-l", "1", "-singlefile", path, theirs], args.runs)
            if pdftoppm is None:
                print("%-40s pdftoppm failed: %s" % (os.path.basename(path), error))
                continue
            same = jpeg_size(ours_jpg) == jpeg_size(theirs + ".jpg")
            ours_total += ours
            theirs_total += pdftoppm
            print("%-40s %9d %10.4f %10.4f %7.2f%s" % (
                os.path.relpath(path, os.path.join(shared_dir(), "corpus")),
                os.path.getsize(path), ours, pdftoppm, ours / pdftoppm,
                "" if same else "  (size differs)"))
    if theirs_total > 0:
        print("total engine %.4f s, pdftoppm %.4f s, ratio %.2f" % (
            ours_total, theirs_total, ours_total / theirs_total))


if __name__ == "__main__":
    main()
