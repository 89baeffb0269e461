#include "platform/text_codec.h"

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::u16string Utf16FromBytes(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    unsigned char lo = static_cast<unsigned char>(bytes[i]);
    unsigned char hi = static_cast<unsigned char>(bytes[i + 1]);
    if (bigEndian) std::swap(lo, hi);
    units += static_cast<char16_t>(lo | (hi << 8));
  }
  return units;
}

}  // namespace

std::string DecodeIniBytes(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return Utf16ToUtf8(Utf16FromBytes(bytes.substr(2), false));
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return Utf16ToUtf8(Utf16FromBytes(bytes.substr(2), true));
  return std::string(bytes);
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c >> 5) == 6 || (c >> 4) == 14 || (c >> 3) == 30) {
      len = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
      char32_t value = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
      bool ok = i + len <= text.size();
      for (std::size_t k = 1; ok && k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(text[i + k]);
        if ((cc >> 6) != 2) ok = false;
        value = (value << 6) | (cc & 0x3F);
      }
      if (ok && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
        cp = value;
      } else {
        len = 1;
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = 0xFFFD;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::u16string CutUtf16(std::u16string_view text, std::size_t maxUnits) {
  if (text.size() <= maxUnits) return std::u16string(text);
  std::size_t n = maxUnits;
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return std::u16string(text.substr(0, n));
}
