// event_table.h: the event table file and its two readers.
//
// The file is plain bytes, one entry per line. A carriage return ends a line; a
// line feed is ignored wherever it stands; a tab counts as a blank. The tick
// reader splits a line into six fields (minute, hour, day, month, weekday or
// year, command line) and pads one-character values of the first four to two
// characters so that the current "05" can be found by a plain text search; the
// startup reader splits a line into its first word and the rest.
#ifndef KIT_SCHEDULER_EVENT_TABLE_H
#define KIT_SCHEDULER_EVENT_TABLE_H

#include <stdint.h>

#include <array>
#include <string>
#include <vector>

#include "platform/form/form.h"
#include "scheduler/error_policy.h"

namespace tickrun {

inline constexpr int kEventFields = 6;
// Rows 0 to 1000; the 1000th line end stops the program, so row 1000 stays empty.
inline constexpr int kEventRows = 1001;
inline constexpr int kLineEndLimit = 1000;
inline constexpr const char kTooLongText[] = "CRONTAB file too long";

// EventTable: the fields of every line, row r holding line r+1; all start empty.
class EventTable {
 public:
  using Row = std::array<std::string, kEventFields>;

  EventTable() : rows_(kEventRows) {}
  Row &operator[](int row) { return rows_.at(static_cast<size_t>(row)); }
  const Row &operator[](int row) const { return rows_.at(static_cast<size_t>(row)); }
  // Clear: empties every field of every row.
  void Clear();

 private:
  std::vector<Row> rows_;
};

// ReadStartupTable: reads |path| into |table| (emptied by the caller): field 0
// the line's first word, field 1 the rest after the one blank that ends it.
// Returns LastRow, the number of line ends read. Each failing file operation
// goes to |policy|. A 1000th line end before the last byte writes
// "CRONTAB file too long" on |form| and ends the program.
int ReadStartupTable(form::Form &form, const std::string &path, ErrorPolicy &policy,
                     EventTable &table);

// ReadTickTable: reads |path| into |table| (emptied by the caller) as six
// normalised fields per line; returns LastRow. The file length is taken as a
// signed 16-bit count: on success it is stored in |byte_count|; when it fails
// (a file over 32767 bytes gives "Overflow") the error goes to |policy| and,
// if the policy goes on, the previous |byte_count| bytes are read. A file that
// cannot be opened is read as empty. The line limit is that of
// ReadStartupTable.
int ReadTickTable(form::Form &form, const std::string &path, ErrorPolicy &policy, EventTable &table,
                  int16_t &byte_count);

// CheckEventTable: the 1-based numbers, ascending, of the lines among rows 0 to
// |last_row| - 1 that name a schedule but no command: field 0 not empty and
// holding neither "@launch" (any case) nor "#", field 5 empty.
std::vector<int> CheckEventTable(const EventTable &table, int last_row);

// FindIgnoringCase: the 1-based position of the first |what| in |text|, found
// without regard to case; 0 when it does not occur (or |text| is empty).
size_t FindIgnoringCase(const std::string &text, const std::string &what);

}  // namespace tickrun

#endif  // KIT_SCHEDULER_EVENT_TABLE_H
