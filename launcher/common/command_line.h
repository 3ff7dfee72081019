// The command-line text of a child and how the Microsoft C runtime reads it back,
// which the POSIX host uses to give a child the argv a Windows child would see.
#pragma once

#include <string>
#include <vector>

// join_command_line: the elements joined with single blanks; nothing quoted or escaped.
std::string join_command_line(const std::vector<std::string> &elements);

// split_command_line: argv as the Microsoft C runtime splits `text` (everything after
// the program name). Blanks and tabs separate arguments outside quotes; "..." groups
// and its quotes are dropped; inside quotes "" stands for one quote; 2n backslashes
// before a quote give n backslashes and the quote delimits, 2n+1 give n backslashes
// and a literal quote; other backslashes are literal.
std::vector<std::string> split_command_line(const std::string &text);
