// Key display names: one 256-entry table per language, the EN names with each
// language's own entries laid over them, all built at compile time. Only the three
// mouse-button names are read at run time, from the loaded language texts.
#include <array>
#include <span>
#include <string_view>

#include "keys/key_codes.h"
#include "keys/language.h"

namespace {

struct NameRow {
  DeviceKeyCode code;
  std::string_view name;
};

// EN names besides the letters and digits, which are generated below.
constexpr NameRow kEnNamedCodes[] = {
    {0x28, "KeyPad Enter"}, {0x29, "ESCAPE"}, {0x2A, "BackSpace"}, {0x2B, "TAB"},
    {0x2C, "Space"}, {0x2D, "_-"}, {0x2E, "=+"}, {0x2F, "[{"}, {0x30, "]}"}, {0x31, "|"},
    {0x33, ";:"}, {0x34, "'"}, {0x35, "~"}, {0x36, "<"}, {0x37, ">"}, {0x38, "/?"},
    {0x39, "CAPS"}, {0x3A, "F1"}, {0x3B, "F2"}, {0x3C, "F3"}, {0x3D, "F4"}, {0x3E, "F5"},
    {0x3F, "F6"}, {0x40, "F7"}, {0x41, "F8"}, {0x42, "F9"}, {0x43, "F10"}, {0x44, "F11"},
    {0x45, "F12"}, {0x46, "PrintSc"}, {0x47, "Scroll"}, {0x48, "Pause"}, {0x49, "Insert"},
    {0x4A, "Home"}, {0x4B, "Page Up"}, {0x4C, "Delete"}, {0x4D, "End"}, {0x4E, "Page Down"},
    {0x4F, "→"}, {0x50, "←"}, {0x51, "↓"}, {0x52, "↑"}, {0x53, "NumLock"}, {0x54, "KeyPad /"},
    {0x55, "KeyPad *"}, {0x56, "KeyPad -"}, {0x57, "KeyPad +"}, {0x59, "KeyPad 1"},
    {0x5A, "KeyPad 2"}, {0x5B, "KeyPad 3"}, {0x5C, "KeyPad 4"}, {0x5D, "KeyPad 5"},
    {0x5E, "KeyPad 6"}, {0x5F, "KeyPad 7"}, {0x60, "KeyPad 8"}, {0x61, "KeyPad 9"},
    {0x62, "KeyPad 0"}, {0x63, "KeyPad ."}, {0x65, "App"}, {0x68, "F13"}, {0x69, "F14"},
    {0x6A, "F15"}, {0x6B, "F16"}, {0x6C, "F17"}, {0x6D, "F18"}, {0x6E, "F19"}, {0x6F, "F20"},
    {0x70, "F21"}, {0x71, "F22"}, {0x72, "F23"}, {0x73, "F24"}, {0x74, "EXECUTE"},
    {0x75, "HELP"}, {0x76, "MENU"}, {0x77, "SELECT"}, {0x9C, "CLEAR"}, {0x9F, "SEPARATOR"},
    {0xE0, "L-Ctrl"}, {0xE1, "L-Shift"}, {0xE2, "L-Alt"}, {0xE3, "L-Win"}, {0xE4, "R-Ctrl"},
    {0xE5, "R-Shift"}, {0xE6, "R-Alt"}, {0xE7, "RWIN"},
};

constexpr NameRow kFrNames[] = {
    {0x04, "Q"}, {0x10, "?"}, {0x14, "A"}, {0x1A, "Z"}, {0x1D, "W"}, {0x1E, "1&"}, {0x1F, "2é"},
    {0x20, "3"}, {0x21, "4'"}, {0x22, "5("}, {0x23, "6-"}, {0x24, "7è"}, {0x25, "8_"},
    {0x26, "9ç"}, {0x27, "0à"}, {0x28, "Pavé Num. Entrée"}, {0x29, "Echap"}, {0x2A, "Retour"},
    {0x2B, "Tab"}, {0x2C, "Espace"}, {0x2D, ")°"}, {0x2F, "¨^"}, {0x30, "£$"}, {0x31, "\\|"},
    {0x32, "µ"}, {0x33, "M"}, {0x34, "%"}, {0x35, "²"}, {0x36, ".;"}, {0x37, "/:"},
    {0x38, "!§"}, {0x39, "MAJ"}, {0x46, "Print Scrn"}, {0x47, "Arrêt défil"},
    {0x48, "PauseAttn"}, {0x49, "Insérer"}, {0x4B, "Page Haut"}, {0x4C, "Suppr"}, {0x4D, "Fin"},
    {0x4E, "Page Bas"}, {0x53, "Verr num"}, {0x54, "Pavé Num. /"}, {0x55, "Pavé Num. *"},
    {0x56, "Pavé Num. -"}, {0x57, "Pavé Num. +"}, {0x59, "Pavé Num. 1"}, {0x5A, "Pavé Num. 2"},
    {0x5B, "Pavé Num. 3"}, {0x5C, "Pavé Num. 4"}, {0x5D, "Pavé Num. 5"}, {0x5E, "Pavé Num. 6"},
    {0x5F, "Pavé Num. 7"}, {0x60, "Pavé Num. 8"}, {0x61, "Pavé Num. 9"}, {0x62, "Pavé Num. 0"},
    {0x63, "Pavé Num ."}, {0x65, "APPS"}, {0xE0, "G-CTRL"}, {0xE2, "Alt"}, {0xE3, "Win"},
    {0xE4, "D-CTRL"}, {0xE6, "Alt Gr"},
};

constexpr NameRow kBiliNames[] = {
    {0x04, "Q"}, {0x10, "?"}, {0x14, "A"}, {0x1A, "Z"}, {0x1D, "W"}, {0x1E, "1&"}, {0x1F, "2é"},
    {0x20, "3"}, {0x21, "4'"}, {0x22, "5("}, {0x23, "6§"}, {0x24, "7è"}, {0x25, "8!"},
    {0x26, "9ç"}, {0x27, "0à"}, {0x28, "Keypad Enter"}, {0x29, "Esc"}, {0x2A, "Terug"},
    {0x2B, "Tab"}, {0x2D, "°)"}, {0x2E, "_-"}, {0x2F, "^¨"}, {0x30, "$*"}, {0x31, "µ£"},
    {0x33, "M"}, {0x34, "ù%"}, {0x35, "² ³"}, {0x36, ".;"}, {0x37, ":/"}, {0x38, "=+"},
    {0x47, "Scrollen"}, {0x48, "Pauze"}, {0x49, "Invoegen"}, {0x4B, "Pagina boven"},
    {0x4D, "Eind"}, {0x4E, "Pagina onder"}, {0x54, "Keypad /"}, {0x55, "Keypad *"},
    {0x56, "Keypad -"}, {0x57, "Keypad +"}, {0x59, "Keypad 1"}, {0x5A, "Keypad 2"},
    {0x5B, "Keypad 3"}, {0x5C, "Keypad 4"}, {0x5D, "Keypad 5"}, {0x5E, "Keypad 6"},
    {0x5F, "Keypad 7"}, {0x60, "Keypad 8"}, {0x61, "Keypad 9"}, {0x62, "Keypad 0"},
    {0x63, "Keypad ."}, {0x65, "APP"}, {0xE0, "G-CTRL"}, {0xE2, "ALT"}, {0xE3, "WIN"},
    {0xE4, "D-CTRL"}, {0xE6, "AltGr"}, {0xE7, "Fn"},
};

constexpr NameRow kDeNames[] = {
    {0x1C, "Z"}, {0x1D, "Y"}, {0x1F, "2"}, {0x20, "3§"}, {0x23, "6&"}, {0x24, "7/"},
    {0x25, "8("}, {0x26, "9)"}, {0x27, "0="}, {0x28, "Ziff.-Block Enter"}, {0x29, "Esc"},
    {0x2A, "Backspace"}, {0x2C, "Leerzeichen"}, {0x2D, "?ß"}, {0x2E, "`´"}, {0x2F, "Ü"},
    {0x30, "+*"}, {0x31, "#"}, {0x33, "Ö"}, {0x34, "Ä"}, {0x35, "°^"}, {0x36, ";"},
    {0x37, ".:"}, {0x38, "-"}, {0x39, "Umschalttaste"}, {0x46, "Druck"}, {0x47, "Scrollen"},
    {0x49, "Einfügen"}, {0x4A, "Pos1"}, {0x4B, "Seite Oben"}, {0x4C, "Entf"}, {0x4D, "Ende"},
    {0x4E, "Seite Unten"}, {0x53, "Zahlensperre"}, {0x54, "Ziff.-Block /"},
    {0x55, "Ziff.-Block *"}, {0x56, "Ziff.-Block -"}, {0x57, "Ziff.-Block +"},
    {0x59, "Ziff.-Block 1"}, {0x5A, "Ziff.-Block 2"}, {0x5B, "Ziff.-Block 3"},
    {0x5C, "Ziff.-Block 4"}, {0x5D, "Ziff.-Block 5"}, {0x5E, "Ziff.-Block 6"},
    {0x5F, "Ziff.-Block 7"}, {0x60, "Ziff.-Block 8"}, {0x61, "Ziff.-Block 9"},
    {0x62, "Ziff.-Block 0"}, {0x63, "Ziff.-Block ."}, {0x65, "APP"}, {0xE0, "G-STRG"},
    {0xE2, "ALT"}, {0xE3, "WIN"}, {0xE4, "D-CTRL"}, {0xE6, "AltGr"}, {0xE7, "NULL"},
};

constexpr NameRow kSpNames[] = {
    {0x1F, "2"}, {0x20, "3·"}, {0x23, "6&"}, {0x24, "7/"}, {0x25, "8("}, {0x26, "9)"},
    {0x27, "0="}, {0x28, "Teclado num. Entrada"}, {0x29, "Esc"}, {0x2A, "Volver"},
    {0x2C, "Espacio"}, {0x2D, "'?"}, {0x2E, "¡¿"}, {0x2F, "^"}, {0x30, "+*"}, {0x31, "Ç}"},
    {0x33, "Ñ"}, {0x34, "´{"}, {0x35, "º"}, {0x36, ";"}, {0x37, ".:"}, {0x38, "-_"},
    {0x39, "MAY"}, {0x46, "Imp pant"}, {0x47, "Desplazamiento"}, {0x48, "Pausa"},
    {0x49, "Insertar"}, {0x4A, "Inicio"}, {0x4B, "RePág"}, {0x4C, "Supr"}, {0x4D, "Fin"},
    {0x4E, "AvPág"}, {0x53, "Bloqueo num."}, {0x54, "Teclado num. /"}, {0x55, "Teclado num. *"},
    {0x56, "Teclado num. -"}, {0x57, "Teclado num. +"}, {0x59, "Teclado num. 1"},
    {0x5A, "Teclado num. 2"}, {0x5B, "Teclado num. 3"}, {0x5C, "Teclado num. 4"},
    {0x5D, "Teclado num. 5"}, {0x5E, "Teclado num. 6"}, {0x5F, "Teclado num. 7"},
    {0x60, "Teclado num. 8"}, {0x61, "Teclado num. 9"}, {0x62, "Teclado num. 0"},
    {0x63, "Teclado num ."}, {0x65, "APP"}, {0xE0, "G-CTRL"}, {0xE1, "L-Mayúscula"},
    {0xE2, "ALT"}, {0xE3, "WIN"}, {0xE4, "D-CTRL"}, {0xE5, "R-Mayúscula"}, {0xE6, "AltGr"},
    {0xE7, "Fn"},
};

constexpr NameRow kItNames[] = {
    {0x1F, "2"}, {0x20, "3£"}, {0x23, "6&"}, {0x24, "7/"}, {0x25, "8("}, {0x26, "9)"},
    {0x27, "0="}, {0x28, "Tast. Num. Invio"}, {0x29, "Esci"}, {0x2A, "Indietro"},
    {0x2C, "Spazio"}, {0x2D, "'?"}, {0x2E, "ì^"}, {0x2F, "èé"}, {0x30, "+*"}, {0x31, "ù§"},
    {0x33, "òç"}, {0x34, "à°"}, {0x35, "\\"}, {0x36, ";"}, {0x37, ".:"}, {0x38, "-_"},
    {0x39, "BLOC MAIUSC"}, {0x46, "Stamp"}, {0x47, "Scorri"}, {0x48, "Pausa"},
    {0x49, "Inserisci"}, {0x4B, "Pagina Su"}, {0x4C, "Canc"}, {0x4D, "Fine"},
    {0x4E, "Pagina Giù"}, {0x53, "Bloc Num"}, {0x54, "Tast. Num. /"}, {0x55, "Tast. Num. *"},
    {0x56, "Tast. Num. -"}, {0x57, "Tast. Num. +"}, {0x59, "Tast. Num 1"},
    {0x5A, "Tast. Num 2"}, {0x5B, "Tast. Num 3"}, {0x5C, "Tast. Num 4"}, {0x5D, "Tast. Num 5"},
    {0x5E, "Tast. Num 6"}, {0x5F, "Tast. Num 7"}, {0x60, "Tast.Num 8"}, {0x61, "Tast. Num 9"},
    {0x62, "Tast. Num 0"}, {0x63, "Tast. Num."}, {0x65, "APP"}, {0xE0, "G-CTRL"},
    {0xE1, "L-MAIUSC"}, {0xE2, "ALT"}, {0xE3, "WIN"}, {0xE4, "D-CTRL"}, {0xE5, "R-MAIUSC"},
    {0xE6, "AltGr"}, {0xE7, "Fn"},
};

constexpr NameRow kRuNames[] = {
    {0x04, "Ф"}, {0x05, "И"}, {0x06, "С"}, {0x07, "В"}, {0x08, "У"}, {0x09, "А"}, {0x0A, "П"},
    {0x0B, "Р"}, {0x0C, "Ш"}, {0x0D, "О"}, {0x0E, "Л"}, {0x0F, "Д"}, {0x10, "Ь"}, {0x11, "Т"},
    {0x12, "Щ"}, {0x13, "З"}, {0x14, "Й"}, {0x15, "К"}, {0x16, "Ы"}, {0x17, "Е"}, {0x18, "Г"},
    {0x19, "М"}, {0x1A, "Ц"}, {0x1B, "Ч"}, {0x1C, "Н"}, {0x1D, "Я"}, {0x1F, "2"}, {0x20, "3№"},
    {0x21, "4;"}, {0x23, "6:^"}, {0x24, "7?"}, {0x28, "Клавиатура Enter"}, {0x2F, "Х"},
    {0x30, "Ъ"}, {0x31, "\\|"}, {0x33, "Ж"}, {0x34, "Э"}, {0x35, "Ёё"}, {0x36, "Б"},
    {0x37, "Ю"}, {0x54, "Клавиатура /"}, {0x55, "Клавиатура *"}, {0x56, "Клавиатура -"},
    {0x57, "Клавиатура +"}, {0x59, "Клавиатура 1"}, {0x5A, "Клавиатура 2"},
    {0x5B, "Клавиатура 3"}, {0x5C, "Клавиатура 4"}, {0x5D, "Клавиатура 5"},
    {0x5E, "Клавиатура 6"}, {0x5F, "Клавиатура 7"}, {0x60, "Клавиатура 8"},
    {0x61, "Клавиатура 9"}, {0x62, "Клавиатура 0"}, {0x63, "Клавиатура ."},
};

constexpr NameRow kTuNames[] = {
    {0x1F, "2'"}, {0x20, "3^"}, {0x21, "4+"}, {0x23, "6&"}, {0x24, "7/"}, {0x25, "8("},
    {0x26, "9)"}, {0x27, "0"}, {0x2D, "*?"}, {0x2E, "+"}, {0x2F, "Ğğ"}, {0x30, "Üü"},
    {0x31, ";"}, {0x32, "-"}, {0x33, "ş"}, {0x35, "é"}, {0x36, "öÖ"}, {0x37, "ç"}, {0x38, ".:"},
};

constexpr NameRow kPoNames[] = {
    {0x1F, "2"}, {0x23, "6&"}, {0x24, "7/"}, {0x25, "8("}, {0x26, "9)"},
    {0x28, "Teclado Enter"}, {0x29, "Esc"}, {0x2A, "Bacspace"}, {0x2B, "Tab"}, {0x2C, "Espaço"},
    {0x2D, "'?"}, {0x2E, "« »"}, {0x2F, "+*"}, {0x30, "´`"}, {0x31, "~^"}, {0x33, "Çç"},
    {0x34, "º ª"}, {0x35, "|"}, {0x36, ";"}, {0x37, ".:"}, {0x38, "-_"}, {0x39, "Caps"},
    {0x47, "Rolagem"}, {0x48, "Pausa"}, {0x49, "Inserir"}, {0x4A, "Casa"},
    {0x4B, "ubir página"}, {0x4C, "Excluir"}, {0x4D, "Fim"}, {0x4E, "Página Baixo"},
    {0x53, "Num Lock"}, {0x54, "Teclado /"}, {0x55, "Teclado *"}, {0x56, "Teclado -"},
    {0x57, "Teclado +"}, {0x59, "Teclado 1"}, {0x5A, "Teclado 2"}, {0x5B, "Teclado 3"},
    {0x5C, "Teclado 4"}, {0x5D, "Teclado 5"}, {0x5E, "Teclado 6"}, {0x5F, "Teclado 7"},
    {0x60, "Teclado 8"}, {0x61, "Teclado 9"}, {0x62, "Teclado 0"}, {0x63, "Teclado ."},
    {0xE4, "Alt Gr"},
};

constexpr NameRow kThNames[] = {
    {0x04, "ฟฤ"}, {0x05, "ิฺ"}, {0x06, "แฉ"}, {0x07, "กฏ"}, {0x08, "ำฎ"}, {0x09, "ดโ"},
    {0x0A, "เฌ"}, {0x0B, "้็"}, {0x0C, "รณ"}, {0x0D, "่๋"}, {0x0E, "าษ"}, {0x0F, "สศ"},
    {0x10, "ท?"}, {0x11, "ื์"}, {0x12, "นฯ"}, {0x13, "ยญ"}, {0x14, "ๆ๐"}, {0x15, "พฑ"},
    {0x16, "หฆ"}, {0x17, "ะธ"}, {0x18, "ี๊"}, {0x19, "อฮ"}, {0x1A, "ไ"}, {0x1B, "ป)"},
    {0x1C, "ัํ"}, {0x1D, "ผ("}, {0x1E, "ๅ+"}, {0x1F, "/๑"}, {0x20, "-๒"}, {0x21, "ภ๓"},
    {0x22, "ถ๔"}, {0x23, "ุู"}, {0x24, "ึ฿"}, {0x25, "ค๕"}, {0x26, "ต๖"}, {0x27, "จ๗"},
    {0x28, "คีย์แพด ป้อน"}, {0x29, "หนี"}, {0x2D, "ข๘"}, {0x2E, "ช๙"}, {0x2F, "บฐ"},
    {0x30, "ล,"}, {0x35, "_%"}, {0x46, "PrintSk"}, {0x48, "หยุด"}, {0x49, "แทรก"},
    {0x4B, "เลื่อนหน้าขึ้น"}, {0x4C, "ลบ"}, {0x4D, "สิ้นสุด"}, {0x4E, "เลื่อนหน้าลง"},
    {0x53, "ล็อคหมายเลข"}, {0x54, "คีย์แพด /"}, {0x55, "คีย์แพด *"}, {0x56, "คีย์แพด -"},
    {0x57, "คีย์แพด +"}, {0x59, "คีย์แพด 1"}, {0x5A, "คีย์แพด 2"}, {0x5B, "คีย์แพด 3"},
    {0x5C, "คีย์แพด 4"}, {0x5D, "คีย์แพด 5"}, {0x5E, "คีย์แพด 6"}, {0x5F, "คีย์แพด 7"},
    {0x60, "คีย์แพด 8"}, {0x61, "คีย์แพด 9"}, {0x62, "คีย์แพด 0"}, {0x63, "คีย์แพด ."},
};

constexpr NameRow kKrNames[] = {
    {0x2A, "역행 키이"}, {0x47, "스크롤"}, {0x48, "중지"},
};

constexpr NameRow kJpNames[] = {
    {0x28, "キーパッド Enter"}, {0x29, "Esc"}, {0x2B, "Tab"}, {0x39, "Caps"}, {0x54, "キーパッド /"},
    {0x55, "キーパッド *"}, {0x56, "キーパッド -"}, {0x57, "キーパッド +"}, {0x59, "キーパッド 1"},
    {0x5A, "キーパッド 2"}, {0x5B, "キーパッド 3"}, {0x5C, "キーパッド 4"}, {0x5D, "キーパッド 5"},
    {0x5E, "キーパッド 6"}, {0x5F, "キーパッド 7"}, {0x60, "キーパッド 8"}, {0x61, "キーパッド 9"},
    {0x62, "キーパッド 0"}, {0x63, "キーパッド ."},
};

constexpr NameRow kArNames[] = {
    {0x04, "ش"}, {0x05, "لالآ"}, {0x06, "ؤِ"}, {0x07, "ي]"}, {0x08, "ثُُ"}, {0x09, "ب["},
    {0x0A, "لل"}, {0x0B, "ا"}, {0x0C, "ه"}, {0x0D, "ت "}, {0x0E, "ن،"}, {0x0F, "م"},
    {0x10, "ة"}, {0x11, "ى "}, {0x12, "خ"}, {0x13, "ح"}, {0x14, "ض"}, {0x15, "ق"}, {0x16, "س"},
    {0x17, "ف"}, {0x18, "ع"}, {0x19, "ر"}, {0x1A, "ص"}, {0x1B, "ء"}, {0x1C, "غ "}, {0x1D, "ئ "},
    {0x1E, "1&"}, {0x1F, "2é"}, {0x20, "3"}, {0x21, "4'"}, {0x22, "5("}, {0x23, "6-"},
    {0x24, "7è"}, {0x25, "8_"}, {0x26, "9ç"}, {0x28, "لوحة المفاتيح Enter"},
    {0x2A, "Backspace"}, {0x2B, "Tab"}, {0x2F, "ج"}, {0x30, "د"}, {0x33, "ك"}, {0x34, "ط"},
    {0x35, "><"}, {0x36, "و"}, {0x37, "ز"}, {0x38, "ظ"}, {0x39, "Caps"},
    {0x54, "لوحة المفاتيح /"}, {0x55, "لوحة المفاتيح *"}, {0x56, "لوحة المفاتيح -"},
    {0x57, "لوحة المفاتيح +"}, {0x59, "لوحة المفاتيح 1"}, {0x5A, "لوحة المفاتيح 2"},
    {0x5B, "لوحة المفاتيح 3"}, {0x5C, "لوحة المفاتيح 4"}, {0x5D, "لوحة المفاتيح 5"},
    {0x5E, "لوحة المفاتيح 6"}, {0x5F, "لوحة المفاتيح 7"}, {0x60, "لوحة المفاتيح 8"},
    {0x61, "لوحة المفاتيح 9"}, {0x62, "لوحة المفاتيح 0"}, {0x63, "لوحة المفاتيح ."},
    {0xE2, "Alt"}, {0xE6, "Alt Gr"},
};

constexpr NameRow kPlNames[] = {
    {0x29, "Esc"}, {0x2B, "Tab"}, {0x39, "Caps"},
};

constexpr NameRow kCzNames[] = {
    {0x1C, "Z"}, {0x1D, "Y"}, {0x1E, "1+"}, {0x1F, "2Ě"}, {0x20, "3Š"}, {0x21, "4Č"},
    {0x22, "5Ř"}, {0x23, "6Ž"}, {0x24, "7Ý"}, {0x25, "8Á"}, {0x26, "9Í"}, {0x27, "0É"},
    {0x2D, "=%"}, {0x2E, "´ˇ"}, {0x2F, "Ú/"}, {0x30, ")("}, {0x31, "¨ '"}, {0x33, "Ů "},
    {0x34, "§!"}, {0x35, ";°"}, {0x36, ",?"}, {0x37, ".:"}, {0x38, "-_"},
};

constexpr NameRow kSeNames[] = {
    {0x27, "0="}, {0x29, "Esc"}, {0x2B, "Tab"}, {0x2D, "+?"}, {0x2E, "´`"}, {0x2F, "Åå"},
    {0x30, "¨^"}, {0x31, "'*"}, {0x33, "öÖ"}, {0x34, "äÄ"}, {0x35, "§½"}, {0x36, ",;"},
    {0x37, ".:"}, {0x38, "-_"},
};

constexpr NameRow kNlNames[] = {
    {0x29, "Esc"}, {0x2B, "Tab"},
};

constexpr NameRow kDaNames[] = {
    {0x1F, "2"}, {0x21, "4¤"}, {0x23, "6&"}, {0x24, "7/"}, {0x25, "8("}, {0x26, "9)"},
    {0x27, "0="}, {0x28, "Tastatur Enter"}, {0x29, "Esc"}, {0x2B, "Tab"}, {0x2D, "+?"},
    {0x2E, "´`"}, {0x2F, "åÅ"}, {0x30, "¨^"}, {0x31, "'*"}, {0x33, "æÆ"}, {0x34, "øØ"},
    {0x35, "½§"}, {0x38, "-_"}, {0x39, "Caps"}, {0x54, "Tastatur /"}, {0x55, "Tastatur *"},
    {0x56, "Tastatur -"}, {0x57, "Tastatur +"}, {0x59, "Tastatur 1"}, {0x5A, "Tastatur 2"},
    {0x5B, "Tastatur 3"}, {0x5C, "Tastatur 4"}, {0x5D, "Tastatur 5"}, {0x5E, "Tastatur 6"},
    {0x5F, "Tastatur 7"}, {0x60, "Tastatur 8"}, {0x61, "Tastatur 9"},
};

constexpr NameRow kSlNames[] = {
    {0x1E, "1+"}, {0x1F, "2ľ"}, {0x20, "3š"}, {0x21, "4č"}, {0x22, "5ť"}, {0x23, "6ž"},
    {0x24, "7ý"}, {0x25, "8á"}, {0x26, "9í "}, {0x27, "0é"}, {0x29, "Esc"}, {0x2D, "%="},
    {0x2E, "ˇ´"}, {0x2F, "ú/"}, {0x30, "ä("}, {0x33, "ô"}, {0x34, "§!"}, {0x35, ";°"},
    {0x36, ",?"}, {0x37, ".:"}, {0x38, "-_"}, {0x39, "Caps"},
};

constexpr NameRow kFaNames[] = {
    {0x04, "ش"}, {0x05, "ذ"}, {0x06, "ز"}, {0x07, "ی"}, {0x08, "ث"}, {0x09, "ب"}, {0x0A, "ل"},
    {0x0B, "ا"}, {0x0C, "ه"}, {0x0D, "ت"}, {0x0E, "ن"}, {0x0F, "م"}, {0x10, "ئ"}, {0x11, "د"},
    {0x12, "خ"}, {0x13, "ح"}, {0x14, "ض"}, {0x15, "ق"}, {0x16, "س"}, {0x17, "ف"}, {0x18, "ع"},
    {0x19, "ر"}, {0x1A, "ص"}, {0x1B, "ط"}, {0x1C, "غ"}, {0x1D, "ظ"}, {0x26, "9)"},
    {0x28, "وارد کلید "}, {0x2D, "-_"}, {0x2F, "ج}"}, {0x30, "چ{"}, {0x31, "پ|"}, {0x33, "ک:"},
    {0x34, "گ"}, {0x35, "÷×"}, {0x36, "و<"}, {0x37, ".>"}, {0x54, "تغییر کلید /"},
    {0x55, "تغییر کلید *"}, {0x56, "تغییر کلید -"}, {0x57, "تغییر کلید +"},
    {0x59, "تغییر کلید 1"}, {0x5A, "تغییر کلید 2"}, {0x5B, "تغییر کلید 3"},
    {0x5C, "تغییر کلید 4"}, {0x5D, "تغییر کلید 5"}, {0x5E, "تغییر کلید 6"},
    {0x5F, "تغییر کلید 7"}, {0x60, "تغییر کلید 8"}, {0x61, "تغییر کلید 9"},
    {0x62, "تغییر کلید 0"}, {0x63, "تغییر کلید ."},
};

constexpr NameRow kUaNames[] = {
    {0x04, "Ф"}, {0x05, "И"}, {0x06, "С"}, {0x07, "В"}, {0x08, "У"}, {0x09, "А"}, {0x0A, "П"},
    {0x0B, "Р"}, {0x0C, "Ш"}, {0x0D, "О"}, {0x0E, "Л"}, {0x0F, "Д"}, {0x10, "Ь"}, {0x11, "Т"},
    {0x12, "Щ"}, {0x13, "З"}, {0x14, "Й"}, {0x15, "К"}, {0x16, "І"}, {0x17, "Е"}, {0x18, "Г"},
    {0x19, "М"}, {0x1A, "Ц"}, {0x1B, "Ч"}, {0x1C, "Н"}, {0x1D, "Я"}, {0x1F, "2"}, {0x20, "3№"},
    {0x21, "4;"}, {0x23, "6:"}, {0x24, "7?"}, {0x28, "Клавіатура Enter"}, {0x2F, "хХ"},
    {0x30, "їЇ"}, {0x31, "\\ /"}, {0x33, "жЖ"}, {0x34, "єЄ"}, {0x35, "₴"}, {0x36, "бБ"},
    {0x37, "юЮ"}, {0x38, ".,"}, {0x54, "Клавіатура /"}, {0x55, "Клавіатура *"},
    {0x56, "Клавіатура -"}, {0x57, "Клавіатура +"}, {0x59, "Клавіатура 1"},
    {0x5A, "Клавіатура 2"}, {0x5B, "Клавіатура 3"}, {0x5C, "Клавіатура 4"},
    {0x5D, "Клавіатура 5"}, {0x5E, "Клавіатура 6"}, {0x5F, "Клавіатура 7"},
    {0x60, "Клавіатура 8"}, {0x61, "Клавіатура 9"}, {0x62, "Клавіатура 0"},
    {0x63, "Клавіатура ."},
};

constexpr NameRow kHunNames[] = {
    {0x1E, "1'"}, {0x1F, "2"}, {0x20, "3+"}, {0x21, "4!'"}, {0x23, "6/"}, {0x24, "7="},
    {0x25, "8("}, {0x26, "9)"}, {0x27, "ö"}, {0x2D, "ü"}, {0x2E, "ó"}, {0x2F, "¨ő"},
    {0x30, "ú"}, {0x31, "ű"}, {0x33, "é"}, {0x34, "á"}, {0x35, "0"}, {0x36, ",?"}, {0x37, ".:"},
    {0x38, "-_"}, {0x64, "í"}, {0xF0, "NULL"},
};

using NameTable = std::array<std::string_view, 256>;

// The EN table: letters name themselves, digits carry their shifted symbol, 0xF0 is the
// "no key" entry, every code without a name is "NULL".
consteval NameTable BuildEnNames() {
  NameTable t;
  t.fill("NULL");
  for (int code = 0x04; code <= 0x1D; ++code) {
    // One character per letter, 'A' for 0x04: views into a constant alphabet.
    constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    t[code] = kLetters.substr(code - 0x04, 1);
  }
  constexpr std::string_view kDigits[] = {"1!", "2@", "3#", "4$", "5%",
                                          "6^", "7&", "8*", "9(", "0)"};
  for (int i = 0; i < 10; ++i) t[0x1E + i] = kDigits[i];
  t[0xF0] = "NILL";
  for (const NameRow& r : kEnNamedCodes) t[r.code] = r.name;
  return t;
}

consteval NameTable BuildNames(std::span<const NameRow> own) {
  NameTable t = BuildEnNames();
  for (const NameRow& r : own) t[r.code] = r.name;
  return t;
}

constexpr NameTable kEnTable = BuildEnNames();
constexpr NameTable kFrTable = BuildNames(kFrNames);
constexpr NameTable kBiliTable = BuildNames(kBiliNames);
constexpr NameTable kDeTable = BuildNames(kDeNames);
constexpr NameTable kSpTable = BuildNames(kSpNames);
constexpr NameTable kItTable = BuildNames(kItNames);
constexpr NameTable kRuTable = BuildNames(kRuNames);
constexpr NameTable kTuTable = BuildNames(kTuNames);
constexpr NameTable kPoTable = BuildNames(kPoNames);
constexpr NameTable kThTable = BuildNames(kThNames);
constexpr NameTable kKrTable = BuildNames(kKrNames);
constexpr NameTable kJpTable = BuildNames(kJpNames);
constexpr NameTable kArTable = BuildNames(kArNames);
constexpr NameTable kPlTable = BuildNames(kPlNames);
constexpr NameTable kCzTable = BuildNames(kCzNames);
constexpr NameTable kSeTable = BuildNames(kSeNames);
constexpr NameTable kNlTable = BuildNames(kNlNames);
constexpr NameTable kDaTable = BuildNames(kDaNames);
constexpr NameTable kSlTable = BuildNames(kSlNames);
constexpr NameTable kFaTable = BuildNames(kFaNames);
constexpr NameTable kUaTable = BuildNames(kUaNames);
constexpr NameTable kHunTable = BuildNames(kHunNames);

// By language index; nullptr where the index names no language (25). The selection
// differs from the key tables: POBR, CNTW and NLBE show the EN names.
constexpr std::array<const NameTable*, 27> kNameTableOfLanguage = {
    &kEnTable,    // 0 CN
    &kEnTable,    // 1 EN
    &kFrTable,    // 2 FR
    &kBiliTable,  // 3 BILI
    &kDeTable,    // 4 DE
    &kSpTable,    // 5 SP
    &kItTable,    // 6 IT
    &kRuTable,    // 7 RU
    &kTuTable,    // 8 TU
    &kPoTable,    // 9 PO
    &kThTable,    // 10 TH
    &kKrTable,    // 11 KR
    &kJpTable,    // 12 JP
    &kArTable,    // 13 AR
    &kPlTable,    // 14 PL
    &kCzTable,    // 15 CZ
    &kSeTable,    // 16 SE
    &kNlTable,    // 17 NL
    &kEnTable,    // 18 POBR
    &kEnTable,    // 19 CNTW
    &kEnTable,    // 20 NLBE
    &kDaTable,    // 21 DA
    &kSlTable,    // 22 SL
    &kFaTable,    // 23 FA
    &kUaTable,    // 24 UA
    nullptr,      // 25
    &kHunTable,   // 26 HUN
};

// Texts of g_textDevMac that name the left, middle and right mouse button.
constexpr int kMouseButtonTextFirst = 20;

}  // namespace

std::string DeviceKeyName(DeviceKeyCode key) {
  int language = g_language.load(std::memory_order_relaxed);
  if (language < 0 || language >= static_cast<int>(kNameTableOfLanguage.size()) ||
      kNameTableOfLanguage[language] == nullptr)
    return "未知";
  if (key >= kDeviceMouseLeft && key <= kDeviceMouseRight)
    return g_textDevMac[kMouseButtonTextFirst + (key - kDeviceMouseLeft)];
  return std::string((*kNameTableOfLanguage[language])[key]);
}
