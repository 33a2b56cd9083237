// Messages of the core classes.
#pragma once

namespace kv::msg {
inline constexpr const char* SInvalidStream = "Invalid Stream! Cannot create with null stream";
inline constexpr const char* SWriteOnlyCannotRead = "A write-only filter cannot read";
inline constexpr const char* SInvalidUniqueID = "Invalid unique ID (%lld)";
inline constexpr const char* SListIndexOutOfBounds = "List index out of bounds (%d)";
inline constexpr const char* SStreamReadError = "Stream read error";
inline constexpr const char* SStreamWriteError = "Stream write error";
inline constexpr const char* SCannotOpenFile = "Cannot open file \"%s\". %s";
inline constexpr const char* SCannotCreateFile = "Cannot create file \"%s\". %s";
inline constexpr const char* SFileTooLarge = "File \"%s\" is too large to be read";
}  // namespace kv::msg
