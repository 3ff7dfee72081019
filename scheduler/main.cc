// tickrun EVENTFILE [switches]: the minute command scheduler with its window.
#include "platform/form/fltk_shell.h"
#include "scheduler/tickrun.h"

int main(int argc, char **argv) {
  form::FltkShell shell("tickrun", "tickrun", argc, argv);
  form::Form form(shell);
  tickrun::Tickrun program(form);
  shell.Run(form);
}
