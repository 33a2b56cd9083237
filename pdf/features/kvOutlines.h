// The outline (bookmark) tree of a document: one node per item, each holding its item
// dictionary as read or built (without the links of the tree, which the nodes hold and
// the writer rebuilds). Nodes derive from the indirect object so each keeps the number it
// had in its file.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "pdf/features/kvDestinations.h"

namespace kv {

KV_DECLARE_EXCEPTION(EOutlineError, EPDFException)

class TkvExPDFDocument;

// A node owns its first child and its next sibling: destroying a node destroys its
// subtree and every sibling after it. The root is a node without dictionary.
class TkvPDFOutline : public TkvPDFIndirectObject {
 public:
  TkvPDFOutline(TkvExPDFDocument* document, int32_t owner, int32_t objectNumber, uint16_t generation,
                std::unique_ptr<TkvPDFDictObject> dict);
  ~TkvPDFOutline() override;
  TkvPDFOutline(const TkvPDFOutline&) = delete;
  TkvPDFOutline& operator=(const TkvPDFOutline&) = delete;

  TkvExPDFDocument* Document() const { return FDocument; }
  TkvPDFOutline* Parent() const { return FParent; }
  TkvPDFOutline* FirstChild() const { return FFirstChild.get(); }
  TkvPDFOutline* Prev() const { return FPrev; }
  TkvPDFOutline* Next() const { return FNext.get(); }
  // The item dictionary; null for the root.
  TkvPDFDictObject* Dictionary() const;

  // /Title in the process code page; empty without one.
  std::string Title() const;
  // /Title as UTF-8, whatever the code page.
  std::string TitleUtf8() const;
  // Sets /Title from UTF-8 text (EOutlineError on the root).
  void SetTitleUtf8(std::string_view text);

  // A new destination read from /Dest, else from the /D of the /A action; null when there
  // is none. A /Dest that is not an array raises EOutlineError. `index` speeds up reading
  // many items of one document.
  std::unique_ptr<TkvPDFDestination> Destination() const;
  std::unique_ptr<TkvPDFDestination> Destination(const TkvPageIndex& index) const;

  // New items (/Title and /Dest; no /Dest when `dest` is null). AddChild makes it the
  // first child, AddNext the sibling right after this node. On failure nothing changes.
  TkvPDFOutline* AddChild(const std::string& title, const TkvPDFDestination* dest);
  TkvPDFOutline* AddNext(const std::string& title, const TkvPDFDestination* dest);
  // Unlink and destroy the first child, or the next sibling, with its subtree.
  void DeleteChild();
  void DeleteNext();
  // Replaces /Title and /Dest and removes /A.
  void Modify(const std::string& title, const TkvPDFDestination* dest);

  // ---- building the tree (reading, merging) ----
  // Links `node` (which must have no siblings) as a child after `after`, or first when
  // `after` is null; returns it.
  TkvPDFOutline* InsertChild(TkvPDFOutline* after, std::unique_ptr<TkvPDFOutline> node);
  // Unlinks the first child (with its subtree, without its siblings); null without one.
  std::unique_ptr<TkvPDFOutline> DetachFirstChild();
  // A deep copy of this node and its subtree (not its siblings) for `document`; every
  // copy keeps its key.
  std::unique_ptr<TkvPDFOutline> CloneTree(TkvExPDFDocument* document) const;

 private:
  const TkvPDFObject* Entry(std::string_view key) const;
  std::unique_ptr<TkvPDFDestination> ReadTarget(const TkvPageIndex* index) const;
  std::unique_ptr<TkvPDFOutline> NewItem(const std::string& title, const TkvPDFDestination* dest) const;

  TkvExPDFDocument* FDocument;
  TkvPDFOutline* FParent = nullptr;
  TkvPDFOutline* FPrev = nullptr;
  std::unique_ptr<TkvPDFOutline> FFirstChild;
  std::unique_ptr<TkvPDFOutline> FNext;
};

// The string object for a title given in the process code page: a literal where the code
// page's bytes mean the same in a document string, else a FEFF hex string.
std::unique_ptr<TkvPDFStringObject> MakeTitleString(std::string_view text);

// ---- the tree in a file (used by the document's loading, saving and merging) ----

// Reads the tree that the catalog's /Outlines value names; null when it names none. Links
// that loop or nest too deeply end the reading there, with a warning.
std::unique_ptr<TkvPDFOutline> ReadOutlineTree(TkvExPDFDocument& doc, TkvPDFObject* outlines);

// Adds fresh outline dictionaries for `root` to the document's objects being written and
// points the catalog's /Outlines at them. Items whose destination page is no longer in the
// document are left out with their subtrees.
void WriteOutlineTree(TkvExPDFDocument& doc, const TkvPDFOutline& root);

}  // namespace kv
