// Feeds arbitrary text to the macro record decoder. Checks that decoding never reads
// past its input, keeps the counts within the record's arrays, and that what it gives
// survives a write and a read, and that an old-layout text upgraded to the current
// layout reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "keys/language.h"
#include "profile/macro_text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMacroValueBufferChars) return 0;  // readers never pass longer values
  // libFuzzer hands over a buffer of exactly `size` bytes: AddressSanitizer catches any
  // read past the text.
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // Language 25 has no key table: codes pass unchanged, so a round trip is exact.
  g_language = 25;
  const MacroRecord r = DecodeMacroRecord(text, kMacroFileVersion);
  Check(r.eventCount <= kMacroMaxEvents);
  Check(r.ledBlockCount <= kMacroBlockCount && r.kind251BlockCount <= kMacroBlockCount);
  const std::string encoded = EncodeMacroRecord(r);
  Check(encoded.size() == static_cast<std::size_t>(kMacroRecordFieldsV3) * 3);
  MacroRecord expected = r;
  expected.headerTail = {};
  Check(DecodeMacroRecord(encoded, kMacroFileVersion) == expected);
  Check(MacroName(r) == DecodeMacroName(text));

  const MacroRecord old = DecodeMacroRecord(text, 2);
  Check(old.eventCount <= kMacroMaxEvents);
  Check(old.yOffsetOn == 0 && old.yOffset == 0);
  Check(old.name == r.name);
  Check(DecodeMacroRecord(UpgradeMacroText(text), kMacroFileVersion) == old);

  // Real key tables: decoding must stay in bounds whatever the language.
  g_language = static_cast<int>(size % 27);
  (void)DecodeMacroRecord(text, kMacroFileVersion);
  return 0;
}
