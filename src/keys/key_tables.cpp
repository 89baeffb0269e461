// Key tables: one pair of 256-entry arrays per keyboard layout (host to device and
// device to host), computed at compile time from the US rules and rows plus the few
// rows of each layout. A conversion is one atomic load and two array reads.
#include <array>
#include <span>

#include "keys/key_codes.h"
#include "keys/language.h"

namespace {

struct KeyRow {
  HostKeyCode vk;
  DeviceKeyCode usage;
};

// US rows that the arithmetic ranges below do not cover.
constexpr KeyRow kUsRows[] = {
    {VK_BACK, 0x2A},       {VK_TAB, 0x2B},        {VK_CLEAR, 0x9C},      {VK_RETURN, 0x28},
    {VK_PAUSE, 0x48},      {VK_CAPITAL, 0x39},    {VK_ESCAPE, 0x29},     {VK_SPACE, 0x2C},
    {VK_PRIOR, 0x4B},      {VK_NEXT, 0x4E},       {VK_END, 0x4D},        {VK_HOME, 0x4A},
    {VK_LEFT, 0x50},       {VK_UP, 0x52},         {VK_RIGHT, 0x4F},      {VK_DOWN, 0x51},
    {VK_SELECT, 0x77},     {VK_EXECUTE, 0x74},    {VK_SNAPSHOT, 0x46},   {VK_INSERT, 0x49},
    {VK_DELETE, 0x4C},     {VK_HELP, 0x75},       {VK_LWIN, 0xE3},       {VK_RWIN, 0xE7},
    {VK_APPS, 0x65},       {VK_MULTIPLY, 0x55},   {VK_ADD, 0x57},        {VK_SEPARATOR, 0x9F},
    {VK_SUBTRACT, 0x56},   {VK_DECIMAL, 0x63},    {VK_DIVIDE, 0x54},     {VK_NUMLOCK, 0x53},
    {VK_SCROLL, 0x47},     {VK_LSHIFT, 0xE1},     {VK_RSHIFT, 0xE5},     {VK_LCONTROL, 0xE0},
    {VK_RCONTROL, 0xE4},   {VK_LMENU, 0xE2},      {VK_RMENU, 0xE6},      {VK_OEM_1, 0x33},
    {VK_OEM_PLUS, 0x2E},   {VK_OEM_COMMA, 0x36},  {VK_OEM_MINUS, 0x2D},  {VK_OEM_PERIOD, 0x37},
    {VK_OEM_2, 0x38},      {VK_OEM_3, 0x35},      {VK_OEM_4, 0x2F},      {VK_OEM_5, 0x31},
    {VK_OEM_6, 0x30},      {VK_OEM_7, 0x34},
    // Mouse buttons: host left, right, middle are device left, right, middle.
    {kHostMouseLeft, kDeviceMouseLeft},  {kHostMouseRight, kDeviceMouseRight},
    {kHostMouseMiddle, kDeviceMouseMiddle},
};

// Runs of consecutive VKs that map to consecutive usages.
struct KeyRange {
  HostKeyCode firstVk;
  HostKeyCode lastVk;
  DeviceKeyCode firstUsage;
};
constexpr KeyRange kUsRanges[] = {
    {'A', 'Z', 0x04},                  // letters
    {'1', '9', 0x1E},                  // digits; '0' comes after '9' on the device
    {'0', '0', 0x27},
    {VK_F1, VK_F12, 0x3A},             //
    {VK_F13, VK_F24, 0x68},            //
    {VK_NUMPAD1, VK_NUMPAD9, 0x59},    // keypad; 0 comes after 9 as well
    {VK_NUMPAD0, VK_NUMPAD0, 0x62},
};

// A layout's own rows replace the US rows of the same VK. `keepUsReverse` lists the
// usages whose reverse stays the US VK although an own row also produces them (so
// the keypad usages still come back as the keypad keys). `extraReverse` are reverse
// rows with no forward row.
struct LayoutRows {
  std::span<const KeyRow> own;
  std::span<const DeviceKeyCode> keepUsReverse = {};
  std::span<const KeyRow> extraReverse = {};
};

constexpr KeyRow kFrRows[] = {
    {'A', 0x14},          {'Q', 0x04},           {'W', 0x1D},         {'Z', 0x1A},
    {'M', 0x33},          {VK_OEM_1, 0x30},      {VK_OEM_COMMA, 0x10}, {VK_OEM_PERIOD, 0x36},
    {VK_OEM_2, 0x37},     {VK_OEM_3, 0x34},      {VK_OEM_4, 0x2D},    {VK_OEM_5, 0x32},
    {VK_OEM_6, 0x2F},     {VK_OEM_7, 0x35},      {VK_OEM_8, 0x38},
};
constexpr KeyRow kBiliRows[] = {
    {'A', 0x14},            {'Q', 0x04},          {'W', 0x1D},          {'Z', 0x1A},
    {'M', 0x33},            {VK_OEM_1, 0x30},     {VK_OEM_PLUS, 0x38},  {VK_OEM_COMMA, 0x10},
    {VK_OEM_MINUS, 0x2E},   {VK_OEM_PERIOD, 0x36}, {VK_OEM_2, 0x37},    {VK_OEM_3, 0x34},
    {VK_OEM_4, 0x2D},       {VK_OEM_6, 0x2F},     {VK_OEM_7, 0x35},
};
// The BILI rows without 'M', which keeps the US usage 0x10.
constexpr KeyRow kNlbeRows[] = {
    {'A', 0x14},            {'Q', 0x04},          {'W', 0x1D},          {'Z', 0x1A},
    {VK_OEM_1, 0x30},       {VK_OEM_PLUS, 0x38},  {VK_OEM_COMMA, 0x10}, {VK_OEM_MINUS, 0x2E},
    {VK_OEM_PERIOD, 0x36},  {VK_OEM_2, 0x37},     {VK_OEM_3, 0x34},     {VK_OEM_4, 0x2D},
    {VK_OEM_6, 0x2F},       {VK_OEM_7, 0x35},
};
constexpr KeyRow kNlbeExtraReverse[] = {{VK_OEM_MINUS, 0x33}};
constexpr KeyRow kDeRows[] = {
    {'Y', 0x1D},          {'Z', 0x1C},          {VK_OEM_1, 0x2F},  {VK_OEM_PLUS, 0x30},
    {VK_OEM_MINUS, 0x38}, {VK_OEM_2, 0x31},     {VK_OEM_3, 0x33},  {VK_OEM_4, 0x2D},
    {VK_OEM_5, 0x35},     {VK_OEM_6, 0x2E},
};
// SP and IT: the DE rows without 'Y' and 'Z'.
constexpr KeyRow kSpItRows[] = {
    {VK_OEM_1, 0x2F},  {VK_OEM_PLUS, 0x30}, {VK_OEM_MINUS, 0x38}, {VK_OEM_2, 0x31},
    {VK_OEM_3, 0x33},  {VK_OEM_4, 0x2D},    {VK_OEM_5, 0x35},     {VK_OEM_6, 0x2E},
};
constexpr KeyRow kCzRows[] = {
    {'Y', 0x1D}, {'Z', 0x1C}, {VK_OEM_PLUS, 0x2D}, {VK_OEM_MINUS, 0x38}, {VK_OEM_2, 0x2E},
};
// SE and DA.
constexpr KeyRow kSeDaRows[] = {
    {VK_OEM_1, 0x30},  {VK_OEM_PLUS, 0x2D}, {VK_OEM_MINUS, 0x38}, {VK_OEM_2, 0x31},
    {VK_OEM_3, 0x33},  {VK_OEM_4, 0x2E},    {VK_OEM_5, 0x35},     {VK_OEM_6, 0x2F},
};
constexpr KeyRow kPoRows[] = {
    {VK_OEM_1, 0x30},  {VK_OEM_PLUS, 0x2F}, {VK_OEM_MINUS, 0x38}, {VK_OEM_2, 0x31},
    {VK_OEM_3, 0x33},  {VK_OEM_4, 0x2D},    {VK_OEM_5, 0x35},     {VK_OEM_6, 0x2E},
    {VK_OEM_8, 0x55},
};
constexpr DeviceKeyCode kPoKeepUs[] = {0x55};
constexpr KeyRow kTuRows[] = {
    {VK_OEM_COMMA, 0x31}, {VK_OEM_MINUS, 0x56}, {VK_OEM_PERIOD, 0x38},
    {VK_OEM_2, 0x36},     {VK_OEM_5, 0x37},     {VK_OEM_8, 0x55},
};
constexpr DeviceKeyCode kTuKeepUs[] = {0x55, 0x56};
constexpr KeyRow kRuRows[] = {{VK_OEM_MINUS, 0x56}, {VK_OEM_8, 0x2E}};
constexpr DeviceKeyCode kRuKeepUs[] = {0x2E, 0x56};
constexpr KeyRow kPobrRows[] = {{VK_OEM_8, 0x55}};
constexpr KeyRow kSlRows[] = {{VK_OEM_MINUS, 0x38}, {VK_OEM_2, 0x2D}, {VK_OEM_8, 0x2E}};
constexpr KeyRow kHunRows[] = {
    {'0', 0x35}, {VK_OEM_MINUS, 0x38}, {VK_OEM_2, 0x2D}, {VK_OEM_3, 0x27}, {VK_OEM_102, 0x64},
};

struct KeyTable {
  std::array<DeviceKeyCode, 256> toDevice{};
  std::array<HostKeyCode, 256> toHost{};
};

consteval bool Contains(std::span<const DeviceKeyCode> list, DeviceKeyCode value) {
  for (DeviceKeyCode v : list)
    if (v == value) return true;
  return false;
}

consteval KeyTable BuildKeyTable(const LayoutRows& layout) {
  KeyTable t;
  // Any code without a row passes through unchanged in both directions.
  for (int i = 0; i < 256; ++i) {
    t.toDevice[i] = static_cast<DeviceKeyCode>(i);
    t.toHost[i] = static_cast<HostKeyCode>(i);
  }
  auto set = [&t](int vk, int usage) {
    t.toDevice[vk] = static_cast<DeviceKeyCode>(usage);
    t.toHost[usage] = static_cast<HostKeyCode>(vk);
  };
  for (const KeyRange& r : kUsRanges)
    for (int vk = r.firstVk; vk <= r.lastVk; ++vk) set(vk, r.firstUsage + (vk - r.firstVk));
  for (const KeyRow& r : kUsRows) set(r.vk, r.usage);
  for (const KeyRow& r : layout.own) {
    t.toDevice[r.vk] = r.usage;
    if (!Contains(layout.keepUsReverse, r.usage)) t.toHost[r.usage] = r.vk;
  }
  for (const KeyRow& r : layout.extraReverse) t.toHost[r.usage] = r.vk;
  return t;
}

// A macro written to a file and read back in the same language must keep its keys:
// every usage that toDevice produces must come back through toHost to itself.
consteval bool RoundTrips(const KeyTable& t) {
  for (int vk = 0; vk < 256; ++vk) {
    DeviceKeyCode u = t.toDevice[vk];
    if (t.toDevice[t.toHost[u]] != u) return false;
  }
  return true;
}

// No two US rows or ranges may claim the same VK or the same usage, or the US
// reverse would not be the exact inverse.
consteval bool UsRowsAreOneToOne() {
  std::array<int, 256> vkUses{}, usageUses{};
  for (const KeyRange& r : kUsRanges)
    for (int vk = r.firstVk; vk <= r.lastVk; ++vk) {
      ++vkUses[vk];
      ++usageUses[r.firstUsage + (vk - r.firstVk)];
    }
  for (const KeyRow& r : kUsRows) {
    ++vkUses[r.vk];
    ++usageUses[r.usage];
  }
  for (int i = 0; i < 256; ++i)
    if (vkUses[i] > 1 || usageUses[i] > 1) return false;
  return true;
}
static_assert(UsRowsAreOneToOne());

constexpr KeyTable kEnTable = BuildKeyTable({});
constexpr KeyTable kFrTable = BuildKeyTable({kFrRows});
constexpr KeyTable kBiliTable = BuildKeyTable({kBiliRows});
constexpr KeyTable kNlbeTable = BuildKeyTable({kNlbeRows, {}, kNlbeExtraReverse});
constexpr KeyTable kDeTable = BuildKeyTable({kDeRows});
constexpr KeyTable kSpItTable = BuildKeyTable({kSpItRows});
constexpr KeyTable kCzTable = BuildKeyTable({kCzRows});
constexpr KeyTable kSeDaTable = BuildKeyTable({kSeDaRows});
constexpr KeyTable kPoTable = BuildKeyTable({kPoRows, kPoKeepUs});
constexpr KeyTable kTuTable = BuildKeyTable({kTuRows, kTuKeepUs});
constexpr KeyTable kRuTable = BuildKeyTable({kRuRows, kRuKeepUs});
constexpr KeyTable kPobrTable = BuildKeyTable({kPobrRows, kPoKeepUs});
constexpr KeyTable kSlTable = BuildKeyTable({kSlRows});
constexpr KeyTable kHunTable = BuildKeyTable({kHunRows});

static_assert(RoundTrips(kEnTable) && RoundTrips(kFrTable) && RoundTrips(kBiliTable) &&
              RoundTrips(kNlbeTable) && RoundTrips(kDeTable) && RoundTrips(kSpItTable) &&
              RoundTrips(kCzTable) && RoundTrips(kSeDaTable) && RoundTrips(kPoTable) &&
              RoundTrips(kTuTable) && RoundTrips(kRuTable) && RoundTrips(kPobrTable) &&
              RoundTrips(kSlTable) && RoundTrips(kHunTable));

// By language index; nullptr where the index names no language (25).
constexpr std::array<const KeyTable*, 27> kKeyTableOfLanguage = {
    &kEnTable,    // 0 CN
    &kEnTable,    // 1 EN
    &kFrTable,    // 2 FR
    &kBiliTable,  // 3 BILI
    &kDeTable,    // 4 DE
    &kSpItTable,  // 5 SP
    &kSpItTable,  // 6 IT
    &kRuTable,    // 7 RU
    &kTuTable,    // 8 TU
    &kPoTable,    // 9 PO
    &kEnTable,    // 10 TH
    &kEnTable,    // 11 KR
    &kEnTable,    // 12 JP
    &kEnTable,    // 13 AR
    &kEnTable,    // 14 PL
    &kCzTable,    // 15 CZ
    &kSeDaTable,  // 16 SE
    &kEnTable,    // 17 NL
    &kPobrTable,  // 18 POBR
    &kEnTable,    // 19 CNTW
    &kNlbeTable,  // 20 NLBE
    &kSeDaTable,  // 21 DA
    &kSlTable,    // 22 SL
    &kEnTable,    // 23 FA
    &kEnTable,    // 24 UA
    nullptr,      // 25
    &kHunTable,   // 26 HUN
};

const KeyTable* CurrentKeyTable() {
  int language = g_language.load(std::memory_order_relaxed);
  if (language < 0 || language >= static_cast<int>(kKeyTableOfLanguage.size())) return nullptr;
  return kKeyTableOfLanguage[language];
}

// The VK at each key position of a full-size US keyboard, row by row; 0xFF for no key.
constexpr std::array<HostKeyCode, 256> kKeyIndexVk = [] {
  std::array<HostKeyCode, 256> vk{};
  vk.fill(0xFF);
  constexpr HostKeyCode kPositions[kKeyIndexCount] = {
      VK_ESCAPE,
      VK_F1, VK_F1 + 1, VK_F1 + 2, VK_F1 + 3, VK_F1 + 4, VK_F1 + 5,
      VK_F1 + 6, VK_F1 + 7, VK_F1 + 8, VK_F1 + 9, VK_F1 + 10, VK_F12,
      VK_INSERT,
      VK_OEM_3, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', VK_OEM_MINUS, VK_OEM_PLUS,
      VK_BACK, VK_DELETE,
      VK_TAB, 'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', VK_OEM_4, VK_OEM_6, VK_OEM_5,
      VK_CAPITAL, 'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', VK_OEM_1, VK_OEM_7, VK_RETURN,
      VK_LSHIFT, 'Z', 'X', 'C', 'V', 'B', 'N', 'M', VK_OEM_COMMA, VK_OEM_PERIOD, VK_OEM_2,
      VK_RSHIFT,
      VK_LCONTROL, VK_LMENU, VK_LWIN, VK_SPACE, VK_RWIN, VK_RMENU, VK_RCONTROL,
      VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN,
  };
  for (int i = 0; i < kKeyIndexCount; ++i) vk[i] = kPositions[i];
  return vk;
}();
static_assert(kKeyIndexVk[78] == VK_DOWN && kKeyIndexVk[79] == 0xFF);

}  // namespace

DeviceKeyCode VkToDeviceKey(HostKeyCode vk) {
  const KeyTable* table = CurrentKeyTable();
  return table ? table->toDevice[vk] : vk;
}

HostKeyCode DeviceKeyToVk(DeviceKeyCode key) {
  const KeyTable* table = CurrentKeyTable();
  return table ? table->toHost[key] : key;
}

DeviceKeyCode KeyIndexToDeviceKey(KeyIndex index) { return VkToDeviceKey(kKeyIndexVk[index]); }
