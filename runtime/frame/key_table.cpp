// The keyboard table: for every key the runtime knows, its PC scan code and the keystroke
// (character, scan) the PC BIOS keyboard service returns for it plain, with Shift, with
// Ctrl and with Alt, on a US layout. The typed character already carries the case chosen
// by Shift and Caps Lock, so plain and Shift give the same character for printable keys.
//
// Only the records that have contents are listed; the full 528-record array is built from
// them at compile time. A BIOS value below 256 is a character (with the record's scan); 256
// or more is an extended keystroke (character 0, scan = value / 256); 0 = no keystroke.
#include "runtime/frame/frame.h"

namespace {

struct KeyRow {
  int32_t index;       // 0-255 character, 256 + code / 256 extended key, 512-527 keypad
  int32_t field[10];
};

constexpr int32_t X = 256;  // record of the extended key with code c: X + c / 256

// clang-format off
constexpr KeyRow KEY_ROWS[] = {
  // index        own key  scan   plain   Shift   Ctrl    Alt     -- keypad only --
  // ---- control keys ------------------------------------------------------------------
  {8,           {8,      0x0E,  8,      8,      127,    0x0E00}},  // Backspace
  {9,           {9,      0x0F,  9,      0x0F00, 0x9400, 0}},       // Tab
  {13,          {13,     0x1C,  13,     13,     10,     0}},       // Enter
  {27,          {27,     0x01,  27,     27,     27,     0}},       // Esc
  {32,          {32,     0x39,  32,     32,     32,     0}},       // Space
  // ---- digit row and its shifted symbols ----------------------------------------------
  {'1',         {'1',    0x02,  '1',    '1',    0,      0x7800}},
  {'!',         {'!',    0x02,  '!',    '!',    0,      0x7800}},
  {'2',         {'2',    0x03,  '2',    '2',    0x0300, 0x7900}},
  {'@',         {'@',    0x03,  '@',    '@',    0x0300, 0x7900}},
  {'3',         {'3',    0x04,  '3',    '3',    0,      0x7A00}},
  {'#',         {'#',    0x04,  '#',    '#',    0,      0x7A00}},
  {'4',         {'4',    0x05,  '4',    '4',    0,      0x7B00}},
  {'$',         {'$',    0x05,  '$',    '$',    0,      0x7B00}},
  {'5',         {'5',    0x06,  '5',    '5',    0,      0x7C00}},
  {'%',         {'%',    0x06,  '%',    '%',    0,      0x7C00}},
  {'6',         {'6',    0x07,  '6',    '6',    30,     0x7D00}},
  {'^',         {'^',    0x07,  '^',    '^',    30,     0x7D00}},
  {'7',         {'7',    0x08,  '7',    '7',    0,      0x7E00}},
  {'&',         {'&',    0x08,  '&',    '&',    0,      0x7E00}},
  {'8',         {'8',    0x09,  '8',    '8',    0,      0x7F00}},
  {'*',         {'*',    0x09,  '*',    '*',    0,      0x7F00}},
  {'9',         {'9',    0x0A,  '9',    '9',    0,      0x8000}},
  {'(',         {'(',    0x0A,  '(',    '(',    0,      0x8000}},
  {'0',         {'0',    0x0B,  '0',    '0',    0,      0x8100}},
  {')',         {')',    0x0B,  ')',    ')',    0,      0x8100}},
  {'-',         {'-',    0x0C,  '-',    '-',    31,     0x8200}},
  {'_',         {'_',    0x0C,  '_',    '_',    31,     0x8200}},
  {'=',         {'=',    0x0D,  '=',    '=',    0,      0x8300}},
  {'+',         {'+',    0x0D,  '+',    '+',    0,      0x8300}},
  // ---- other punctuation -------------------------------------------------------------
  {'[',         {'[',    0x1A,  '[',    '[',    27,     0x1A00}},
  {'{',         {'{',    0x1A,  '{',    '{',    27,     0x1A00}},
  {']',         {']',    0x1B,  ']',    ']',    29,     0x1B00}},
  {'}',         {'}',    0x1B,  '}',    '}',    29,     0x1B00}},
  {'\\',        {'\\',   0x2B,  '\\',   '\\',   28,     0x2B00}},
  {'|',         {'|',    0x2B,  '|',    '|',    28,     0x2B00}},
  {';',         {';',    0x27,  ';',    ';',    0,      0x2700}},
  {':',         {':',    0x27,  ':',    ':',    0,      0x2700}},
  {'\'',        {'\'',   0x28,  '\'',   '\'',   0,      0x2800}},
  {'"',         {'"',    0x28,  '"',    '"',    0,      0x2800}},
  {'`',         {'`',    0x29,  '`',    '`',    0,      0x2900}},
  {'~',         {'~',    0x29,  '~',    '~',    0,      0x2900}},
  {',',         {',',    0x33,  ',',    ',',    0,      0x3300}},
  {'<',         {'<',    0x33,  '<',    '<',    0,      0x3300}},
  {'.',         {'.',    0x34,  '.',    '.',    0,      0x3400}},
  {'>',         {'>',    0x34,  '>',    '>',    0,      0x3400}},
  {'/',         {'/',    0x35,  '/',    '/',    0,      0x3500}},
  {'?',         {'?',    0x35,  '?',    '?',    0,      0x3500}},
  // ---- letters: Ctrl gives the position in the alphabet, Alt (0, scan) ------------------
  // (both cases are generated from this list below)
  // ---- extended keys: record 256 + key code / 256 (F11 and F12 have the key codes 8500h
  //      and 8600h but the scan codes 57h and 58h) ---------------------------------------
  {X + 0x3B,    {0x3B00, 0x3B,  0x3B00, 0x5400, 0x5E00, 0x6800}},  // F1
  {X + 0x3C,    {0x3C00, 0x3C,  0x3C00, 0x5500, 0x5F00, 0x6900}},  // F2
  {X + 0x3D,    {0x3D00, 0x3D,  0x3D00, 0x5600, 0x6000, 0x6A00}},  // F3
  {X + 0x3E,    {0x3E00, 0x3E,  0x3E00, 0x5700, 0x6100, 0x6B00}},  // F4
  {X + 0x3F,    {0x3F00, 0x3F,  0x3F00, 0x5800, 0x6200, 0x6C00}},  // F5
  {X + 0x40,    {0x4000, 0x40,  0x4000, 0x5900, 0x6300, 0x6D00}},  // F6
  {X + 0x41,    {0x4100, 0x41,  0x4100, 0x5A00, 0x6400, 0x6E00}},  // F7
  {X + 0x42,    {0x4200, 0x42,  0x4200, 0x5B00, 0x6500, 0x6F00}},  // F8
  {X + 0x43,    {0x4300, 0x43,  0x4300, 0x5C00, 0x6600, 0x7000}},  // F9
  {X + 0x44,    {0x4400, 0x44,  0x4400, 0x5D00, 0x6700, 0x7100}},  // F10
  {X + 0x85,    {0x8500, 0x57,  0x8500, 0x8500, 0x8900, 0x8B00}},  // F11
  {X + 0x86,    {0x8600, 0x58,  0x8600, 0x8600, 0x8A00, 0x8C00}},  // F12
  {X + 0x47,    {0x4700, 0x47,  0x4700, 0x4700, 0x7700, 0x9700}},  // Home
  {X + 0x48,    {0x4800, 0x48,  0x4800, 0x4800, 0x8D00, 0x9800}},  // Up
  {X + 0x49,    {0x4900, 0x49,  0x4900, 0x4900, 0x8400, 0x9900}},  // Page Up
  {X + 0x4B,    {0x4B00, 0x4B,  0x4B00, 0x4B00, 0x7300, 0x9B00}},  // Left
  {X + 0x4D,    {0x4D00, 0x4D,  0x4D00, 0x4D00, 0x7400, 0x9D00}},  // Right
  {X + 0x4F,    {0x4F00, 0x4F,  0x4F00, 0x4F00, 0x7500, 0x9F00}},  // End
  {X + 0x50,    {0x5000, 0x50,  0x5000, 0x5000, 0x9100, 0xA000}},  // Down
  {X + 0x51,    {0x5100, 0x51,  0x5100, 0x5100, 0x7600, 0xA100}},  // Page Down
  {X + 0x52,    {0x5200, 0x52,  0x5200, 0x5200, 0x9200, 0xA200}},  // Insert
  {X + 0x53,    {0x5300, 0x53,  0x5300, 0x5300, 0x9300, 0xA300}},  // Delete
  // ---- numeric keypad: Num Lock off / on, each plain, Shift, Ctrl, Alt ------------------
  // index        own key  scan   plain   Shift   Ctrl    Alt     Num     Num+Sh  Num+Ctl Num+Alt
  {512,         {'0',    0x52,  0x5200, '0',    0x9200, 0,      '0',    0x5200, 0x9200, 0}},
  {513,         {'1',    0x4F,  0x4F00, '1',    0x7500, 0,      '1',    0x4F00, 0x7500, 0}},
  {514,         {'2',    0x50,  0x5000, '2',    0x9100, 0,      '2',    0x5000, 0x9100, 0}},
  {515,         {'3',    0x51,  0x5100, '3',    0x7600, 0,      '3',    0x5100, 0x7600, 0}},
  {516,         {'4',    0x4B,  0x4B00, '4',    0x7300, 0,      '4',    0x4B00, 0x7300, 0}},
  {517,         {'5',    0x4C,  0x4C00, '5',    0x8F00, 0,      '5',    0x4C00, 0x8F00, 0}},
  {518,         {'6',    0x4D,  0x4D00, '6',    0x7400, 0,      '6',    0x4D00, 0x7400, 0}},
  {519,         {'7',    0x47,  0x4700, '7',    0x7700, 0,      '7',    0x4700, 0x7700, 0}},
  {520,         {'8',    0x48,  0x4800, '8',    0x8D00, 0,      '8',    0x4800, 0x8D00, 0}},
  {521,         {'9',    0x49,  0x4900, '9',    0x8400, 0,      '9',    0x4900, 0x8400, 0}},
  {522,         {'.',    0x53,  0x5300, '.',    0x9300, 0,      '.',    0x5300, 0x9300, 0}},
  {523,         {'/',    0x35,  '/',    '/',    0x9500, 0xA400, '/',    '/',    0x9500, 0xA400}},
  {524,         {'*',    0x37,  '*',    '*',    0x9600, 0x3700, '*',    '*',    0x9600, 0x3700}},
  {525,         {'-',    0x4A,  '-',    '-',    0x8E00, 0x4A00, '-',    '-',    0x8E00, 0x4A00}},
  {526,         {'+',    0x4E,  '+',    '+',    0x9000, 0x4E00, '+',    '+',    0x9000, 0x4E00}},
  {527,         {13,     0x1C,  13,     13,     10,     0xA600, 13,     13,     10,     0xA600}},
};

// Scan codes of the letters A to Z.
constexpr int32_t LETTER_SCANS[26] = {
  0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,  // A-M
  0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C,  // N-Z
};
// clang-format on

constexpr KeyTable build_key_table() {
  KeyTable t{};
  for (const KeyRow &row : KEY_ROWS)
    for (int f = 0; f < 10; ++f) t.record[row.index][f] = row.field[f];
  for (int i = 0; i < 26; ++i) {
    const int32_t scan = LETTER_SCANS[i];
    for (int32_t c : {'a' + i, 'A' + i}) {
      int32_t *r = t.record[c];
      r[KF_KEY] = 'a' + i;
      r[KF_SCAN] = scan;
      r[KF_PLAIN] = c;
      r[KF_SHIFT] = c;
      r[KF_CTRL] = i + 1;
      r[KF_ALT] = scan * 256;
    }
  }
  return t;
}

constexpr KeyTable KEY_TABLE_DATA = build_key_table();

// A few fixed points of the table, checked when it is compiled.
static_assert(KEY_TABLE_DATA.record['a'][KF_CTRL] == 1);
static_assert(KEY_TABLE_DATA.record['Z'][KF_ALT] == 0x2C00);
static_assert(KEY_TABLE_DATA.record[X + 0x53][KF_ALT] == 0xA300);
static_assert(KEY_TABLE_DATA.record[X + 0x45][KF_PLAIN] == 0);  // Num Lock is not in it
static_assert(KEY_TABLE_DATA.record[X + 0x86][KF_SCAN] == 0x58);  // F12

}  // namespace

// Constant-initialised: the table is complete before any code runs.
const KeyTable key_table = build_key_table();
