// Texts of the wizard window and its pages: captions, page headings, instructions and
// messages, exactly as the user reads them.
#pragma once

namespace kv::ui {

inline constexpr const char* SAppTitle = "Kestrova Folioworks Demo";

// Button bar.
inline constexpr const char* SAbout = "About";
inline constexpr const char* SRestart = "&Restart";
inline constexpr const char* SRestartHint = "Abort current operation and start from menu";
inline constexpr const char* SBack = "&Back";
inline constexpr const char* SNext = "&Next";
inline constexpr const char* SExit = "&Exit";

// Start page: one toggle button per operation, in this order.
inline constexpr const char* SOpMerge = "Merge a list of documents";
inline constexpr const char* SOpAppend = "Append/Insert Pages";
inline constexpr const char* SOpExtract = "Extract pages from a document";
inline constexpr const char* SOpDelete = "Delete pages from a document";
inline constexpr const char* SOpThumbnails = "Insert Thumbnails for Pages";
inline constexpr const char* SOpWatermarks = "Stamp the document";
inline constexpr const char* SOpBookmarks = "Manage Bookmarks";
inline constexpr const char* SOpAcroForms = "Fill AcroForms in the document";

// Page headings and instructions.
inline constexpr const char* SHeadStart = "Select Operation";
inline constexpr const char* SInfoStart =
    "Select the operation you want to perform on your PDF document and click Next.";
inline constexpr const char* SHeadMerge = "Merge Documents";
inline constexpr const char* SInfoMerge = "Add to the list the documents to be merged and click Next.";
inline constexpr const char* SHeadSource = "Select Source Document";
inline constexpr const char* SInfoSource = "Specify a name and location of the document to be managed and click Next.";
inline constexpr const char* SHeadAppend = "Append or Insert Pages";
inline constexpr const char* SInfoAppend =
    "Select document from which to append or insert pages.\r\n"
    "Specify page range and select operation. Click Next to continue.";
inline constexpr const char* SHeadExtract = "Extract Pages";
inline constexpr const char* SInfoExtract =
    "Select document from which to extract pages.\r\nSpecify page range and click Next.";
inline constexpr const char* SHeadDelete = "Delete Pages";
inline constexpr const char* SInfoDelete = "Specify page range to delete from source document and click Next.";
inline constexpr const char* SHeadBookmarks = "Manage Bookmarks";
inline constexpr const char* SInfoBookmarks =
    "Fill in the bookmark properties on the right panel,\r\n"
    "and apply changes by clicking the appropriate button.";
inline constexpr const char* SHeadThumbnails = "Insert Thumbnails";
inline constexpr const char* SInfoThumbnails =
    "Select the page in the Available Pages list and select image by double-clicking\r\n"
    "on the page item or clicking Select Image button. Click Next to continue.\r\n";
inline constexpr const char* SHeadWatermark = "Insert Markings";
inline constexpr const char* SInfoWatermark =
    "Choose Text or Graphic Markings on the right and fill their properties.\r\n"
    "Add the marking to the list bby clicking '+' button.";
inline constexpr const char* SHeadForms = "Fill Form Fields";
inline constexpr const char* SInfoForms =
    "Set the value for each form fields by selecting the appropriate row\r\n"
    "and inserting the value in the edit box. Click 'Set Value' to apply.";
inline constexpr const char* SHeadFinish = "Save Document As";
inline constexpr const char* SInfoFinish = "Specify a name and location to save the modified document and click Next.";
inline constexpr const char* SDoneText =
    "Document has been successfully saved.\r\nClick Restart to manage a new document.";

// Validations and confirmations of the wizard flow.
inline constexpr const char* SAddTwoFiles = "Add two or more files to merge!";
inline constexpr const char* SEnterPagesToAppend = "Enter pages to insert or append";
inline constexpr const char* SEnterInsertAfter = "Enter the page after which the pages are to be inserted";
inline constexpr const char* SEnterExtractRange = "Enter the page range to extract";
inline constexpr const char* SConfirmDelete = "Are you sure you want to delete pages?";
inline constexpr const char* SErrorDeleting = "Error Deleting Pages! ";
inline constexpr const char* SErrorMarking = "Error Inserting Marking! ";
inline constexpr const char* SErrorSaving = "Error saving file. The file could be in use by another process.";
inline constexpr const char* SCannotOpen = "The file specified could not be opened.";
inline constexpr const char* SConfirmDiscard = "Changes made to the document will be discarded. Continue anyway?";
inline constexpr const char* SConfirmRestart = "Are you sure you want to restart?";
inline constexpr const char* SConfirmExit = "Do you want to end your Folioworks session?";
// Ours: the Parts leave the wording of a failed mailing to us.
inline constexpr const char* SMailFailed = "The document was saved, but it could not be sent by e-mail:\r\n%s";

// The two demo stamps of the finish step.
inline constexpr const char* SDemoStampText = "This document was created using Kestrova Folioworks Demo";
inline constexpr const char* SDemoStampAddress = "https://folioworks.example/";
inline constexpr const char* SDemoStampFont = "Arial";

// Shared captions of the page editors.
inline constexpr const char* SSelect = "Select";
inline constexpr const char* SInfo = "Info";
inline constexpr const char* SAllPages = "All Pages";
inline constexpr const char* SPages = "Pages:";
inline constexpr const char* SAppendToEnd = "Append to end of source document";
inline constexpr const char* SInsertAfter = "Insert after page: ";
inline constexpr const char* SPdfFilter = "PDF Documents (*.pdf);;All Files (*)";
inline constexpr const char* SPictureFilter = "Pictures (*.jpg *.jpeg *.bmp *.png *.ico);;All Files (*)";

}  // namespace kv::ui
