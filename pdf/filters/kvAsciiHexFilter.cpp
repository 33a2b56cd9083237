// ASCII hex: two upper-case digits per byte, ended by ">".
#include <array>

#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFiltersConsts.h"

namespace kv::codec {

namespace {

constexpr uint8_t kSkip = 0xFE;     // white space between digits
constexpr uint8_t kIllegal = 0xFF;  // anything else that is not a digit

constexpr std::array<uint8_t, 256> MakeHexTable() {
  std::array<uint8_t, 256> table{};
  for (auto& v : table) v = kIllegal;
  for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table[c] = table[c + ('a' - 'A')] = static_cast<uint8_t>(c - 'A' + 10);
  table[' '] = table['\n'] = table['\r'] = table['\t'] = kSkip;
  return table;
}
constexpr std::array<uint8_t, 256> kHexValue = MakeHexTable();

}  // namespace

std::string AsciiHexEncode(std::string_view data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(data.size() * 2 + 1, '>');
  char* p = out.data();
  for (unsigned char c : data) {
    *p++ = kDigits[c >> 4];
    *p++ = kDigits[c & 15];
  }
  return out;
}

std::string AsciiHexDecodeBody(std::string_view body) {
  std::string out(body.size() / 2 + 1, '\0');
  char* p = out.data();
  int held = -1;  // first digit of an unfinished pair
  for (unsigned char c : body) {
    const uint8_t v = kHexValue[c];
    if (v < 16) {
      if (held < 0) {
        held = v;
      } else {
        *p++ = static_cast<char>(held * 16 + v);
        held = -1;
      }
    } else if (v == kIllegal) {
      throw Exception(msg::SIllegalCharacter);
    }
  }
  if (held >= 0) *p++ = static_cast<char>(held * 16);
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

std::string AsciiHexDecode(std::string_view data) {
  if (data.empty() || data.back() != '>') throw Exception(msg::SEndOfDataMarker);
  data.remove_suffix(1);
  return AsciiHexDecodeBody(data);
}

}  // namespace kv::codec
