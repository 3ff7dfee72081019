#include "platform/form/form.h"

#include <limits>

namespace form {

int16_t ToInteger16(int64_t value) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()) {
    throw PlatformError(kErrOverflow);
  }
  return static_cast<int16_t>(value);
}

std::string NumberText(int64_t value) {
  std::string digits = std::to_string(value);
  return value < 0 ? digits : " " + digits;
}

Control::Control(Form &form, std::string name, ControlKind kind)
    : form_(form), name_(std::move(name)), kind_(kind) {}

void Control::Changed(Property property) { form_.NotifyShell(this, property); }

void Control::SetCaption(const std::string &caption) {
  caption_ = caption;
  Changed(Property::kCaption);
}

// A program's change of state raises Click directly, so an error in the
// handler reaches the code that changed the state.
void Control::SetValue(int value) {
  if (value == value_) {
    return;
  }
  value_ = value;
  Changed(Property::kValue);
  if (kind_ == ControlKind::kCheckBox && OnClick) {
    OnClick();
  }
}

void Control::SetBackColor(int32_t colour) {
  back_color_ = colour;
  Changed(Property::kBackColor);
}

void Control::SetTop(int twips) {
  top_ = twips;
  Changed(Property::kPosition);
}

void Control::SetLeft(int twips) {
  left_ = twips;
  Changed(Property::kPosition);
}

void Control::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
  Changed(Property::kPosition);
}

void Control::SetVisible(bool visible) {
  visible_ = visible;
  Changed(Property::kVisible);
}

void Control::SetInterval(int milliseconds) {
  interval_ = milliseconds;
  Changed(Property::kTimer);
}

void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Changed(Property::kTimer);
}

void Control::UserToggled(int value) {
  if (value == value_) {
    return;
  }
  value_ = value;
  Raise(OnClick);
}

void Control::UserEdited(const std::string &text) { caption_ = text; }

void Control::Raise(const std::function<void()> &handler) {
  if (handler) {
    form_.Dispatch(handler);
  }
}

void Control::RaiseMouse(const std::function<void(int)> &handler, int button) {
  if (handler) {
    form_.Dispatch([&handler, button] { handler(button); });
  }
}

Control &Form::Add(const std::string &name, ControlKind kind) {
  controls_.push_back(std::make_unique<Control>(*this, name, kind));
  return *controls_.back();
}

void Form::SetCaption(const std::string &caption) {
  caption_ = caption;
  NotifyShell(nullptr, Property::kCaption);
}

void Form::SetVisible(bool visible) {
  visible_ = visible;
  NotifyShell(nullptr, Property::kVisible);
}

void Form::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
  NotifyShell(nullptr, Property::kPosition);
}

void Form::UserResized(int width, int height) {
  width_ = width;
  height_ = height;
  if (OnResize) {
    Dispatch(OnResize);
  }
}

void Form::Dispatch(const std::function<void()> &handler) {
  try {
    handler();
  } catch (const PlatformError &error) {
    shell_.ReportError(error.what());
    shell_.End(1);
  }
}

}  // namespace form
