// Texts of the operation pages' editors: captions, list items and the messages of their
// validations.
#pragma once

namespace kv::ui {

// Units, in the order of the library's measurement units.
inline constexpr const char* SUnitTexts[] = {"Pixels", "Points", "Inches", "MM", "Twips"};

// Bookmark editor.
inline constexpr const char* SFitTypeTexts[] = {"XYZ", "Fit", "FitH", "FitV", "FitR", "FitB", "FitBH", "FitBV"};
inline constexpr const char* SCaption = "Caption:";
inline constexpr const char* SPage = "Page:";
inline constexpr const char* SFitType = "Fit Type:";
inline constexpr const char* SLeft = "Left:";
inline constexpr const char* SRight = "Right:";
inline constexpr const char* STop = "Top:";
inline constexpr const char* SBottom = "Bottom:";
inline constexpr const char* SZoom = "Zoom:";
inline constexpr const char* SUnits = "Units:";
inline constexpr const char* SInsertAfterNode = "Insert After";
inline constexpr const char* SInsertChildNode = "Insert Child";
inline constexpr const char* SApplyEdits = "Apply Edits";
inline constexpr const char* SDeleteNode = "Delete Node";
inline constexpr const char* SEnterBookmarkTitle = "Enter a title for the bookmark!";
inline constexpr const char* SNoPageSelected = "No Page number selected";
inline constexpr const char* SSelectBookmarkToAdd = "Select a bookmark to which new node is to be added";
inline constexpr const char* SSelectBookmarkToChange = "Select a bookmark node to be changed";
inline constexpr const char* SEnterBookmarkCaption = "Enter a caption for the bookmark!";
inline constexpr const char* SSelectBookmarkToDelete = "Select a bookmark node to be deleted";
inline constexpr const char* SUnknownDestType = "Unknown Destination Type";

// Marking editor.
inline constexpr const char* STextTab = "Text";
inline constexpr const char* SGraphicTab = "Graphic";
inline constexpr const char* SMarkingTitleCaption = "Marking Title";
inline constexpr const char* SEnterMarkingTitle = "Enter a title for the marking";
inline constexpr const char* SMarkingExists = "Marking already exists";
inline constexpr const char* SEnterMarkingText = "Enter a Text to be displayed as watermartk!";
inline constexpr const char* SSelectMarkingImage = "Select an Image to be displayed as watermartk!";
inline constexpr const char* SEnterHorizontal = "Enter value for the horizontal position";
inline constexpr const char* SEnterVertical = "Enter value for the vertical position";
inline constexpr const char* SAngleRange = "Enter a value between 0 and 360 for the angle.";
inline constexpr const char* SFontSample = "AaBbYyZz";
inline constexpr const char* SFontCaption = "Font: %1, %2pt";
inline constexpr const char* SRenderingModeTexts[] = {"Fill", "Stroke", "Fill and Stroke"};
inline constexpr const char* SRenderingMode = "Rendering Mode:";
inline constexpr const char* SStrokeColor = "Stroke Color:";
inline constexpr const char* SAngle = "Angle:";
inline constexpr const char* SUnit = "Unit:";
inline constexpr const char* SOverlay = "Overlay";
inline constexpr const char* SUnderlay = "Underlay";
inline constexpr const char* SPosition = "Position";
inline constexpr const char* SHorizontal = "Horizontal:";
inline constexpr const char* SVertical = "Vertical:";
inline constexpr const char* SHorizontalTexts[] = {"Left", "Center", "Right", "Custom"};
inline constexpr const char* SVerticalTexts[] = {"Top", "Middle", "Bottom", "Custom"};

// Form-field grid.
inline constexpr const char* SGridHeaders[] = {"#", "Field Name", "Field Value", "ReadOnly", "Field Type"};
inline constexpr const char* STrue = "True";
inline constexpr const char* SFalse = "False";
inline constexpr const char* SSetValue = "Set &Value";

}  // namespace kv::ui
