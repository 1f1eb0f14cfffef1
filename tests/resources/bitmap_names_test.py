#!/usr/bin/python3
"""Fails when the program asks for a picture that its resources do not hold.

    bitmap_names_test.py <source root>

Pictures are loaded by name at run time (wxXmlResource::LoadBitmap), where a
missing one only shows as an empty tool or a black video panel. This check
collects every picture name the sources use, the profile pictures named by
number included, and every file an XRC file points to, and reports each name
without a bitmap object and each path without its PNG.
"""
import glob
import os
import re
import sys


def used_names(root):
    names = set()
    for path in glob.glob(os.path.join(root, "src", "**", "*.[ch]*"), recursive=True):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        names.update(re.findall(r'"((?:IMG|BMP)_[A-Z0-9_]+|DEFAULT_PICON)"', text))
        for prefix in re.findall(r'"((?:IMG|BMP)_[A-Z0-9_]+_)%d"', text):
            names.update(f"{prefix}{n}" for n in range(1, 11))
    return names


def main():
    root = sys.argv[1]
    resources = os.path.join(root, "src", "resources")
    defined, faults = set(), []
    for xrc in sorted(glob.glob(os.path.join(resources, "*.xrc"))):
        with open(xrc, encoding="utf-8") as f:
            text = f.read()
        for name, path in re.findall(r'<object class="wxBitmap" name="([^"]+)">([^<]+)</object>', text):
            defined.add(name)
            if not os.path.isfile(os.path.join(resources, path)):
                faults.append(f"{os.path.basename(xrc)}: {name} points to missing {path}")
        for path in re.findall(r"<bitmap[^>]*>([^<]+)</bitmap>", text):
            if not os.path.isfile(os.path.join(resources, path)):
                faults.append(f"{os.path.basename(xrc)}: missing {path}")
    names = used_names(root)
    if len(names) < 20:
        faults.append(f"found only {len(names)} picture names in the sources; the scan is broken")
    faults += [f"no bitmap resource named {name}" for name in sorted(names - defined)]
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
