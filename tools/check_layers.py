#!/usr/bin/env python3
"""Fails when a file includes something from a higher layer.

device  <  model (core, resources, mainwindow, connection, sms, phonebook, voice, settings)
        <  ui (the views/ folder of each of these)  <  app, tools
sim/ may use device/at and device/base only. Qt headers are allowed in ui, app and tools only.
"""
import os
import re
import sys

ROOT = sys.argv[1] if len(sys.argv) > 1 else os.getcwd()
MODEL_DIRS = ("core", "resources", "mainwindow", "connection", "sms", "phonebook", "voice", "settings")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
QT = re.compile(r"^Q[A-Za-z]+(/|$)|^Qt")


def layer_of(rel):
    parts = rel.split("/")
    top = parts[0]
    if top == "device":
        return "device"
    if top == "sim":
        return "sim"
    if top in MODEL_DIRS:
        return "ui" if "views" in parts[:-1] else "model"
    if top in ("app", "tools"):
        return "app"
    return None


ALLOWED = {
    "device": {"device"},
    "model": {"device", "model"},
    "ui": {"device", "model", "ui"},
    "sim": {"sim"},
    "app": {"device", "model", "ui", "app", "sim"},
}

errors = []
for dirpath, dirnames, filenames in os.walk(ROOT):
    rel_dir = os.path.relpath(dirpath, ROOT)
    if rel_dir.startswith(("build", ".git", "tests", "bench", "fuzz")):
        dirnames[:] = []
        continue
    for name in filenames:
        if not name.endswith((".h", ".hpp", ".cpp", ".cc")):
            continue
        rel = os.path.normpath(os.path.join(rel_dir, name)).replace(os.sep, "/")
        layer = layer_of(rel)
        if layer is None:
            continue
        with open(os.path.join(dirpath, name), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                kind, target = m.groups()
                if kind == "<":
                    if QT.match(target) and layer not in ("ui", "app"):
                        errors.append(f"{rel}:{number}: Qt header <{target}> in the {layer} layer")
                    continue
                target_layer = layer_of(target)
                if target_layer is None:
                    continue
                if layer == "sim" and target.startswith(("device/at/", "device/base/")):
                    continue
                if target_layer not in ALLOWED[layer]:
                    errors.append(f"{rel}:{number}: {layer} file includes {target} ({target_layer})")

for e in errors:
    print(e)
print(f"layering: {len(errors)} violation(s)")
sys.exit(1 if errors else 0)
