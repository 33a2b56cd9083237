// Status texts, warnings and messages of the document engine.
#pragma once

namespace kv::msg {
// Loading
inline constexpr const char* SReadingXRef = "Reading Cross-Reference Table";
inline constexpr const char* SDocumentReadComplete = "Document read complete. Pages read = %d";
inline constexpr const char* SProcessingDestinations = "Processing Destinations";
inline constexpr const char* SProcessingNameTree = "Processing Name Tree...";
inline constexpr const char* STraversingPages = "Traversing Pages...";
inline constexpr const char* SProcessingAnnotations = "Processing Annotations...";
inline constexpr const char* SAcroFormsProcessed = "AcroForms Processed";
inline constexpr const char* SReadingOutlines = "Reading Outlines...";
inline constexpr const char* SStreamInArray = "Stream Object found inside Array!";
inline constexpr const char* SInvalidObjectNumberInPDF = "Invalid Object number in PDF (%d)";
inline constexpr const char* SCrossReferenceError = "Error reading cross-referenece table";
// Our own, for faults the original design did not foresee.
inline constexpr const char* SPageTreeLoop = "Invalid page tree: node %d is its own ancestor";
inline constexpr const char* SPageTreeTooDeep = "Invalid page tree: nested more than %d levels deep";
inline constexpr const char* SPageTreeNodeRepeated = "Invalid page tree: node %d is listed more than once";
inline constexpr const char* SObjectNotAtOffset = "Object %d not found at its cross-reference offset";
inline constexpr const char* SNameTreeTooDeep = "Name tree nested too deeply";
inline constexpr const char* SNoCatalog = "The document has no catalog (/Root)";
inline constexpr const char* SXRefRebuilt =
    "The cross-reference data is damaged (%s); it was rebuilt by scanning the file for objects";
inline constexpr const char* SNoRootInTrailer = "Error reading PDF trailer (no /Root)";
inline constexpr const char* SObjectsReadTooOften =
    "The document refers to its objects too often: object %d read past %lld bytes of reading";
inline constexpr const char* SCatalogEntryUnreadable = "The catalog entry %s cannot be read (%s); it is left out";
// Writing
inline constexpr const char* SSavingFile = "Saving File %s";
inline constexpr const char* SSaveComplete = "Save Complete";
inline constexpr const char* SBuildingOutlines = "Building Outlines...";
inline constexpr const char* SBuildingObjects = "Building Objects...";
inline constexpr const char* SWritingPages = "Writing Pages";
inline constexpr const char* SWritingXRef = "Writing Cross-Reference Table";
inline constexpr const char* SProducer = "Kestrova Folioworks V1.02";
inline constexpr const char* SCannotReplaceFile = "Cannot write file \"%s\". %s";
// Page operations
inline constexpr const char* SInvalidPageRange = "Invalid page range (%s)";
inline constexpr const char* SInvalidPageNumber = "Invalid page number (%d)";
inline constexpr const char* SAppendingPages = "Appending Pages...";
inline constexpr const char* SInsertingPages = "Inserting Pages...";
inline constexpr const char* SExtractingPages = "Extracting Pages...";
inline constexpr const char* SPagesDeleted = "%d pages deleted";
inline constexpr const char* SMergingFile = "Merging File: %s";
inline constexpr const char* SDocumentsMerged = "%d documents merged successfully";
inline constexpr const char* SInvalidRotation = "Invalid page rotation (%d): pages turn by multiples of 90 degrees";
inline constexpr const char* SExtractIntoItself = "Pages cannot be extracted into the document they come from";
}  // namespace kv::msg
