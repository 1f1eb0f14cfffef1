"""Writes web-interface answers the way the receiver's web interface does:
XML declaration, one element per line, tab indentation, every text escaped."""

import re
from xml.sax.saxutils import escape

# Characters XML 1.0 cannot carry at all; a bad EPG text must not break the answer.
_INVALID = re.compile("[\x00-\x08\x0b\x0c\x0e-\x1f\ufffe\uffff]")
_ENTITIES = {'"': "&quot;", "'": "&apos;"}

DECLARATION = '<?xml version="1.0" encoding="UTF-8"?>\n'


def text(value):
    if value is None:
        return ""
    if isinstance(value, bool):
        value = "True" if value else "False"
    return escape(_INVALID.sub("", str(value)), _ENTITIES)


def E(tag, *children, **fields):
    """An element: E(tag, value) for a leaf, E(tag, child, child...) for a
    list. Keyword fields are leaf children in the given order."""
    kids = list(children)
    for k, v in fields.items():
        kids.append((k, v))
    if len(kids) == 1 and not isinstance(kids[0], tuple) and not isinstance(kids[0], list):
        return (tag, kids[0])
    flat = []
    for k in kids:
        if isinstance(k, list):
            flat.extend(k)
        else:
            flat.append(k)
    return (tag, flat)


def _write(node, depth, out):
    tag, value = node
    pad = "\t" * depth
    if isinstance(value, list):
        if not value:
            out.append("%s<%s>\n%s</%s>\n" % (pad, tag, pad, tag))
            return
        out.append("%s<%s>\n" % (pad, tag))
        for child in value:
            _write(child, depth + 1, out)
        out.append("%s</%s>\n" % (pad, tag))
    else:
        out.append("%s<%s>%s</%s>\n" % (pad, tag, text(value), tag))


def document(root):
    """The whole answer as UTF-8 bytes."""
    out = [DECLARATION]
    _write(root, 0, out)
    return "".join(out).encode("utf-8")


def simple_result(ok, statetext):
    return document(("e2simplexmlresult", [("e2state", bool(ok)), ("e2statetext", statetext)]))
