#!/usr/bin/env python3
"""Writes html_entities.cpp, the table of HTML's named character references, from the table that
Python's standard library carries (html.entities.html5, the full HTML5 list, with the legacy names
that may stand without ";"). Run from this folder: python3 make_html_entities.py > html_entities.cpp"""
import html.entities
import sys


def c_string(text):
    out = ""
    after_escape = False
    for byte in text.encode("utf-8"):
        char = chr(byte)
        if 0x20 <= byte < 0x7F and char not in '"\\?':
            # A hex digit right after "\xHH" would be read as part of the escape.
            if after_escape and char in "0123456789abcdefABCDEF":
                out += '" "'
            out += char
            after_escape = False
        else:
            out += "\\x%02X" % byte
            after_escape = True
    return '"' + out + '"'


entries = sorted(html.entities.html5.items(), key=lambda item: item[0].encode("utf-8"))
lines = [
    "// HTML's named character references: the name (without \"&\"; with the \";\" unless it is one of the",
    "// legacy names that may stand without it) and its text in UTF-8, sorted by name.",
    "// Made by make_html_entities.py from Python %d.%d's html.entities.html5 (%d names); do not edit."
    % (sys.version_info[0], sys.version_info[1], len(entries)),
    "#include \"ebook/html_references.h\"",
    "",
    "namespace tavrin::ebook {",
    "",
    "const NamedReference kNamedReferences[] = {",
]
for name, text in entries:
    lines.append("    {%s, %s}," % (c_string(name), c_string(text)))
lines += [
    "};",
    "",
    "const size_t kNamedReferenceCount = sizeof kNamedReferences / sizeof kNamedReferences[0];",
    "",
    "} // namespace tavrin::ebook",
]
print("\n".join(lines))
