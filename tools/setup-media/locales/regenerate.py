#!/usr/bin/env python3
"""Regenerates tools/setup-media/locales/locales.tsv, the table of every locale Windows knows,
and tools/setup-media/locales/upcase.tsv, how Windows upper-cases file names to compare and
order them.

    python3 tools/setup-media/locales/regenerate.py

builds dump_locales.exe and dump_upcase.exe with MinGW-w64, runs them under 32-bit Wine in a
prefix of its own (build/locales/prefix, made with wineboot -i when missing), applies
windows_corrections.tsv (Windows' own values where Wine's differ, and the locales Wine lacks)
and writes both tables. Nothing is written unless the measurement and every correction check out.

Columns: name, lcid (0x0407; empty for a locale known by name only), English language and
country names, abbreviation (LOCALE_SABBREVLANGNAME), iso639, iso639_2, ansi_codepage, neutral
(1/0), source ("Wine <version>" for measured rows, then "field, ...: <source>" per correction).
Rows are sorted by name, ordinal, ignoring case.
"""
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(HERE)))
BUILD = os.path.join(ROOT, "build", "locales")
PREFIX = os.path.join(BUILD, "prefix")
EXE = os.path.join(BUILD, "dump_locales.exe")
UPCASE_EXE = os.path.join(BUILD, "dump_upcase.exe")
UPCASE = os.path.join(HERE, "upcase.tsv")
CORRECTIONS = os.path.join(HERE, "windows_corrections.tsv")
TABLE = os.path.join(HERE, "locales.tsv")
WINE = "/usr/lib/wine/wine" if os.path.exists("/usr/lib/wine/wine") else "wine"  # the 32-bit loader
WINESERVER = "/usr/lib/wine/wineserver" if os.path.exists("/usr/lib/wine/wineserver") else "wineserver"

COLUMNS = ["name", "lcid", "language", "country", "abbreviation", "iso639", "iso639_2", "ansi_codepage",
           "neutral", "source"]
FIELDS = COLUMNS[1:-1]
VALID = {"lcid": re.compile(r"(0x[0-9A-F]{4,5})?\Z"), "abbreviation": re.compile(r"[A-Z]{3}\Z"),
         "iso639": re.compile(r"[a-z]{2,3}\Z"), "iso639_2": re.compile(r"[a-z]{3}\Z"),
         "ansi_codepage": re.compile(r"[0-9]+\Z"), "neutral": re.compile(r"[01]\Z"),
         "language": re.compile(r"[^\t\r\n]+\Z"), "country": re.compile(r"[^\t\r\n]*\Z")}


def fail(message):
    sys.exit("regenerate.py: " + message)


def wine_env():
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "LC_", "LANGUAGE", "LOCPATH", "DISPLAY"))}
    env.update(WINEARCH="win32", WINEPREFIX=PREFIX, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               LANG="en_US.UTF-8")
    return env


def build():
    os.makedirs(BUILD, exist_ok=True)
    for exe, source, libraries in ((EXE, "dump_locales.c", []), (UPCASE_EXE, "dump_upcase.c", ["-lntdll"])):
        subprocess.run(["i686-w64-mingw32-gcc-win32", "-O2", "-s", "-mconsole", "-Wall", "-Wextra",
                        "-o", exe, os.path.join(HERE, source)] + libraries, check=True)


def measure():
    """Wine's table as (source, rows), the dump program's notes echoed to stderr."""
    version = subprocess.run([WINE, "--version"], stdout=subprocess.PIPE, text=True, check=True).stdout.strip()
    source = "Wine " + version[len("wine-"):] if version.startswith("wine-") else version
    env = wine_env()
    try:
        if not os.path.exists(os.path.join(PREFIX, "system.reg")):
            shutil.rmtree(PREFIX, ignore_errors=True)
            print("regenerate.py: creating the 32-bit Wine prefix " + PREFIX, flush=True)
            boot = subprocess.run([WINE, "wineboot", "-i"], env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True, timeout=600)
            if boot.returncode != 0 or not os.path.exists(os.path.join(PREFIX, "system.reg")):
                shutil.rmtree(PREFIX, ignore_errors=True)
                fail("wineboot -i failed (exit %s):\n%s" % (boot.returncode, boot.stdout[-2000:]))
        run = subprocess.run([WINE, EXE, source], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             timeout=600)
        upcase = subprocess.run([WINE, UPCASE_EXE], env=env, stdout=subprocess.PIPE, timeout=600)
    finally:  # this prefix's server only, and wait until it is gone
        subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=env, stderr=subprocess.DEVNULL, timeout=120)
    notes = run.stderr.decode("utf-8", "replace")
    sys.stderr.write(notes)
    if run.returncode != 0:
        fail("dump_locales.exe exited with %s" % run.returncode)
    try:
        lines = run.stdout.decode("utf-8").split("\n")
    except UnicodeDecodeError as error:
        fail("dump_locales.exe wrote no UTF-8: %s" % error)
    if lines[-1] != "" or lines[0] != "\t".join(COLUMNS):
        fail("dump_locales.exe wrote no complete table")
    rows = [dict(zip(COLUMNS, line.split("\t"))) for line in lines[1:-1]]
    for line, row in zip(lines[1:-1], rows):
        if line.count("\t") != len(COLUMNS) - 1 or not check(row, FIELDS):
            fail("unexpected row from dump_locales.exe: %r" % line)
    mappings = upcase.stdout.decode("ascii", "replace").replace("\r\n", "\n")
    if upcase.returncode != 0 or not re.fullmatch(r"code\tupper\n([0-9A-F]{4}\t[0-9A-F]{4}\n){1000,}", mappings):
        fail("dump_upcase.exe exited with %s, or wrote no table" % upcase.returncode)
    return source, rows, mappings


