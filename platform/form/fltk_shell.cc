#include "platform/form/fltk_shell.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include <cstdlib>

namespace form {
namespace {

constexpr int kLabelSize = 11;

int Pixels(int twips) { return twips / kTwipsPerPixel; }

Fl_Color FltkColour(int32_t colour) {
  return fl_rgb_color(static_cast<uchar>(colour & 0xff), static_cast<uchar>((colour >> 8) & 0xff),
                      static_cast<uchar>((colour >> 16) & 0xff));
}

// FLTK numbers mouse buttons 1 left, 2 middle, 3 right; forms use 1, 4, 2.
int FormButton(int fltk_button) {
  switch (fltk_button) {
    case 2:
      return 4;
    case 3:
      return 2;
    default:
      return 1;
  }
}

std::string WithoutCarriageReturns(const std::string &text) {
  std::string plain;
  for (char c : text) {
    if (c != '\r') {
      plain += c;
    }
  }
  return plain;
}

class ButtonWidget : public Fl_Button {
 public:
  explicit ButtonWidget(Control &control) : Fl_Button(0, 0, 1, 1), control_(control) {
    callback([](Fl_Widget *, void *data) {
      auto *c = static_cast<Control *>(data);
      c->Raise(c->OnClick);
    }, &control_);
  }
  int handle(int event) override {
    if (event == FL_PUSH) {
      control_.RaiseMouse(control_.OnMouseDown, FormButton(Fl::event_button()));
    } else if (event == FL_RELEASE) {
      control_.RaiseMouse(control_.OnMouseUp, FormButton(Fl::event_button()));
    }
    return Fl_Button::handle(event);
  }

 private:
  Control &control_;
};

class CheckWidget : public Fl_Check_Button {
 public:
  explicit CheckWidget(Control &control) : Fl_Check_Button(0, 0, 1, 1) {
    callback([](Fl_Widget *widget, void *data) {
      static_cast<Control *>(data)->UserToggled(static_cast<Fl_Check_Button *>(widget)->value() ? 1 : 0);
    }, &control);
  }
};

class TextWidget : public Fl_Input {
 public:
  explicit TextWidget(Control &control) : Fl_Input(0, 0, 1, 1), control_(control) {
    when(FL_WHEN_CHANGED);
    callback([](Fl_Widget *widget, void *data) {
      static_cast<Control *>(data)->UserEdited(static_cast<Fl_Input *>(widget)->value());
    }, &control_);
  }
  int handle(int event) override {
    int used = Fl_Input::handle(event);
    if (event == FL_PUSH && Fl::event_clicks() > 0) {
      Fl::event_clicks(0);
      control_.Raise(control_.OnDoubleClick);
    }
    return used;
  }

 private:
  Control &control_;
};

}  // namespace

class FormWindow : public Fl_Double_Window {
 public:
  FormWindow(FltkShell &shell, int width, int height)
      : Fl_Double_Window(width, height), shell_(shell) {
    callback([](Fl_Widget *, void *data) {
      // Escape does not close a form; only the window's close button does.
      if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
        return;
      }
      static_cast<FltkShell *>(data)->WindowClosed();
    }, &shell_);
  }
  void resize(int x, int y, int width, int height) override {
    bool resized = width != w() || height != h();
    Fl_Double_Window::resize(x, y, width, height);
    if (resized) {
      shell_.WindowResized(width, height);
    }
  }

 private:
  FltkShell &shell_;
};

FltkShell::FltkShell(std::string program, std::string window_class, int argc, char **argv)
    : PosixShell(std::move(program), argc, argv), window_class_(std::move(window_class)) {}

FltkShell::~FltkShell() = default;

bool FltkShell::OpenDisplay() {
  const char *name = getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    return false;
  }
  Display *display = XOpenDisplay(name);
  if (display == nullptr) {
    return false;
  }
  fl_open_display(display);
  return true;
}

void FltkShell::BuildWindow(Form &form) {
  window_ = std::make_unique<FormWindow>(*this, Pixels(form.Width()), Pixels(form.Height()));
  window_->xclass(window_class_.c_str());
  window_->copy_label(form.Caption().c_str());
  for (const auto &owned : form.Controls()) {
    Control &control = *owned;
    Fl_Widget *widget = nullptr;
    switch (control.Kind()) {
      case ControlKind::kCommandButton:
        widget = new ButtonWidget(control);
        break;
      case ControlKind::kCheckBox:
        widget = new CheckWidget(control);
        break;
      case ControlKind::kTextBox:
        widget = new TextWidget(control);
        break;
      case ControlKind::kShape:
        widget = new Fl_Box(FL_BORDER_FRAME, 0, 0, 1, 1, nullptr);
        widget->color(FL_BLACK);  // the frame's border colour
        break;
      case ControlKind::kTimer:
        continue;
    }
    widget->labelsize(kLabelSize);
    if (auto *input = dynamic_cast<Fl_Input *>(widget)) {
      input->textsize(kLabelSize);
    }
    widgets_[&control] = widget;
    for (Property property : {Property::kCaption, Property::kValue, Property::kBackColor,
                              Property::kPosition, Property::kVisible}) {
      ControlChanged(form, &control, property);
    }
  }
  window_->end();
  // Resizable, but FLTK must not scale the children: the form places them
  // itself on every resize.
  window_->resizable(nullptr);
  window_->size_range(Pixels(form.Width()) / 4, Pixels(form.Height()) / 4, 0, 0);
}

