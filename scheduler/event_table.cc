#include "scheduler/event_table.h"

#include <cctype>

namespace tickrun {
namespace {

const std::string kBlank = " ";

bool IsVisible(const std::string &piece) {
  return piece.size() == 1 && piece != " " && piece != "\r" && piece != "\n";
}

// The byte at |position| as a one-character piece, a tab read as a blank. A
// failing read leaves |piece| as it was.
void ReadPiece(form::Shell &shell, int file, int64_t position, ErrorPolicy &policy,
               std::string &piece) {
  policy.Run([&] {
    char byte = static_cast<char>(shell.ReadByte(file, position));
    piece = byte == '\t' ? kBlank : std::string(1, byte);
  });
}

void StopTooLong(form::Form &form) {
  form.GetShell().ClearAndPrint(form, kTooLongText);
  form.GetShell().End(1);
}

// The shared walk over the file: one character of look-ahead; |place| applies
// a reader's rules to the character being placed, then it is appended to the
// current field. |length| bytes are read; the last one is appended unless it
// ends a line or is a blank.
template <typename Place>
int WalkFile(form::Shell &shell, int file, int64_t length, ErrorPolicy &policy, EventTable &table,
             Place &&place) {
  int row = 0, col = 0;
  std::string ch = kBlank, ahead = kBlank, prior = kBlank;
  if (length >= 1) {
    ReadPiece(shell, file, 1, policy, ahead);
  }
  for (int64_t i = 2; i <= length; ++i) {
    prior = ch;
    ch = ahead;
    ReadPiece(shell, file, i, policy, ahead);
    place(ch, ahead, prior, row, col);
    table[row][static_cast<size_t>(col)] += ch;
  }
  if (ahead != "\r" && ahead != "\n" && ahead != kBlank) {
    table[row][static_cast<size_t>(col)] += ahead;
  }
  return row;
}

int OpenForReading(form::Shell &shell, const std::string &path, ErrorPolicy &policy) {
  int file = 0;
  policy.Run([&] { file = shell.OpenRead(path); });
  return file;
}

void CloseIfOpen(form::Shell &shell, int file, ErrorPolicy &policy) {
  if (file != 0) {
    policy.Run([&] { shell.Close(file); });
  }
}

}  // namespace

void EventTable::Clear() {
  for (Row &row : rows_) {
    for (std::string &field : row) {
      field.clear();
    }
  }
}

size_t FindIgnoringCase(const std::string &text, const std::string &what) {
  if (text.empty() || what.size() > text.size()) {
    return 0;
  }
  for (size_t at = 0; at + what.size() <= text.size(); ++at) {
    size_t k = 0;
    while (k < what.size() && std::tolower(static_cast<unsigned char>(text[at + k])) ==
                                  std::tolower(static_cast<unsigned char>(what[k]))) {
      ++k;
    }
    if (k == what.size()) {
      return at + 1;
    }
  }
  return 0;
}

int ReadStartupTable(form::Form &form, const std::string &path, ErrorPolicy &policy,
                     EventTable &table) {
  form::Shell &shell = form.GetShell();
  int file = OpenForReading(shell, path, policy);
  int64_t length = 0;
  if (file != 0) {
    policy.Run([&] { length = shell.OpenFileLength(file); });
  }
  int last_row = WalkFile(shell, file, length, policy, table,
                          [&](std::string &ch, const std::string &, const std::string &, int &row,
                              int &col) {
    if (col == 0 && table[row][0].empty() && ch == kBlank) {
      ch.clear();  // leading blanks
    }
    if (ch == "\n") {
      ch.clear();
    }
    if (ch == "\r") {
      ++row;
      col = 0;
      ch.clear();
    }
    if (row == kLineEndLimit) {
      StopTooLong(form);
    }
    if (col == 0 && ch == kBlank) {
      col = 1;  // only the first blank after the first word separates
      ch.clear();
    }
  });
  CloseIfOpen(shell, file, policy);
  return last_row;
}

int ReadTickTable(form::Form &form, const std::string &path, ErrorPolicy &policy, EventTable &table,
                  int16_t &byte_count) {
  form::Shell &shell = form.GetShell();
  int file = OpenForReading(shell, path, policy);
  // The length goes through a signed 16-bit count; the previous count stands in
  // when it overflows and the policy goes on. Without an open file nothing is
  // read, so a vanished table reads as empty rather than failing byte by byte.
  policy.Run([&] { byte_count = form::ToInteger16(shell.OpenFileLength(file)); });
  int64_t length = file != 0 ? byte_count : 0;
  int last_row = WalkFile(shell, file, length, policy, table,
                          [&](std::string &ch, const std::string &ahead, const std::string &prior,
                              int &row, int &col) {
    EventTable::Row &fields = table[row];
    std::string &field = fields[static_cast<size_t>(col)];
    if (col == 0 && fields[0].empty() && ch == kBlank) {
      ch.clear();  // leading blanks
    }
    if (col < 5 && ch == kBlank && ahead == kBlank) {
      ch.clear();  // a run of blanks keeps its last, which separates
    }
    if (col < 5 && ch == "!") {
      ch = "-";
    }
    if (col < 4 && IsVisible(ch) && (ahead == "," || ahead == kBlank) &&
        (prior == "," || prior == "-" || prior == kBlank || field.empty())) {
      ch = "0" + ch;  // one-character value padded to two
    }
    if (col == 4 && IsVisible(ch) && (ahead == "," || ahead == kBlank) && prior == "0" &&
        !field.empty() && fields[0].rfind("@", 0) != 0) {
      field.pop_back();  // weekday 05 becomes 5
    }
    if (ch == "\n") {
      ch.clear();
    }
    if (ch == "\r") {
      ++row;
      col = 0;
      ch.clear();
    }
    if (row == kLineEndLimit) {
      StopTooLong(form);
    }
    if (col < 5 && ch == kBlank) {
      ++col;
      ch.clear();
    }
  });
  CloseIfOpen(shell, file, policy);
  return last_row;
}

std::vector<int> CheckEventTable(const EventTable &table, int last_row) {
  std::vector<int> lines;
  for (int r = 0; r < last_row; ++r) {
    const EventTable::Row &fields = table[r];
    if (FindIgnoringCase(fields[0], "@launch") == 0 && fields[0].find('#') == std::string::npos &&
        !fields[0].empty() && fields[5].empty()) {
      lines.push_back(r + 1);
    }
  }
  return lines;
}

}  // namespace tickrun