def check(row, fields):
    return all(VALID[field].match(row[field]) for field in fields)


def read_corrections():
    """{name: {field: (value, source)}}; lines starting with # are comments."""
    corrections = {}
    with open(CORRECTIONS, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if lines[0] != "name\tfield\tvalue\tsource":
        fail("%s: the first line must be the header name, field, value, source" % CORRECTIONS)
    for number, line in enumerate(lines[1:], 2):
        if not line or line.startswith("#"):
            continue
        parts = line.split("\t")
        where = "%s:%d: " % (CORRECTIONS, number)
        if len(parts) != 4 or not all(parts):
            fail(where + "needs name, field, value and source")
        name, field, value, source = parts
        if field not in FIELDS or not check({field: value}, [field]) or "; " in source:
            fail(where + "not a valid %s value, or a source holding \"; \"" % field)
        if field in corrections.setdefault(name.lower(), {}):
            fail(where + "%s of %s given twice" % (field, name))
        corrections[name.lower()][field] = (value, source)
        corrections[name.lower()].setdefault("", name)  # the name as written
    return corrections


def apply(rows, corrections):
    by_name = {}
    for row in rows:
        if row["name"].lower() in by_name:
            fail("%s is enumerated twice" % row["name"])
        by_name[row["name"].lower()] = row
    for key, fix in corrections.items():
        name = fix.pop("")
        row = by_name.get(key)
        if row is None:
            missing = [field for field in FIELDS if field not in fix]
            if missing:
                fail("%s is not in Wine's table; its correction must give %s too" % (name, ", ".join(missing)))
            row = by_name[key] = dict(name=name, **{field: value for field, (value, _) in fix.items()})
            row["source"] = describe({field: source for field, (_, source) in fix.items()})
            rows.append(row)
            continue
        sources = {}
        for field, (value, source) in fix.items():
            if row[field] == value:
                print("regenerate.py: note: Wine now agrees on %s of %s (%s); the correction can go"
                      % (field, name, value), file=sys.stderr)
            else:
                row[field] = value
                sources[field] = source
        if sources:
            row["source"] += "; " + describe(sources)


def describe(sources):
    """"field, field: source; ..." in column order."""
    grouped = {}
    for field in FIELDS:
        if field in sources:
            grouped.setdefault(sources[field], []).append(field)
    return "; ".join("%s: %s" % (", ".join(fields), source) for source, fields in grouped.items())


def write(rows):
    rows.sort(key=lambda row: row["name"].upper())
    temporary = TABLE + ".tmp"
    with open(temporary, "w", encoding="utf-8", newline="\n") as f:
        f.write("\t".join(COLUMNS) + "\n")
        for row in rows:
            f.write("\t".join(row[column] for column in COLUMNS) + "\n")
    os.replace(temporary, TABLE)


def main():
    if len(sys.argv) > 1:
        sys.exit(__doc__)
    corrections = read_corrections()
    build()
    source, rows, mappings = measure()
    apply(rows, corrections)
    write(rows)
    with open(UPCASE, "w", encoding="ascii", newline="\n") as f:
        f.write(mappings)
    print("regenerate.py: %s: %d locales (%d with an LCID, %d known by name only, %d neutral), %s: %d "
          "upper-cased code units, measured with %s"
          % (os.path.relpath(TABLE, ROOT), len(rows), sum(1 for row in rows if row["lcid"]),
             sum(1 for row in rows if not row["lcid"]), sum(1 for row in rows if row["neutral"] == "1"),
             os.path.relpath(UPCASE, ROOT), mappings.count("\n") - 1, source))


if __name__ == "__main__":
    main()
