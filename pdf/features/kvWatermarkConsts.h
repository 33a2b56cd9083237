// Messages of markings.
#pragma once

namespace kv::msg {
inline constexpr const char* SErrorInsertingResource = "Error inserting page resource";
inline constexpr const char* SUnexpectedContentObject = "Unexpected content object for page %d";
// Named as the picture of an image template that has none.
inline constexpr const char* SNoPicture = "no picture";
}  // namespace kv::msg
