#!/usr/bin/python3
"""Prints what an independent reader (pypdf) finds in a PDF file, as JSON: page count,
document information, page layout and mode, viewer preferences, per-page thumbnails and
transitions, the outline tree with target pages, form field values, and encryption."""
import json
import sys

from pypdf import PdfReader


def number(v):
    try:
        return None if v is None else float(v)
    except (TypeError, ValueError):
        return None


def outline_tree(reader, first, pages, depth=0):
    """The items from /First on, read from the dictionaries themselves: title, target page
    (1-based, None when not a page of the file), fit type and its numbers, action type."""
    out = []
    node = first
    seen = 0
    while node is not None and seen < 10000 and depth < 100:
        seen += 1
        item = node.get_object()
        dest = item.get("/Dest")
        action = item.get("/A")
        action = None if action is None else action.get_object()
        if dest is None and action is not None and "/D" in action:
            dest = action["/D"]
        entry = {"title": str(item.get("/Title", "")), "page": None, "type": None, "numbers": [],
                 "action": None if action is None else str(action.get("/S")), "count": None if item.get("/Count") is None else int(item.get("/Count")),
                 "children": []}
        if dest is not None:
            dest = dest.get_object()
            if isinstance(dest, list):
                try:
                    ref = dest[0]
                    entry["page"] = pages.get(getattr(ref, "idnum", None))
                    entry["type"] = str(dest[1])
                    entry["numbers"] = [number(x.get_object() if hasattr(x, "get_object") else x) for x in dest[2:]]
                except Exception:
                    pass
        if "/First" in item:
            entry["children"] = outline_tree(reader, item["/First"], pages, depth + 1)
        out.append(entry)
        node = item.get("/Next")
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
    facts["images"] = []
    for page in reader.pages:
        resources = page.get("/Resources")
        xobjects = {} if resources is None else resources.get_object().get("/XObject", {})
        xobjects = xobjects.get_object() if hasattr(xobjects, "get_object") else xobjects
        facts["images"].append(sorted(str(name) for name, x in xobjects.items()
                                      if str(x.get_object().get("/Subtype")) == "/Image"))
        thumb = page.get("/Thumb")
        facts["thumbs"].append(None if thumb is None else [int(thumb.get_object()["/Width"]),
                                                            int(thumb.get_object()["/Height"])])
        trans = page.get("/Trans")
        facts["transitions"].append("" if trans is None else str(trans.get_object().get("/S", "")))
        facts["durations"].append(None if trans is None else float(trans.get_object().get("/D", 1)))
    pages = {page.indirect_reference.idnum: i + 1 for i, page in enumerate(reader.pages)}
    outlines = root.get("/Outlines")
    outlines = None if outlines is None else outlines.get_object()
    facts["outline"] = outline_tree(reader, outlines.get("/First"), pages) if outlines is not None else []
    facts["outline_count"] = None if outlines is None or "/Count" not in outlines else int(outlines["/Count"])
    fields = reader.get_fields() or {}
    facts["fields"] = {name: (None if f.get("/V") is None else str(f.get("/V"))) for name, f in fields.items()}
    print(json.dumps(facts))


main()
