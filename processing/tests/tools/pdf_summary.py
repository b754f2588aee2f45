#!/usr/bin/env python3
"""Prints what a PDF's readers rely on besides its page content, as qpdf
reads it: the form fields with their values and pages, the annotations of
every page by subtype, the outline titles with their target pages, and the
page labels. Two files with the same summary carry the same of all that."""
import json
import subprocess
import sys


def main(path):
    data = json.loads(subprocess.run(["qpdf", "--json", path], capture_output=True,
                                     text=True).stdout)
    objects = data["qpdf"][1]
    pages = [p["object"] for p in data["pages"]]

    def value(ref):
        return objects.get("obj:" + ref, {}).get("value", {})

    def annotations(page_ref):
        annots = value(page_ref).get("/Annots", [])
        if isinstance(annots, str):
            annots = value(annots)
        return sorted(value(a).get("/Subtype", "?") for a in annots)

    fields = sorted((f["fullname"], str(f["value"]), f["pageposfrom1"])
                    for f in data["acroform"]["fields"])

    def outline(items):
        return [(o["title"], o["destpageposfrom1"], outline(o["kids"])) for o in items]

    print(json.dumps({
        "pages": len(pages),
        "fields": fields,
        "annotations": [annotations(p) for p in pages],
        "outlines": outline(data["outlines"]),
        "labels": [(l["index"], l["label"]) for l in data["pagelabels"]],
    }, sort_keys=True))


if __name__ == "__main__":
    main(sys.argv[1])
