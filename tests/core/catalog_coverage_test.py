#!/usr/bin/python3
"""Fails when the English catalogue has drifted from the program's texts.

    catalog_coverage_test.py <source root> <work dir> [<catalogue>]

Regenerates the template from the sources and XRC files with
scripts/update-catalog.sh and reports every text that the catalogue (default
lng/en.po) lacks, leaves untranslated or marks fuzzy, every entry that no source
text uses any more, and every translation that loses the leading or trailing
blanks, the line breaks or the tabs of its German text (box labels such as
" Programminfo [ %s ] " and the command-line help depend on them). Placeholders
are checked by "msgfmt --check" at build time.

Before checking the real catalogue it makes sure that the check itself notices
each kind of fault in a damaged copy, so that it cannot pass by seeing nothing.
"""
import ast
import os
import subprocess
import sys


class Entry:
    def __init__(self):
        self.msgctxt = None
        self.msgid = ""
        self.msgid_plural = None
        self.msgstr = {}  # index (0 for a singular entry) -> text
        self.flags = set()
        self.obsolete = False

    @property
    def key(self):
        return (self.msgctxt, self.msgid)


def parse_po(text):
    """Entries of a PO file as written by the gettext tools (header included)."""
    entries, entry, field = [], None, None

    def finish():
        if entry is not None and (entry.msgid or entry.msgstr):
            entries.append(entry)

    for raw in text.splitlines():
        line = raw.strip()
        obsolete = line.startswith("#~")
        if obsolete:
            line = line[2:].strip()
            if line.startswith("|"):  # the previous msgid of a fuzzy obsolete entry
                continue
        if not line:
            finish()
            entry, field = None, None
            continue
        if entry is None:
            entry = Entry()
        if obsolete:
            entry.obsolete = True
        if line.startswith("#,"):
            entry.flags.update(f.strip() for f in line[2:].split(","))
            continue
        if line.startswith("#"):
            continue
        if line.startswith('"'):
            value = ast.literal_eval(line)
        else:
            keyword, _, rest = line.partition(" ")
            value = ast.literal_eval(rest)
            if keyword == "msgctxt":
                entry.msgctxt, field = "", ("msgctxt", None)
            elif keyword == "msgid":
                field = ("msgid", None)
            elif keyword == "msgid_plural":
                entry.msgid_plural, field = "", ("msgid_plural", None)
            elif keyword == "msgstr":
                entry.msgstr[0], field = "", ("msgstr", 0)
            elif keyword.startswith("msgstr["):
                index = int(keyword[7:-1])
                entry.msgstr[index], field = "", ("msgstr", index)
            else:
                raise ValueError("unknown line: " + raw)
        name, index = field
        if name == "msgstr":
            entry.msgstr[index] += value
        else:
            setattr(entry, name, getattr(entry, name) + value)
    finish()
    return entries


def shape(text):
    """What a translation must keep of its source text."""
    stripped = text.strip(" ")
    lead = text[: len(text) - len(text.lstrip(" "))]
    trail = text[len(text.rstrip(" ")):]
    return lead, trail, stripped.count("\n"), stripped.count("\t")


def problems(template, catalogue):
    wanted = {e.key: e for e in template if e.msgid}
    active = {e.key: e for e in catalogue if e.msgid and not e.obsolete}
    found = []
    for key, source in wanted.items():
        where = repr(key[1])
        entry = active.get(key)
        if entry is None:
            found.append("missing: " + where)
            continue
        texts = [entry.msgstr.get(i, "") for i in range(max(len(entry.msgstr), 1))]
        if "fuzzy" in entry.flags:
            found.append("fuzzy: " + where)
        elif any(t == "" for t in texts):
            found.append("untranslated: " + where)
        else:
            expected = shape(source.msgid)
            for t in texts:
                if shape(t) != expected:
                    found.append("blanks, line breaks or tabs differ: %s -> %r" % (where, t))
    for key in active.keys() - wanted.keys():
        found.append("no longer used by the sources (run scripts/update-catalog.sh): " + repr(key[1]))
    return found


def damaged_copies(catalogue):
    """Copies of the catalogue with one fault each, and the report each must cause."""
    translated = [e for e in catalogue if e.msgid and not e.obsolete]
    with_blank = next(e for e in translated if e.msgid.endswith(" "))

    def copy(change):
        entries = parse_po(render(catalogue))
        for e in entries:
            if e.key == change[0].key:
                change[1](e)
        return [e for e in entries if not getattr(e, "drop", False)]

    def drop(e):
        e.drop = True

    def empty(e):
        e.msgstr = {0: ""}

    def fuzzy(e):
        e.flags.add("fuzzy")

    def cut_blank(e):
        e.msgstr = {0: e.msgstr[0].rstrip(" ")}

    def rename(e):
        e.msgid = e.msgid + " (alt)"

    first = translated[1]
    return [
        (copy((first, drop)), "missing: "),
        (copy((first, empty)), "untranslated: "),
        (copy((first, fuzzy)), "fuzzy: "),
        (copy((with_blank, cut_blank)), "blanks, line breaks or tabs differ: "),
        (copy((first, rename)), "no longer used by the sources"),
    ]


def render(entries):
    def quoted(keyword, text):
        return '%s "%s"' % (keyword, text.replace("\\", "\\\\").replace('"', '\\"')
                            .replace("\n", "\\n").replace("\t", "\\t"))

    blocks = []
    for e in entries:
        lines = []
        if e.flags:
            lines.append("#, " + ", ".join(sorted(e.flags)))
        if e.msgctxt is not None:
            lines.append(quoted("msgctxt", e.msgctxt))
        lines.append(quoted("msgid", e.msgid))
        if e.msgid_plural is not None:
            lines.append(quoted("msgid_plural", e.msgid_plural))
            lines += [quoted("msgstr[%d]" % i, t) for i, t in sorted(e.msgstr.items())]
        else:
            lines.append(quoted("msgstr", e.msgstr.get(0, "")))
        blocks.append("\n".join(("#~ " + l if e.obsolete else l) for l in lines))
    return "\n\n".join(blocks) + "\n"


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    root, work = sys.argv[1], sys.argv[2]
    po_path = sys.argv[3] if len(sys.argv) == 4 else os.path.join(root, "lng", "en.po")
    os.makedirs(work, exist_ok=True)
    pot_path = os.path.join(work, "tessaro.pot")
    subprocess.run([os.path.join(root, "scripts", "update-catalog.sh"), "--pot", pot_path], check=True)

    with open(pot_path, encoding="utf-8") as f:
        template = parse_po(f.read())
    with open(po_path, encoding="utf-8") as f:
        catalogue = parse_po(f.read())

    # The extraction must have reached both kinds of source.
    with open(pot_path, encoding="utf-8") as f:
        references = " ".join(l for l in f if l.startswith("#:"))
    for kind in (".cpp:", ".xrc:"):
        if kind not in references:
            sys.exit("the template has no text from any %s file; the extraction is broken" % kind[:-1])

    for damaged, report in damaged_copies(catalogue):
        if not any(p.startswith(report) for p in problems(template, damaged)):
            sys.exit("the check misses a fault: " + report)

    found = problems(template, catalogue)
    for p in found:
        print(p)
    if found:
        print("\n%d problem(s) in %s: run scripts/update-catalog.sh and translate the new entries."
              % (len(found), po_path))
        return 1
    print("%s covers all %d texts of the sources and XRC files" % (po_path, len(template) - 1))
    return 0


if __name__ == "__main__":
    sys.exit(main())
