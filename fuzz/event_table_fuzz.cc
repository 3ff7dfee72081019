// The two event-table readers over any table file (the input, as the file of
// the scripted shell). Besides surviving it: the file opens and reads without
// an error; each reader returns the number of line ends before the last byte
// (at most 999) or ends the program with "CRONTAB file too long" when there
// are 1000; no field holds a line end; rows past the last line stay empty;
// and the startup reader fills only the first two fields.
#include <stddef.h>
#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/form/fake_shell.h"
#include "scheduler/event_table.h"

namespace {

const char kPath[] = "c:\\cron\\tab.txt";

enum class Reader { kTick, kStartup };

void check_reader(Reader reader, const std::string &file) {
  form::FakeShell shell;
  form::Form form{shell};
  shell.files[kPath] = file;
  std::vector<std::string> errors;
  tickrun::ErrorPolicy policy{
      [&errors](const form::PlatformError &error) { errors.push_back(error.what()); }};
  tickrun::EventTable table;
  int16_t byte_count = -1;
  // The last byte is only looked at, never placed, so a line end there counts
  // for nothing.
  const long line_ends = file.empty() ? 0 : std::count(file.begin(), file.end() - 1, '\r');
  int last_row = 0;
  try {
    last_row = reader == Reader::kTick
                   ? tickrun::ReadTickTable(form, kPath, policy, table, byte_count)
                   : tickrun::ReadStartupTable(form, kPath, policy, table);
  } catch (const form::ProgramEnd &) {
    FUZZ_CHECK(line_ends >= tickrun::kLineEndLimit);
    FUZZ_CHECK(!shell.printed.empty() && shell.printed.back() == tickrun::kTooLongText);
    return;
  }
  FUZZ_CHECK(errors.empty());
  FUZZ_CHECK(shell.printed.empty());
  FUZZ_CHECK(last_row == line_ends && last_row < tickrun::kLineEndLimit);
  if (reader == Reader::kTick) {
    FUZZ_CHECK(byte_count == static_cast<int16_t>(file.size()));
  }
  for (int row = 0; row < tickrun::kEventRows; row++) {
    for (int field = 0; field < tickrun::kEventFields; field++) {
      const std::string &text = table[row][field];
      FUZZ_CHECK(text.find_first_of("\r\n") == std::string::npos);
      FUZZ_CHECK(row <= last_row || text.empty());
      FUZZ_CHECK(reader == Reader::kTick || field < 2 || text.empty());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 32767) {
    return 0;
  }
  const std::string file(reinterpret_cast<const char *>(data), size);
  check_reader(Reader::kTick, file);
  check_reader(Reader::kStartup, file);
  return 0;
}
