// The text of a name object ("/Type", leading "/" and #-escapes as read). Files repeat a
// few hundred distinct names (/Page, /Font, /FlateDecode...) hundreds of thousands of
// times, so the text is normally a pointer to one shared, immutable string kept for the
// life of the process (an interned text); text that is long, or met after the table of
// shared texts is full (a hostile file may use millions of distinct names), is owned.
// Either way a name object costs a pointer here instead of a string of its own.
//
// Reads as a const std::string (it converts to one, and to a string_view); assigning
// replaces the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace kv {

class TkvNameText {
 public:
  TkvNameText() noexcept : bits_(EmptyBits()) {}
  explicit TkvNameText(std::string_view text) : bits_(Share(text)) {}
  TkvNameText(const TkvNameText& other) : bits_(other.Owned() ? Own(other.str()) : other.bits_) {}
  TkvNameText(TkvNameText&& other) noexcept : bits_(other.bits_) { other.bits_ = EmptyBits(); }
  ~TkvNameText() { Release(); }
  TkvNameText& operator=(const TkvNameText& other) { return *this = std::string_view(other.str()); }
  TkvNameText& operator=(TkvNameText&& other) noexcept;
  TkvNameText& operator=(std::string_view text);
  TkvNameText& operator=(const std::string& text) { return *this = std::string_view(text); }
  TkvNameText& operator=(const char* text) { return *this = std::string_view(text); }

  const std::string& str() const { return *reinterpret_cast<const std::string*>(bits_ & ~uintptr_t{1}); }
  operator const std::string&() const { return str(); }
  operator std::string_view() const { return str(); }

  const char* c_str() const { return str().c_str(); }
  const char* data() const { return str().data(); }
  size_t size() const { return str().size(); }
  size_t length() const { return str().size(); }
  bool empty() const { return str().empty(); }
  char operator[](size_t i) const { return str()[i]; }
  char front() const { return str().front(); }
  char back() const { return str().back(); }
  std::string::const_iterator begin() const { return str().begin(); }
  std::string::const_iterator end() const { return str().end(); }
  std::string substr(size_t pos = 0, size_t n = std::string::npos) const { return str().substr(pos, n); }
  size_t find(std::string_view s, size_t pos = 0) const { return str().find(s, pos); }
  size_t find(char c, size_t pos = 0) const { return str().find(c, pos); }
  bool starts_with(std::string_view s) const { return std::string_view(str()).starts_with(s); }
  int compare(std::string_view s) const { return std::string_view(str()).compare(s); }

  // Distinct texts shared at most, and the longest text shared: a bound on what the table
  // can hold whatever the files read (about 16 384 texts of up to 64 bytes).
  static constexpr size_t kMaxShared = size_t{1} << 14;
  static constexpr size_t kMaxSharedLength = 64;

 private:
  // The low bit marks an owned string (strings are at least 8-aligned).
  bool Owned() const { return (bits_ & 1) != 0; }
  static uintptr_t EmptyBits() noexcept;
  static uintptr_t Own(std::string_view text);
  static uintptr_t Share(std::string_view text);
  void Release();
  uintptr_t bits_;
};

inline bool operator==(const TkvNameText& a, std::string_view b) { return std::string_view(a.str()) == b; }
inline bool operator==(const TkvNameText& a, const TkvNameText& b) { return a.str() == b.str(); }
inline auto operator<=>(const TkvNameText& a, std::string_view b) { return std::string_view(a.str()) <=> b; }
inline auto operator<=>(const TkvNameText& a, const TkvNameText& b) { return a.str() <=> b.str(); }
inline std::string operator+(const TkvNameText& a, std::string_view b) {
  std::string s = a.str();
  s.append(b);
  return s;
}
inline std::string operator+(std::string_view a, const TkvNameText& b) {
  std::string s(a);
  s += b.str();
  return s;
}
inline std::string operator+(const TkvNameText& a, char b) { return a.str() + b; }
inline std::ostream& operator<<(std::ostream& out, const TkvNameText& t) { return out << t.str(); }

}  // namespace kv
