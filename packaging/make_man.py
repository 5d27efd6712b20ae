#!/usr/bin/env python3
"""Writes the manual pages of the programs from one source file.

    make_man.py manual.txt OUTDIR VERSION [LANGUAGE]

LANGUAGE (ru, the default, or en) is the language of the source, for the
headings the page makes itself.

The source holds one block per program:

    @page NAME
    @summary one line
    @synopsis
    lines, one form of the command each
    @section TITLE
    paragraphs; a line followed by indented lines is a term (an option,
    a file) and the indented lines describe it

Each page becomes OUTDIR/NAME.1.gz (gzip without a time stamp, so builds
are reproducible).
"""
import gzip
import os
import re
import sys

def escape(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def emphasise_options(text):
    # Options in running text set in bold, as manual pages do.
    return re.sub(r"(?<![\w\\])(\\-\\-[a-z][a-z0-9\\-]*)", r"\\fB\1\\fR", text)


HEADINGS = {
    "ru": ("НАЗВАНИЕ", "ОБЗОР"),
    "en": ("NAME", "SYNOPSIS"),
}


def render(page, version, language="ru"):
    name_heading, synopsis_heading = HEADINGS[language]
    out = [
        '.TH "%s" 1 "" "Vellumo %s" "Vellumo"' % (page["name"].upper(), version),
        ".SH " + name_heading,
        "%s \\- %s" % (escape(page["name"]), escape(page["summary"])),
        ".SH " + synopsis_heading,
    ]
    out.append(".nf")
    out += [escape(line) for line in page["synopsis"]]
    out.append(".fi")
    for title, lines in page["sections"]:
        out.append(".SH " + title)
        paragraph = []

        def flush():
            if paragraph:
                out.append(emphasise_options(escape(" ".join(paragraph))))
                paragraph.clear()

        for i, raw in enumerate(lines):
            following = lines[i + 1] if i + 1 < len(lines) else ""
            if not raw.strip():
                flush()
                out.append(".PP")
            elif not raw.startswith(" ") and following.startswith("  "):
                # A term (an option, a file) with its description below it.
                flush()
                out.append(".TP")
                out.append("\\fB" + escape(raw.strip()) + "\\fR")
            else:
                paragraph.append(raw.strip())
        flush()
    # Drop paragraph marks that start a section or follow another.
    cleaned = []
    for line in out:
        if line == ".PP" and cleaned and (cleaned[-1].startswith(".SH") or cleaned[-1] in (".PP", ".TP")):
            continue
        cleaned.append(line)
    while cleaned and cleaned[-1] == ".PP":
        cleaned.pop()
    return "\n".join(cleaned) + "\n"


def parse(path):
    pages = []
    page = None
    target = None
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith("#"):
                continue
            if line.startswith("@page "):
                page = {"name": line[6:].strip(), "summary": "", "synopsis": [], "sections": []}
                pages.append(page)
                target = None
            elif line.startswith("@summary "):
                page["summary"] = line[9:].strip()
            elif line.startswith("@synopsis"):
                target = page["synopsis"]
            elif line.startswith("@section "):
                target = []
                page["sections"].append((line[9:].strip(), target))
            elif target is not None:
                if target is page["synopsis"]:
                    if line.strip():
                        target.append(line.strip())
                else:
                    target.append(line)
    for p in pages:
        for _, lines in p["sections"]:
            while lines and not lines[-1].strip():
                lines.pop()
    return pages


def main():
    if len(sys.argv) not in (4, 5) or sys.argv[4:] not in ([], ["ru"], ["en"]):
        sys.exit("usage: make_man.py manual.txt OUTDIR VERSION [ru|en]")
    source, outdir, version = sys.argv[1:4]
    language = sys.argv[4] if len(sys.argv) == 5 else "ru"
    os.makedirs(outdir, exist_ok=True)
    for page in parse(source):
        data = render(page, version, language).encode("utf-8")
        with open(os.path.join(outdir, page["name"] + ".1.gz"), "wb") as raw:
            with gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9, mtime=0) as z:
                z.write(data)


if __name__ == "__main__":
    main()
