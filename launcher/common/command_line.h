// The command-line text of a child, its listing for verbose output, and how the
// Microsoft C runtime reads the text back, which the POSIX host uses to give a child
// the argv a Windows child would see.
#pragma once

#include <string>
#include <vector>

// join_command_line: the elements joined with single blanks; nothing quoted or escaped.
std::string join_command_line(const std::vector<std::string> &elements);

// list_command_vector: one line "arg[<index>] = <element>" per element, in order, each
// ending with a newline (empty for an empty vector); elements are shown as they are.
std::string list_command_vector(const std::vector<std::string> &elements);

// split_command_line: argv as the Microsoft C runtime splits `text` (everything after
// the program name). Blanks and tabs separate arguments outside quotes; "..." groups
// and its quotes are dropped; inside quotes "" stands for one quote; 2n backslashes
// before a quote give n backslashes and the quote delimits, 2n+1 give n backslashes
// and a literal quote; other backslashes are literal.
std::vector<std::string> split_command_line(const std::string &text);
