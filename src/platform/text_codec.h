// Conversions between the text forms the program meets: UTF-8 (our files and tables),
// UTF-16 (the 60-byte name of a macro record, files made on the original platform).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Bytes of an INI file as UTF-8 text: a UTF-8 BOM is dropped, UTF-16LE with BOM (and
// UTF-16BE with BOM) is converted. Anything else is taken as UTF-8 as it stands.
std::string DecodeIniBytes(std::string_view bytes);

// UTF-8 to UTF-16 code units; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-16 code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// The first maxUnits UTF-16 units of text, never ending inside a surrogate pair.
std::u16string CutUtf16(std::u16string_view text, std::size_t maxUnits);
