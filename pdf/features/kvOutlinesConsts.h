// Messages of the outline and destination units.
#pragma once

namespace kv::msg {
inline constexpr const char* SUnexpectedDestType = "Unexpected Destination Type";
inline constexpr const char* SOutlineNoChildren = "Outline node does not have children!";
inline constexpr const char* SOutlineNoNext = "Outline node does not have next nodes!";
inline constexpr const char* SExpectedPageReference = "Expected Page Indirect Reference in Outline Destination!";
// Our own, for outlines whose links do not form a tree.
inline constexpr const char* SOutlineLoop = "Outline item %d is linked more than once: the outline is read up to it";
inline constexpr const char* SOutlineTooDeep = "Outline nested more than %d levels deep: deeper items are left out";
}  // namespace kv::msg
