#include "profile/macro_text.h"

#include <algorithm>

#include "keys/key_codes.h"
#include "platform/ini_file.h"

namespace {

constexpr std::size_t kFieldChars = 3;

// Only keys and mouse buttons are converted between host and device codes; pure
// delays and the event kinds from 244 up are the same number on both sides.
bool IsKeyOrButtonCode(std::uint8_t code) { return code != 0 && code < 244; }

std::uint8_t ToHostCode(std::uint8_t deviceCode) {
  return IsKeyOrButtonCode(deviceCode) ? DeviceKeyToVk(deviceCode) : deviceCode;
}

std::uint8_t ToDeviceCode(std::uint8_t hostCode) {
  return IsKeyOrButtonCode(hostCode) ? VkToDeviceKey(hostCode) : hostCode;
}

void AppendWord(std::string& text, std::uint16_t value) {
  FormatThreeDigits(text, value & 0xFF);
  FormatThreeDigits(text, value >> 8);
}

// Sequential reader over the fields of one record text.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}
  std::uint8_t Byte() { return ReadByteField(text_, next_++); }
  std::uint16_t Word() {
    std::uint16_t value = ReadWordField(text_, next_);
    next_ += 2;
    return value;
  }
  void Skip(std::size_t fields) { next_ += fields; }

 private:
  std::string_view text_;
  std::size_t next_ = 0;
};

}  // namespace

std::string& FormatThreeDigits(std::string& text, int value) {
  const unsigned byte = static_cast<unsigned>(value) & 0xFFu;
  text += static_cast<char>('0' + byte / 100);
  text += static_cast<char>('0' + byte / 10 % 10);
  text += static_cast<char>('0' + byte % 10);
  return text;
}

int ReadThreeDigitField(std::string_view text, std::size_t k) {
  if (k > text.size() / kFieldChars) return 0;
  const std::size_t start = k * kFieldChars;
  if (text.size() - start < kFieldChars) return 0;
  return ini::ToInt(text.substr(start, kFieldChars));
}

std::uint8_t ReadByteField(std::string_view text, std::size_t k) {
  return static_cast<std::uint8_t>(ReadThreeDigitField(text, k) & 0xFF);
}

std::uint16_t ReadWordField(std::string_view text, std::size_t k) {
  const int low = ReadThreeDigitField(text, k);
  const int high = ReadThreeDigitField(text, k + 1);
  return static_cast<std::uint16_t>(static_cast<unsigned>(low + 256 * high) & 0xFFFFu);
}

std::string EncodeMacroRecord(const MacroRecord& record) {
  std::string text;
  text.reserve(static_cast<std::size_t>(kMacroRecordFieldsV3) * kFieldChars);
  for (std::uint8_t byte : record.name) FormatThreeDigits(text, byte);
  FormatThreeDigits(text, record.mode);
  AppendWord(text, record.repeatCount);
  AppendWord(text, record.eventCount);
  AppendWord(text, record.moveCount);
  AppendWord(text, record.kind247Count);
  AppendWord(text, record.cpiCount);
  AppendWord(text, record.kind250Count);
  FormatThreeDigits(text, record.ledBlockCount);
  FormatThreeDigits(text, record.kind251BlockCount);
  FormatThreeDigits(text, record.yOffsetOn);
  FormatThreeDigits(text, record.yOffset);
  for (int i = 0; i < 4; ++i) FormatThreeDigits(text, 0);
  for (std::size_t e = 0; e < kMacroMaxEvents; ++e) {
    FormatThreeDigits(text, record.action[e]);
    FormatThreeDigits(text, ToHostCode(record.code[e]));
    AppendWord(text, record.param[e].a);
    AppendWord(text, record.param[e].b);
    AppendWord(text, record.delay[e]);
  }
  for (const auto& block : record.ledBlocks)
    for (std::uint8_t byte : block) FormatThreeDigits(text, byte);
  return text;
}

MacroRecord DecodeMacroRecord(std::string_view text, int datVersion) {
  MacroRecord record;
  FieldReader in(text);
  for (std::uint8_t& byte : record.name) byte = in.Byte();
  record.mode = in.Byte();
  record.repeatCount = in.Word();
  record.eventCount = in.Word();
  record.moveCount = in.Word();
  record.kind247Count = in.Word();
  record.cpiCount = in.Word();
  record.kind250Count = in.Word();
  record.ledBlockCount = in.Byte();
  record.kind251BlockCount = in.Byte();
  if (datVersion == kMacroFileVersion) {
    record.yOffsetOn = in.Byte();
    record.yOffset = in.Byte();
    for (std::uint8_t& byte : record.headerTail) byte = in.Byte();
  }
  for (std::size_t e = 0; e < kMacroMaxEvents; ++e) {
    record.action[e] = in.Byte();
    record.code[e] = ToDeviceCode(in.Byte());
    record.param[e].a = in.Word();
    record.param[e].b = in.Word();
    record.delay[e] = in.Word();
  }
  for (auto& block : record.ledBlocks)
    for (std::uint8_t& byte : block) byte = in.Byte();
  record.eventCount = std::min<std::uint16_t>(record.eventCount, kMacroMaxEvents);
  record.ledBlockCount = std::min<std::uint8_t>(record.ledBlockCount, kMacroBlockCount);
  record.kind251BlockCount = std::min<std::uint8_t>(record.kind251BlockCount, kMacroBlockCount);
  return record;
}

std::string DecodeMacroName(std::string_view text) {
  std::array<std::uint8_t, kMacroNameBytes> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = ReadByteField(text, i);
  return MacroNameFromBytes(bytes);
}

std::string UpgradeMacroText(std::string_view oldText) {
  const std::size_t headerEnd = static_cast<std::size_t>(kMacroNameBytes + kMacroHeaderFieldsOld) * kFieldChars;
  if (oldText.size() <= headerEnd) return std::string(oldText);
  std::string text;
  text.reserve(oldText.size() + (kMacroHeaderFieldsV3 - kMacroHeaderFieldsOld) * kFieldChars);
  text.append(oldText.substr(0, headerEnd));
  for (int i = kMacroHeaderFieldsOld; i < kMacroHeaderFieldsV3; ++i) text += "000";
  text.append(oldText.substr(headerEnd));
  return text;
}
