// Names used by the object model.
#pragma once

namespace kv::msg {
inline constexpr const char* SBooleanObject = "Boolean Object";
inline constexpr const char* SIntegerObject = "Integer Object";
inline constexpr const char* SInt64Object = "Int64 Object";
inline constexpr const char* SRealObject = "Real Object";
inline constexpr const char* SStringObject = "String Object";
inline constexpr const char* SNameObject = "Name Object";
inline constexpr const char* SArrayObject = "Array Object";
inline constexpr const char* SDictionaryObject = "Dictionary Object";
inline constexpr const char* SStreamObject = "Stream Object";
inline constexpr const char* SNullObject = "Null Object";
inline constexpr const char* SReferenceObject = "IndirectReference Object";
inline constexpr const char* SIndirectObject = "Indirect Object";
// A value of another kind than the code reading it needs.
inline constexpr const char* SUnexpectedKind = "Expected %s, found %s";
}  // namespace kv::msg
