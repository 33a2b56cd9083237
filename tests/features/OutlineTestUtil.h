// Reading outlines back with an independent reader: a pypdf walk of /Outlines that
// resolves every item's target page itself (explicit arrays, /Dests names, the /Names
// tree, GoTo actions) and reports any link of the tree that does not hold together.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "support/TestSupport.h"

namespace outlinetest {

using nlohmann::json;

// Prints {"tree": [[title, page or null, [children]], ...], "problems": [...]}. A problem is
// a /Parent, /Prev, /Next, /First, /Last or /Count that disagrees with the items read.
inline const char* kOutlineProgram = R"PY(
import json, sys
from pypdf import PdfReader
from pypdf.generic import ArrayObject, DictionaryObject, IndirectObject, NullObject

r = PdfReader(sys.argv[1])
if r.is_encrypted: r.decrypt(sys.argv[2] if len(sys.argv) > 2 else '')
root = r.trailer['/Root']
pages = {p.indirect_reference.idnum: i + 1 for i, p in enumerate(r.pages)}
names = {}
if '/Dests' in root:
    for k, v in root['/Dests'].get_object().items(): names[k[1:]] = v
def walk_names(node, depth=0):
    node = node.get_object()
    if depth > 32: return
    for kid in node.get('/Kids', []): walk_names(kid, depth + 1)
    arr = node.get('/Names', [])
    for i in range(0, len(arr) - 1, 2): names[str(arr[i])] = arr[i + 1]
if '/Names' in root and '/Dests' in root['/Names'].get_object(): walk_names(root['/Names'].get_object()['/Dests'])
def page_of(d, depth=0):
    if d is None or depth > 8: return None
    d = d.get_object()
    if isinstance(d, DictionaryObject): return page_of(d.get('/D'), depth + 1)
    if isinstance(d, ArrayObject):
        return pages.get(d[0].idnum) if d and isinstance(d[0], IndirectObject) else None
    if isinstance(d, NullObject): return None
    key = str(d)
    key = key[1:] if key.startswith('/') else key
    return page_of(names.get(key), depth + 1)
def target(item):
    if '/Dest' in item: return page_of(item['/Dest'])
    a = item.get('/A')
    a = a.get_object() if a is not None else None
    if a is not None and a.get('/S') == '/GoTo': return page_of(a.get('/D'))
    return None
problems = []
def ref(x): return x.idnum if isinstance(x, IndirectObject) else None
def read(parent_ref, first, depth):
    items, refs, seen = [], [], set()
    node = first
    while isinstance(node, IndirectObject) and node.idnum not in seen and depth < 300:
        seen.add(node.idnum)
        item = node.get_object()
        refs.append(node.idnum)
        if ref(item.get('/Parent')) != parent_ref: problems.append('parent of %d' % node.idnum)
        title = item.get('/Title')
        kids, kid_refs = read(node.idnum, item.get('/First'), depth + 1)
        if kids:
            if ref(item.get('/Last')) != kid_refs[-1]: problems.append('last of %d' % node.idnum)
            if item.get('/Count') != -len(kids): problems.append('count of %d' % node.idnum)
        elif '/First' in item or '/Last' in item or '/Count' in item: problems.append('links of leaf %d' % node.idnum)
        items.append([str(title.get_object()) if title is not None else None, target(item), kids])
        nxt = item.get('/Next')
        if nxt is not None and not isinstance(nxt, IndirectObject): problems.append('next of %d' % node.idnum)
        if nxt is not None and isinstance(nxt, IndirectObject):
            if ref(nxt.get_object().get('/Prev')) != node.idnum: problems.append('prev of %d' % nxt.idnum)
        node = nxt
    if refs and '/Prev' in first.get_object(): problems.append('prev of first %d' % refs[0])
    return items, refs
tree = []
out = root.get('/Outlines')
if out is not None and out.get_object() is not None:
    o = out.get_object()
    tree, refs = read(ref(out), o.get('/First'), 0)
    if refs and ref(o.get('/Last')) != refs[-1]: problems.append('last of root')
    if o.get('/Count') != len(tree): problems.append('count of root')
print(json.dumps({'tree': tree, 'problems': problems, 'has_outlines': out is not None}))
)PY";

// The outline of `pdf` as the independent reader sees it.
inline json ReadOutline(const kvtest::TempDir& dir, const std::string& pdf, const std::string& password = "") {
  std::string script = dir.File("outline.py");
  if (!kvtest::FileExists(script)) kvtest::WriteFile(script, kOutlineProgram);
  std::string cmd = "/usr/bin/python3 " + kvtest::ShellQuote(script) + " " + kvtest::ShellQuote(pdf);
  if (!password.empty()) cmd += " " + kvtest::ShellQuote(password);
  kvtest::CommandResult r = kvtest::Run(cmd + " 2>&1");
  json j = json::parse(r.Output, nullptr, false);
  EXPECT_FALSE(j.is_discarded()) << r.Output;
  return j.is_discarded() ? json{{"tree", json::array()}, {"problems", {"unreadable"}}} : j;
}

// The tree of `pdf`, after checking that its links hold together.
inline json Tree(const kvtest::TempDir& dir, const std::string& pdf, const std::string& password = "") {
  json j = ReadOutline(dir, pdf, password);
  EXPECT_EQ(json::array(), j["problems"]) << pdf;
  return j["tree"];
}

// Expected outlines of real files, as independent tools read the originals (titles and
// target pages; see tests/data/outlines-expected.json).
inline const json& Expected() {
  static const json expected = json::parse(kvtest::ReadFile(kvtest::DataPath("outlines-expected.json")));
  return expected;
}

// `tree` without the items that point at `gone` pages (with their children); the other
// pages numbered as they are once those pages are removed.
inline json WithoutPages(const json& tree, const std::set<int>& gone) {
  json out = json::array();
  for (const json& item : tree) {
    if (item[1].is_number() && gone.count(item[1].get<int>())) continue;
    json page = item[1];
    if (page.is_number()) {
      int p = page.get<int>(), shift = 0;
      for (int g : gone) shift += g < p;
      page = p - shift;
    }
    out.push_back({item[0], page, WithoutPages(item[2], gone)});
  }
  return out;
}

// `tree` with every page number moved by `offset`.
inline json Shifted(const json& tree, int offset) {
  json out = json::array();
  for (const json& item : tree)
    out.push_back(
        {item[0], item[1].is_number() ? json(item[1].get<int>() + offset) : item[1], Shifted(item[2], offset)});
  return out;
}

}  // namespace outlinetest
