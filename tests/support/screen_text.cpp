#include "tests/support/screen_text.h"

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "runtime/values/values.h"

void screen_test_startup() {
  pending_error = 0;
  screen_startup();
  strings_startup();
  screen_load_builtin_data();
  screen_enter_start_mode();
}

std::vector<std::string> screen_lines(int32_t index) {
  std::vector<std::string> lines;
  if (!image_handle_valid(index)) return lines;
  const Image &image = image_table[index];
  int32_t saved_source = source_index;
  source_index = index;
  image_pointers_refresh();
  int32_t rows = image_rows(&image), columns = image_columns(&image);
  for (int32_t row = 1; row <= rows; row++) {
    std::string line;
    for (int32_t col = 1; col <= columns; col++) {
      int32_t c = rt_screen_read(row, col, 0, 0);
      line.push_back(c == 0 ? ' ' : static_cast<char>(c));
    }
    line.erase(line.find_last_not_of(' ') + 1);
    lines.push_back(line);
  }
  source_index = saved_source;
  image_pointers_refresh();
  return lines;
}

std::string screen_text(int32_t index, int32_t first, int32_t last) {
  std::vector<std::string> lines = screen_lines(index);
  if (last == 0 || last > static_cast<int32_t>(lines.size())) last = static_cast<int32_t>(lines.size());
  std::string out;
  for (int32_t row = first; row <= last; row++) {
    if (row > first) out += "\n";
    out += lines[row - 1];
  }
  return out;
}

std::string dest_text(int32_t first, int32_t last) { return screen_text(dest_index, first, last); }

void print_item(const std::string &text, int newline) {
  BasicString *s = bstr_from_text(text.data(), static_cast<int32_t>(text.size()));
  rt_print_fit(s);
  rt_print(s, newline);
  bstr_free_temporaries(0, 0);
}

void print_line(const std::string &text) {
  print_item(text, 0);
  rt_print(blank_string, 1);
}
