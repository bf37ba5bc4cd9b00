#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails when a translatable text of the windowed program lacks a finished translation.

usage: check_translations.py [--lupdate LUPDATE --source DIR...] TS...

Every message of every .ts file must have a non-empty translation that is not marked
unfinished, and must keep the source's %1..%9 place markers. All files must hold the same texts.
With --lupdate the files are first brought up to date with the sources (in a scratch copy), so
that a text added to the code but never collected counts as untranslated too.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

MARKER = re.compile(r"%[1-9]")


def read_messages(path):
    """Returns {(context, source, comment): translation element} of the live messages."""
    messages = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name", "")
        for message in context.iter("message"):
            translation = message.find("translation")
            kind = translation.get("type", "") if translation is not None else ""
            if kind in ("obsolete", "vanished"):
                continue
            key = (name, message.findtext("source", ""), message.findtext("comment", ""))
            messages[key] = translation
    return messages


def problems_of(path):
    problems = []
    messages = read_messages(path)
    for (context, source, _), translation in sorted(messages.items()):
        where = f"{os.path.basename(path)}: [{context}] {source!r}"
        if translation is None or translation.get("type") == "unfinished":
            problems.append(f"{where}: unfinished")
            continue
        numerus = translation.findall("numerusform")
        texts = [n.text or "" for n in numerus] if numerus else [translation.text or ""]
        if any(not t.strip() for t in texts):
            problems.append(f"{where}: empty translation")
            continue
        wanted = sorted(set(MARKER.findall(source)))
        for text in texts:
            if sorted(set(MARKER.findall(text))) != wanted:
                problems.append(f"{where}: place markers {wanted} not kept in {text!r}")
    return messages, problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lupdate")
    parser.add_argument("--source", action="append", default=[])
    parser.add_argument("ts", nargs="+")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as scratch:
        files = []
        for path in args.ts:
            copy = os.path.join(scratch, os.path.basename(path))
            shutil.copyfile(path, copy)
            files.append(copy)
        if args.lupdate:
            run = subprocess.run(
                [args.lupdate, "-locations", "none", "-no-obsolete", *args.source, "-ts", *files],
                capture_output=True, text=True)
            if run.returncode != 0:
                print(run.stdout, run.stderr, sep="\n")
                print("lupdate failed")
                return 1

        problems = []
        keys = []
        for path in files:
            messages, found = problems_of(path)
            problems += found
            keys.append((path, set(messages)))
            print(f"{os.path.basename(path)}: {len(messages)} texts, {len(found)} problems")
        first_path, first_keys = keys[0]
        for path, other in keys[1:]:
            for key in sorted(first_keys ^ other):
                problems.append(f"[{key[0]}] {key[1]!r} is in only one of "
                                f"{os.path.basename(first_path)}, {os.path.basename(path)}")
        if not keys[0][1]:
            problems.append("no translatable texts at all")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
