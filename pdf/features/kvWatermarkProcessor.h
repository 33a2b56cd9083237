// Stamping a template on pages: one content stream per distinct page size, one font or
// image resource for the whole operation, each page's /Resources and /Contents updated.
// Overlays draw after the page's content, which is wrapped once in a shared "q" stream
// and a shared "Q" stream so that the marking starts from the page's own coordinates;
// underlays draw before it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pdf/features/kvExPDFDoc.h"
#include "pdf/features/kvWatermarkTemplates.h"

namespace kv {

class TkvWatermarkProcessor {
 public:
  TkvWatermarkProcessor(TkvExPDFDocument& doc, TkvCustomWatermarkTemplate& tmpl);
  // Stamps the pages (1-based, as ParsePageRange gives them). Pages stamped before a
  // failure keep their marking.
  void Stamp(const std::vector<int32_t>& pages);

 private:
  // The box markings are placed in (see the definition); pages of equal boxes share a
  // content stream.
  TkvPDFRect VisibleBoxOf(TkvPDFDictObject& page) const;
  const TkvPDFIndirectReference& MarkingFor(const TkvPDFRect& box);
  void AddResource(TkvPDFDictObject& page);
  void AddContent(TkvPDFDictObject& page, int32_t pageNumber, const TkvPDFIndirectReference& mark);
  void MakeStateStreams();
  // A new reference to `ref`'s object, counted as one more user.
  std::unique_ptr<TkvPDFIndirectReference> Use(const TkvPDFIndirectReference& ref);
  bool Holds(const TkvPDFArrayObject& array, int32_t objectNumber) const;

  TkvExPDFDocument& FDoc;
  TkvCustomWatermarkTemplate& FTemplate;
  std::vector<TkvPDFRect> FBoxes;
  std::vector<std::unique_ptr<TkvPDFIndirectReference>> FStreams;
  std::string FResourceName;
  std::unique_ptr<TkvPDFIndirectReference> FResource;
};

}  // namespace kv
