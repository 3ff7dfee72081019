#include "launcher/common/command_line.h"

std::string join_command_line(const std::vector<std::string> &elements) {
  std::string text;
  for (size_t i = 0; i < elements.size(); i++) {
    if (i > 0) {
      text += ' ';
    }
    text += elements[i];
  }
  return text;
}

std::string list_command_vector(const std::vector<std::string> &elements) {
  std::string listing;
  for (size_t i = 0; i < elements.size(); i++) {
    listing += "arg[" + std::to_string(i) + "] = " + elements[i] + "\n";
  }
  return listing;
}

static bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> split_command_line(const std::string &text) {
  std::vector<std::string> arguments;
  size_t i = 0;
  const size_t n = text.size();
  while (true) {
    while (i < n && is_blank(text[i])) {
      i++;
    }
    if (i == n) {
      return arguments;
    }
    std::string argument;
    bool quoted = false;
    while (i < n && (quoted || !is_blank(text[i]))) {
      if (text[i] == '\\') {
        size_t run = 0;
        while (i < n && text[i] == '\\') {
          run++;
          i++;
        }
        if (i < n && text[i] == '"') {
          argument.append(run / 2, '\\');
          if (run % 2 == 1) {
            argument += '"';
            i++;
          }
        } else {
          argument.append(run, '\\');
        }
      } else if (text[i] == '"') {
        if (quoted && i + 1 < n && text[i + 1] == '"') {
          argument += '"';
          i += 2;
        } else {
          quoted = !quoted;
          i++;
        }
      } else {
        argument += text[i++];
      }
    }
    arguments.push_back(argument);
  }
}
