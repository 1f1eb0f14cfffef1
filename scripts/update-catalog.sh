#!/usr/bin/env bash
# Collects every translatable text of the program into lng/tessaro.pot and merges it
# into the catalogues lng/<language>.po; translate the new or fuzzy entries afterwards.
#
#   scripts/update-catalog.sh            regenerate lng/tessaro.pot and merge it into lng/*.po
#   scripts/update-catalog.sh --pot FILE only write the template to FILE (used by the tests)
#
# Texts come from two places: _(), wxTRANSLATE(), wxPLURAL() and wxGetTranslation() with
# a literal in the tracked sources below src/, and the labels, titles, tool-tips and
# help texts of the XRC files, which wxXmlResource translates when it loads a window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

pot=$root/lng/tessaro.pot
merge=1
if [[ ${1:-} == --pot ]]; then
    [[ -n ${2:-} ]] || { echo "usage: $0 [--pot FILE]" >&2; exit 2; }
    pot=$(realpath -m -- "$2")
    merge=0
elif [[ $# -gt 0 ]]; then
    echo "usage: $0 [--pot FILE]" >&2
    exit 2
fi
cd "$root"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Tracked files only, so that stray local files never reach the catalogue; without git
# (an exported source tree) every file below src/ counts.
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$root" ls-files -- 'src/*.cpp' 'src/*.h' >"$work/sources"
    git -C "$root" ls-files -- 'src/*.xrc' >"$work/xrc-files"
else
    find src -name '*.cpp' -o -name '*.h' | sort >"$work/sources"
    find src -name '*.xrc' | sort >"$work/xrc-files"
fi

# wxrc -g writes each XRC text as a _("...") call after a "#line N "file"" directive,
# which xgettext does not honour. Copying every call to line N of a file with the XRC
# file's name makes the references of the template point at the XRC lines themselves.
mapfile -t xrc_files <"$work/xrc-files"
if [[ ${#xrc_files[@]} -gt 0 ]]; then
    wxrc -g "${xrc_files[@]}" -o "$work/xrc-strings.c"
    awk -v out="$work/src" '
        /^#line [0-9]+ "/ {
            target = $2; file = $3; gsub(/"/, "", file); next
        }
        /^_\(/ {
            path = out "/" file
            if (!(path in written)) {
                dir = path; sub(/\/[^\/]*$/, "", dir)
                system("mkdir -p \"" dir "\"")
                written[path] = 1; at[path] = 1; order[++n] = path; names[path] = file
            }
            while (at[path] < target) { printf "\n" >> path; at[path]++ }
            printf "%s ", $0 >> path
        }
        END { for (i = 1; i <= n; i++) { printf "\n" >> order[i]; print names[order[i]] } }
    ' "$work/xrc-strings.c" >"$work/xrc-generated"
else
    : >"$work/xrc-generated"
fi

# xgettext joins adjacent literals only without an encoding prefix: of _(L"a" L"b") it
# would take "a" alone, which is not the text the program looks up. It reads copies of
# the sources with the prefixes of string literals removed (lines stay where they are).
mkdir -p "$work/src"
/usr/bin/python3 - "$work/src" "$work/sources" <<'PY'
import os, sys

out_dir, list_file = sys.argv[1], sys.argv[2]

def strip_prefixes(text):
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j += 1
        elif c.isdigit():
            # Numbers may hold digit separators (1'000), which are no character literal.
            j = i
            while j < n and (text[j].isalnum() or text[j] in "_'."):
                j += 1
        elif c.isalpha() or c == "_":
            j = i
            while j < n and (text[j].isalnum() or text[j] == "_"):
                j += 1
            if text[i:j] in ("L", "u8", "u", "U") and j < n and text[j] == '"':
                i = j
                continue
        else:
            j = i + 1
        out.append(text[i:j])
        i = j
    return "".join(out)

for name in open(list_file, encoding="utf-8").read().split("\n"):
    if not name:
        continue
    target = os.path.join(out_dir, name)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(name, encoding="utf-8") as src, open(target, "w", encoding="utf-8") as dst:
        dst.write(strip_prefixes(src.read()))
PY

common=(--from-code=UTF-8 --language=C++ -c --sort-by-file
        --package-name="Tessaro E2" --msgid-bugs-address="team@tessaro.invalid"
        -k_ -kwxTRANSLATE -kwxPLURAL:1,2 -kwxGetTranslation)
cat "$work/sources" "$work/xrc-generated" >"$work/all-files"
(cd "$work/src" && xgettext "${common[@]}" -f "$work/all-files" -o "$work/all.pot")
{
    echo "# Translatable texts of Tessaro E2; German is the source language."
    echo "# Made by scripts/update-catalog.sh from the sources and XRC files; do not edit."
    # xgettext's four lines of placeholder comments give way to the two above.
    sed -e '1,4d' -e '/^"POT-Creation-Date:/d' "$work/all.pot"
} >"$pot"

if [[ $merge == 1 ]]; then
    for po in lng/*.po; do
        # Keeps the header (with its Language-Team line); texts gone from the sources
        # stay as obsolete "#~" entries, changed ones come back fuzzy.
        msgmerge --quiet --update --backup=none --sort-by-file "$po" "$pot"
        untranslated=$(msgattrib --untranslated --no-obsolete "$po" | grep -c '^msgid' || true)
        fuzzy=$(msgattrib --only-fuzzy --no-obsolete "$po" | grep -c '^msgid' || true)
        # Both counts include the header entry when there is anything to report.
        echo "$po: $((untranslated > 0 ? untranslated - 1 : 0)) untranslated, $((fuzzy > 0 ? fuzzy - 1 : 0)) fuzzy"
    done
fi
