#!/usr/bin/env python3
"""Writes index.json of this content feed folder from the item files below it.

Each item lives in <identifier>/<version>/ and consists of every file there. The index offers,
for each identifier, its highest version (compared number by number), as an item of kind "wspd"
named after the identifier. Run it again after adding or changing an item:

    python3 assets/feed/make-index.py [feed folder]
"""

import hashlib
import json
import os
import sys


def version_key(text):
    return [int(part) if part.isdigit() else part for part in text.split(".")]


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(__file__))
    items = []
    for identifier in sorted(os.listdir(root)):
        folder = os.path.join(root, identifier)
        if not os.path.isdir(folder) or identifier.startswith("."):
            continue
        versions = [v for v in os.listdir(folder) if os.path.isdir(os.path.join(folder, v))]
        if not versions:
            continue
        version = max(versions, key=version_key)
        files = []
        for name in sorted(os.listdir(os.path.join(folder, version))):
            path = os.path.join(folder, version, name)
            with open(path, "rb") as handle:
                content = handle.read()
            files.append({
                "name": name,
                "path": f"{identifier}/{version}/{name}",
                "size": len(content),
                "sha256": hashlib.sha256(content).hexdigest(),
            })
        items.append({
            "kind": "wspd",
            "name": identifier,
            "identifier": identifier,
            "version": version,
            "offered": True,
            "files": files,
        })
    with open(os.path.join(root, "index.json"), "w", encoding="utf-8") as out:
        json.dump({"format": 1, "items": items}, out, indent=2)
        out.write("\n")


if __name__ == "__main__":
    main()