void FltkShell::Place(Control &control) {
  Fl_Widget *widget = widgets_.at(&control);
  widget->resize(Pixels(control.Left()), Pixels(control.Top()), Pixels(control.Width()),
                 Pixels(control.Height()));
}

void FltkShell::ArmTimer(Control &timer) {
  auto &binding = timers_[&timer];
  if (!binding) {
    binding = std::make_unique<std::pair<FltkShell *, Control *>>(this, &timer);
  }
  auto fire = [](void *data) {
    auto *bound = static_cast<std::pair<FltkShell *, Control *> *>(data);
    bound->first->TimerFired(*bound->second);
  };
  Fl::remove_timeout(fire, binding.get());
  if (timer.Enabled() && timer.Interval() > 0) {
    Fl::add_timeout(timer.Interval() / 1000.0, fire, binding.get());
  }
}

void FltkShell::TimerFired(Control &timer) {
  ArmTimer(timer);
  timer.Raise(timer.OnTimer);
}

void FltkShell::WindowResized(int width, int height) {
  form_->SetSize(width * kTwipsPerPixel, height * kTwipsPerPixel);
  // Raised from the event loop rather than from inside FLTK's own resizing,
  // since the handler may yield.
  Fl::add_timeout(0.0, [](void *data) {
    Form *form = static_cast<Form *>(data);
    form->UserResized(form->Width(), form->Height());
  }, form_);
}

void FltkShell::WindowClosed() {
  form_->Dispatch([this] {
    if (form_->OnClose) {
      form_->OnClose();
    }
  });
  End(0);
}

void FltkShell::ControlChanged(Form &form, Control *control, Property property) {
  if (control != nullptr && control->Kind() == ControlKind::kTimer) {
    if (property == Property::kTimer) {
      ArmTimer(*control);
    }
    return;
  }
  if (!window_) {
    return;
  }
  if (control == nullptr) {
    if (property == Property::kCaption) {
      window_->copy_label(form.Caption().c_str());
    } else if (property == Property::kPosition) {
      window_->size(Pixels(form.Width()), Pixels(form.Height()));
    }
    return;
  }
  Fl_Widget *widget = widgets_.at(control);
  switch (property) {
    case Property::kCaption:
      if (auto *input = dynamic_cast<Fl_Input *>(widget)) {
        input->value(control->Caption().c_str());
      } else {
        widget->copy_label(control->Caption().c_str());
      }
      break;
    case Property::kValue:
      if (auto *check = dynamic_cast<Fl_Check_Button *>(widget)) {
        check->value(control->Value() != 0);
      }
      break;
    case Property::kBackColor:
      if (control->Kind() == ControlKind::kTextBox) {
        widget->color(FltkColour(control->BackColor()));
      }
      break;
    case Property::kPosition:
      Place(*control);
      window_->redraw();  // the old place must be painted over too
      break;
    case Property::kVisible:
      control->Visible() ? widget->show() : widget->hide();
      break;
    case Property::kTimer:
      break;
  }
  widget->redraw();
}

void FltkShell::Yield() { Fl::check(); }

void FltkShell::MessageBox(const std::string &text, const std::string &title) {
  if (!has_display_) {
    PosixShell::MessageBox(text, title);
    return;
  }
  fl_message_title(title.c_str());
  fl_message("%s", WithoutCarriageReturns(text).c_str());
}

void FltkShell::Run(Form &form) {
  form_ = &form;
  has_display_ = OpenDisplay();
  if (has_display_) {
    BuildWindow(form);
  }
  form.Dispatch([&form] {
    if (form.OnLoad) {
      form.OnLoad();
    }
  });
  if (form.Visible()) {
    if (has_display_) {
      window_->show();
      form.UserResized(form.Width(), form.Height());
    } else {
      Warn("no display (DISPLAY is unset or cannot be opened); running without a window");
    }
  }
  for (;;) {
    Fl::wait(1e20);
  }
}

}  // namespace form
