// fltk_shell.h: the real window on FLTK 1.3, 15 twips to a pixel. Each control
// of the form becomes a widget (button, check button, input, frame box; a timer
// becomes an FLTK timeout). Without a display the form runs hidden, since FLTK
// timers need none; when the form should have been shown this is said on
// standard error.
#ifndef KIT_PLATFORM_FORM_FLTK_SHELL_H
#define KIT_PLATFORM_FORM_FLTK_SHELL_H

#include <map>
#include <memory>
#include <string>

#include "platform/form/posix_shell.h"

class Fl_Widget;

namespace form {

inline constexpr int kTwipsPerPixel = 15;

class FormWindow;

class FltkShell : public PosixShell {
 public:
  // |window_class| is the X class of the window, so tools can find it.
  FltkShell(std::string program, std::string window_class, int argc, char **argv);
  ~FltkShell() override;

  // Loads |form|, shows it unless it was made invisible, and runs the event
  // loop until the program ends (never returns).
  [[noreturn]] void Run(Form &form);

  void ControlChanged(Form &form, Control *control, Property property) override;
  void Yield() override;
  void MessageBox(const std::string &text, const std::string &title) override;

  // Used by the widgets' callbacks.
  void TimerFired(Control &timer);
  void WindowResized(int width, int height);
  void WindowClosed();

 private:
  bool OpenDisplay();
  void BuildWindow(Form &form);
  void Place(Control &control);
  void ArmTimer(Control &timer);

  std::string window_class_;
  bool has_display_ = false;
  Form *form_ = nullptr;
  std::unique_ptr<FormWindow> window_;
  std::map<Control *, Fl_Widget *> widgets_;
  std::map<Control *, std::unique_ptr<std::pair<FltkShell *, Control *>>> timers_;
};

}  // namespace form

#endif  // KIT_PLATFORM_FORM_FLTK_SHELL_H
