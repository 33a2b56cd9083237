// Appearance streams of text-drawing widgets (text fields and list boxes): the text of a
// value laid out in the widget's rectangle with the field's font, as a single line or
// wrapped over several, aligned as the field asks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pdf/features/kvAcroForm.h"

namespace kv {

// What building appearances needs from the document: its object store, the owner
// identity of objects it adds, and the form dictionary.
struct TkvFormContext {
  TkvPDFObjectStore& Store;
  int32_t Owner;
  TkvPDFDictObject& Form;
  // The Helvetica font dictionary added for fields whose font no resource defines; made
  // on first need and shared by every appearance of the document.
  TkvPDFIndirectObject*& FallbackFont;

  // Adds `value` to the store as a new indirect object and returns a reference to it.
  std::unique_ptr<TkvPDFIndirectReference> AddObject(TkvPDFObjectPtr value);
};

// Rebuilds the normal appearance of `widget` (the field's own dictionary or one of its
// kid widgets) to show `text`. Fails with EAcroFormError when the widget has no /Rect.
void BuildTextAppearance(const TkvAcroFormField& field, TkvPDFDictObject& widget, const std::string& text,
                         TkvFormContext& ctx);

// Lines of `text` fitting `width` points when measured by `measure` (which gives a line's
// width in points): hard line breaks are kept, words wrap at blanks, and a word longer
// than the width is broken between characters. At most kMaxAppearanceLines lines.
inline constexpr size_t kMaxAppearanceLines = 10000;
std::vector<std::u32string> WrapLines(const std::u32string& text, double width,
                                      const std::function<double(const std::u32string&)>& measure);

}  // namespace kv
