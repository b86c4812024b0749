# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The panel's settings file as the tests write and read it: a REGEDIT4 registry export of the
panel's one key, held to the exact form the panel writes."""

import re

SECTION = "[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Varnoke]"
REG_SZ, REG_DWORD = 1, 4


def regedit4(lines=()):
    """A settings file's text: the REGEDIT4 header, the panel's key and these lines, then a blank
    line, as a registry export ends. Written with newline="\r\n", its lines end as on Windows."""
    return "\n".join(["REGEDIT4", "", SECTION, *lines]) + "\n\n"


def values(path):
    """The file's values as {name: (type, bytes)}.

    The header must be whole, every line one complete value of a known form, no name twice, the
    last line ended. Anything else fails the test.
    """
    with open(path, "rb") as file:
        raw = file.read()
    assert all(byte < 0x80 for byte in raw), f"the file holds bytes beyond ASCII: {raw[:80]!r}"
    text = raw.decode("ascii")
    if "\r\n" in text:  # as a person or Home.seed writes it
        text = text.replace("\r\n", "\n")
    assert "\r" not in text, "a stray carriage return"
    assert text.endswith("\n"), "the last line is cut short"
    lines = text[:-1].split("\n")
    assert lines[:3] == regedit4().split("\n")[:3], f"bad header {lines[:3]!r}"
    found = {}
    body = lines[3:]
    while body and body[-1] == "":
        body.pop()
    i = 0
    while i < len(body):
        line = body[i]
        i += 1
        while line.endswith(",\\"):
            assert i < len(body) and body[i].startswith("  "), "a broken continuation"
            line = line[:-1] + body[i].strip()
            i += 1
        match = re.fullmatch(r'"((?:[^"\\]|\\[\\"])*)"=(.*)', line)
        assert match, f"not a value line: {line[:80]!r}"
        name = re.sub(r"\\(.)", r"\1", match.group(1))
        data = match.group(2)
        assert name.lower() not in (known.lower() for known in found), f"{name!r} twice"
        if (quoted := re.fullmatch(r'"((?:[^"\\]|\\[\\"])*)"', data)) is not None:
            found[name] = (REG_SZ, re.sub(r"\\(.)", r"\1", quoted.group(1)).encode() + b"\0")
        elif (dword := re.fullmatch(r"dword:([0-9a-f]{8})", data)) is not None:
            found[name] = (REG_DWORD, int(dword.group(1), 16).to_bytes(4, "little"))
        else:
            hexed = re.fullmatch(r"hex(?:\(([0-9a-f]+)\))?:((?:[0-9a-f]{2}(?:,[0-9a-f]{2})*)?)",
                                 data)
            assert hexed, f"not a value: {data[:80]!r}"
            kind = int(hexed.group(1), 16) if hexed.group(1) else 3
            found[name] = (kind, bytes.fromhex(hexed.group(2).replace(",", "")))
    return found


def text_of(value):
    """A string value's text, as the panel reads it back."""
    kind, data = value
    assert kind == REG_SZ, f"type {kind}, not a string"
    return (data[:-1] if data.endswith(b"\0") else data).decode("cp1252")


def strings(path):
    """The texts of the file's string values, as {name: text}; empty when there is no file."""
    try:
        found = values(path)
    except FileNotFoundError:
        return {}
    return {name: text_of(value) for name, value in found.items() if value[0] == REG_SZ}
