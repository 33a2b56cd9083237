// Texts of the wizard's dialogs: captions, labels, list items and messages.
#pragma once

namespace kv::ui {

// Progress window.
inline constexpr const char* SProgressCaption = "Document Processing Progress";
inline constexpr const char* SStatusCaption = "Status: ";

// Password dialog.
inline constexpr const char* SPasswordCaption = "Password Dialog";
inline constexpr const char* SEnterPassword = "Enter password:";

// Buttons shared by the dialogs.
inline constexpr const char* SOK = "OK";
inline constexpr const char* SCancel = "Cancel";
inline constexpr const char* SClose = "&Close";

// Document information dialog.
inline constexpr const char* SDocInfoCaption = "Document Information";
inline constexpr const char* SViewPdf = "View PDF";
inline constexpr const char* SFileLabel = "File:";
inline constexpr const char* SNumberOfPages = "Number Of Pages:";

// Labels of the document information, shared by the information dialog and the
// settings dialog's "General" tab.
inline constexpr const char* STitleLabel = "Title:";
inline constexpr const char* SAuthorLabel = "Author:";
inline constexpr const char* SSubjectLabel = "Subject:";
inline constexpr const char* SKeywordsLabel = "Keywords:";
inline constexpr const char* SCreatorLabel = "Creator:";
inline constexpr const char* SProducerLabel = "Producer:";
inline constexpr const char* SVersionLabel = "PDF Version:";

// PDF version texts by the document's version code 0 to 5.
inline constexpr const char* SVersionTexts[] = {"1.0 (Acrobat 1.x)", "1.1 (Acrobat 2.x)", "1.2 (Acrobat 3.x)",
                                                "1.3 (Acrobat 4.x)", "1.4 (Acrobat 5.x)", "1.5 (Acrobat 6.x)"};

// Settings dialog.
inline constexpr const char* SSettingsCaption = "Document Settings and Preferences";
inline constexpr const char* STabGeneral = "General";
inline constexpr const char* STabSecurity = "Security";
inline constexpr const char* STabView = "View";
inline constexpr const char* STabEmail = "Email";
inline constexpr const char* SOpenAfterSave = "Open After Save";
inline constexpr const char* SDocumentInformation = " Document Information ";
inline constexpr const char* SNoOfPages = "No. of Pages:";
inline constexpr const char* SEncryptDocument = "Encrypt Document";
inline constexpr const char* SOwnerPassword = "Owner Password:";
inline constexpr const char* SConfirmOwnerPassword = "Confirm Owner Password:";
inline constexpr const char* SUserPassword = "User Password:";
inline constexpr const char* SConfirmUserPassword = "Confirm User Password:";
inline constexpr const char* SEncryptionLevel = " Encryption Level ";
inline constexpr const char* S40Bit = "40 bit";
inline constexpr const char* S128Bit = "128 bit";
inline constexpr const char* SUserPermissions = " User Permissions ";
inline constexpr const char* SPermissionTexts[] = {"Print",
                                                   "Modify",
                                                   "Copy",
                                                   "Annotation",
                                                   "Form Fill",
                                                   "Accessibility",
                                                   "Document Assembly",
                                                   "High Resolution Printing"};
inline constexpr const char* SPageLayout = "Page Layout:";
inline constexpr const char* SLayoutTexts[] = {"None", "Single Page", "One Column", "Two Column Left",
                                               "Two Column Right"};
inline constexpr const char* SPageMode = "Page Mode:";
inline constexpr const char* SModeTexts[] = {"None", "Use Outlines", "Use Thumbs", "Full Screen"};
inline constexpr const char* SPresentationMode = " Presentation Mode ";
inline constexpr const char* STransitionEffect = "Page Transition Effect:";
inline constexpr const char* STransitionTexts[] = {"None",
                                                   "Split Horizontal Inward",
                                                   "Split Horizontal Outward",
                                                   "Split Vertical Inward",
                                                   "Split Vertical Outward",
                                                   "Blinds Horizontal",
                                                   "Blinds Vertical",
                                                   "Box Inward",
                                                   "Box Outward",
                                                   "Wipe Left To Right",
                                                   "Wipe Bottom To Top",
                                                   "Wipe Right To Left",
                                                   "Wipe Top To Bottom",
                                                   "Dissolve",
                                                   "Glitter Left To Right",
                                                   "Glitter Top To Bottom",
                                                   "Glitter Top-Left To Bottom-Right"};
inline constexpr const char* STransitionDuration = "Transition Duration:";
inline constexpr const char* SSecs = "secs";
inline constexpr const char* SPresentationRange = " Presentation Page Range ";
inline constexpr const char* SViewerPreferences = " Viewer Preferences ";
inline constexpr const char* SViewerTexts[] = {"Hide Toolbars", "Hide Menu Bar", "Hide Window UI",
                                               "Fit Window",    "Center Window", "Display Document Title"};
inline constexpr const char* SEmailAfterSave = "Email After Save";
inline constexpr const char* SHost = "Host: ";
inline constexpr const char* SUserID = "UserID: ";
inline constexpr const char* SMailPassword = "Password: ";
inline constexpr const char* STo = "To: ";
inline constexpr const char* SCC = "CC: ";
inline constexpr const char* SBCC = "BCC: ";
inline constexpr const char* SFrom = "From: ";
inline constexpr const char* SSubjectField = "Subject: ";
inline constexpr const char* SMessage = "Message: ";
inline constexpr const char* SOnlyOwner = "Only the owner can change the encryption settings";
inline constexpr const char* SPasswordsMismatch = "The %s Passwords do not match.\r\nPlease re-enter.";
inline constexpr const char* SOwner = "Owner";
inline constexpr const char* SUser = "User";

// About box.
inline constexpr const char* SAboutCaption = "About";
inline constexpr const char* SAboutProduct = "Kestrova Folioworks Demo";
inline constexpr const char* SAboutVersion = "Version %1";
inline constexpr const char* SAboutText =
    "A demonstration of the Folioworks PDF library: merge, append, insert, extract and delete "
    "pages, stamp markings, attach thumbnails, edit bookmarks and fill forms, then save with "
    "document information, encryption and viewer settings.";

}  // namespace kv::ui
