// Messages of folio itself (the library's own messages are passed on unchanged).
#pragma once

namespace folio::msg {
// Page selection
inline constexpr const char* SEmptyPages = "--pages is empty: say --pages all for every page";
inline constexpr const char* SNoPagesLeft = "the result would have no pages";
// Inputs
inline constexpr const char* SStandardInput = "standard input";
inline constexpr const char* SInputFailure = "%s: %s";
inline constexpr const char* SWrongPassword = "Wrong password.";
inline constexpr const char* SInputTooLarge = "larger than %lld bytes, more than folio reads";
// Outputs
inline constexpr const char* SCannotWrite = "Cannot write file \"%s\". %s";
inline constexpr const char* SCannotWriteStdout = "Cannot write to standard output. %s";
inline constexpr const char* SSplitPattern =
    "the output of split needs one %d (or %03d and the like) for the part number, and %% for a percent sign";
inline constexpr const char* SSplitToStdout = "split writes several files: -o - cannot take them";
inline constexpr const char* SSplitEvery = "--every needs a number of pages from 1";
// Encryption
inline constexpr const char* SEncryptNeedsPassword = "--encrypt needs --owner-password or --user-password";
inline constexpr const char* SPasswordsNeedEncrypt = "--owner-password, --user-password and --allow need --encrypt";
}  // namespace folio::msg
