#!/usr/bin/python3
"""Prints what an independent reader (pypdf) finds in a PDF file, as JSON: page count,
document information, page layout and mode, viewer preferences, per-page thumbnails and
transitions, the outline tree with target pages, form field values, and encryption."""
import json
import sys

from pypdf import PdfReader


def outline_tree(reader, items):
    out = []
    for item in items:
        if isinstance(item, list):
            if out:
                out[-1]["children"] = outline_tree(reader, item)
            continue
        try:
            page = reader.get_destination_page_number(item) + 1
        except Exception:
            page = None
        out.append({"title": item.title, "page": page, "type": str(item.typ),
                    "children": []})
    return out


def main():
    path = sys.argv[1]
    password = sys.argv[2] if len(sys.argv) > 2 else ""
    reader = PdfReader(path)
    facts = {"encrypted": reader.is_encrypted}
    if reader.is_encrypted:
        facts["decrypt"] = int(reader.decrypt(password))
        enc = reader.trailer["/Encrypt"].get_object()
        facts["encrypt"] = {"V": int(enc["/V"]), "R": int(enc["/R"]), "P": int(enc["/P"]),
                            "Length": int(enc.get("/Length", 40))}
    root = reader.trailer["/Root"].get_object()
    facts["pages"] = len(reader.pages)
    facts["info"] = {k: str(v) for k, v in (reader.metadata or {}).items()}
    facts["layout"] = str(root.get("/PageLayout", ""))
    facts["mode"] = str(root.get("/PageMode", ""))
    prefs = root.get("/ViewerPreferences")
    facts["viewer"] = {k: bool(v) for k, v in prefs.get_object().items()} if prefs is not None else {}
    facts["thumbs"] = []
    facts["transitions"] = []
    facts["durations"] = []
    for page in reader.pages:
        thumb = page.get("/Thumb")
        facts["thumbs"].append(None if thumb is None else [int(thumb.get_object()["/Width"]),
                                                            int(thumb.get_object()["/Height"])])
        trans = page.get("/Trans")
        facts["transitions"].append("" if trans is None else str(trans.get_object().get("/S", "")))
        facts["durations"].append(None if trans is None else float(trans.get_object().get("/D", 1)))
    facts["outline"] = outline_tree(reader, reader.outline)
    fields = reader.get_fields() or {}
    facts["fields"] = {name: (None if f.get("/V") is None else str(f.get("/V"))) for name, f in fields.items()}
    print(json.dumps(facts))


main()
