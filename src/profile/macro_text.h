// ThreeDigitFields: byte blocks stored in one INI value as exactly three decimal digits
// per byte ("007", "042", "255"), and the text form of a whole macro record built on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "profile/macro_record.h"

// The file format version the writers produce (key DAT_VER); version 3 records carry
// yOffsetOn, yOffset and the four header-tail bytes, older ones do not.
constexpr int kMacroFileVersion = 3;
constexpr int kMacroHeaderFieldsV3 = 21;
constexpr int kMacroHeaderFieldsOld = 15;
constexpr int kMacroEventFields = 8;
constexpr int kMacroRecordFieldsV3 = kMacroNameBytes + kMacroHeaderFieldsV3 +
                                     kMacroMaxEvents * kMacroEventFields + kMacroBlockCount * kMacroBlockSize;
constexpr int kMacroRecordFieldsOld = kMacroRecordFieldsV3 - (kMacroHeaderFieldsV3 - kMacroHeaderFieldsOld);
static_assert(kMacroRecordFieldsV3 == 2621 && kMacroRecordFieldsOld == 2615);
// Buffer (in characters, terminator included) with which a record value is read.
constexpr std::size_t kMacroValueBufferChars = 26649;

// Appends one byte as three digits: 0..9 as "00d", 10..99 as "0dd", the rest plainly.
// Only the low 8 bits of value are used, so the field is always three characters.
// Returns text.
std::string& FormatThreeDigits(std::string& text, int value);

// Field k of a value: the three characters from position 3k as a decimal number
// (leading blanks and a sign allowed, conversion stops at the first non-digit).
// Fewer than three characters left, or no digits, give 0. Never reads past text.
int ReadThreeDigitField(std::string_view text, std::size_t k);
// A byte field: the field's number modulo 256.
std::uint8_t ReadByteField(std::string_view text, std::size_t k);
// A 16-bit value stored as fields k (low) and k + 1 (high): low + 256 * high, kept to
// 16 bits.
std::uint16_t ReadWordField(std::string_view text, std::size_t k);

// The record text of a record in the version-3 layout (2621 fields, 7863 characters).
// Key and mouse-button codes are written as host key codes of the current language
// (DeviceKeyToVk); blocks251 is not stored and headerTail is written as zeros.
std::string EncodeMacroRecord(const MacroRecord& record);

// A record decoded from its text. datVersion 3 selects the 21-field header, any other
// the 15-field header. Key and mouse-button codes are read as host key codes of the
// current language (VkToDeviceKey). Missing or non-numeric fields give 0, characters
// beyond the record are ignored. Fields not held by the text (blocks251, and for old
// versions yOffsetOn, yOffset and headerTail) are 0. The event count is limited to 275
// and the two block counts to 5, so that no reader of the record indexes past its arrays.
MacroRecord DecodeMacroRecord(std::string_view text, int datVersion);

// The name of a record text (its first 60 fields) as UTF-8, without decoding the rest.
std::string DecodeMacroName(std::string_view text);

// A record text of an older version rewritten in the version-3 layout: the six
// version-3 header fields are inserted as zeros after the old header. Texts too short
// to reach the events are returned unchanged (they read the same in both layouts).
std::string UpgradeMacroText(std::string_view oldText);
