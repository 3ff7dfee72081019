// form.h: the window shell a form program runs on. One Form holds controls of
// five kinds (command button, check box, text box, shape, timer) with their
// properties and events; a Shell backend draws them and provides the services a
// form program needs: message box, yield, command-line text, date and time
// texts, byte-addressed files, starting programs and ending the program.
//
// Lengths are in twips (15 to a pixel on the real window). Colours are
// 0x00BBGGRR numbers (red in the low byte). Run-time errors of the platform are
// thrown as PlatformError carrying the platform's description; ending the
// program unwinds as ProgramEnd (never caught by error handling).
#ifndef KIT_PLATFORM_FORM_FORM_H
#define KIT_PLATFORM_FORM_FORM_H

#include <stdint.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace form {

// A run-time error of the platform; what() is its description ("File not found").
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Thrown by Shell::End to leave every handler at once; the backend's event
// loop turns it into the end of the program with |status|.
struct ProgramEnd {
  int status;
};

// Descriptions of the platform's run-time errors, shared by every backend.
inline constexpr const char kErrOverflow[] = "Overflow";
inline constexpr const char kErrFileNotFound[] = "File not found";
inline constexpr const char kErrPermissionDenied[] = "Permission denied";
inline constexpr const char kErrPathNotFound[] = "Path not found";
inline constexpr const char kErrFileAccess[] = "Path/File access error";
inline constexpr const char kErrPastEnd[] = "Input past end of file";
inline constexpr const char kErrBadFile[] = "Bad file name or number";
inline constexpr const char kErrInvalidCall[] = "Invalid procedure call or argument";

// ToInteger16: the platform's conversion to a signed 16-bit integer; throws
// PlatformError(kErrOverflow) outside -32768..32767.
int16_t ToInteger16(int64_t value);

// NumberText: a number's decimal digits, with one leading blank when it is not
// negative (" 12", "-3").
std::string NumberText(int64_t value);

// Colours used by form programs.
inline constexpr int32_t kLightGrey = 12632256;  // red 192, green 192, blue 192
inline constexpr int32_t kRed = 255;

enum class ControlKind { kCommandButton, kCheckBox, kTextBox, kShape, kTimer };

// Which property changed, so a backend can update only that part of a widget.
enum class Property { kCaption, kValue, kBackColor, kPosition, kVisible, kTimer };

// How a started program's main window opens.
enum class WindowState { kMinimizedFocus, kNormalFocus };

class Form;

// Control: one control of a form. Setting a property tells the backend; a check
// box whose value changes raises its click event, as a user's click does.
class Control {
 public:
  Control(Form &form, std::string name, ControlKind kind);

  const std::string &Name() const { return name_; }
  ControlKind Kind() const { return kind_; }

  // Caption of a button or check box, text of a text box.
  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &caption);
  // State of a check box: 0 unchecked, 1 checked. A different value raises Click.
  int Value() const { return value_; }
  void SetValue(int value);
  int32_t BackColor() const { return back_color_; }
  void SetBackColor(int32_t colour);
  int Top() const { return top_; }
  int Left() const { return left_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetTop(int twips);
  void SetLeft(int twips);
  void SetSize(int width, int height);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Timer: milliseconds between Timer events while enabled. Setting either
  // restarts the countdown.
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Events; an empty handler ignores the event. Mouse events get the button
  // (1 left, 2 right, 4 middle).
  std::function<void()> OnClick;
  std::function<void()> OnDoubleClick;
  std::function<void(int button)> OnMouseDown;
  std::function<void(int button)> OnMouseUp;
  std::function<void()> OnTimer;

  // Backends call these when the user acts on the widget (or the timer fires).
  // They update the stored state first, then raise the event.
  void UserToggled(int value);
  void UserEdited(const std::string &text);
  void Raise(const std::function<void()> &handler);
  void RaiseMouse(const std::function<void(int)> &handler, int button);

 private:
  void Changed(Property property);

  Form &form_;
  std::string name_;
  ControlKind kind_;
  std::string caption_;
  int value_ = 0;
  int32_t back_color_ = kLightGrey;
  int top_ = 0, left_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  int interval_ = 0;
  bool enabled_ = true;
};

// Shell: the backend. Every service may throw PlatformError.
class Shell {
 public:
  virtual ~Shell() = default;

  // Called by the form after a property of |control| (or of the form itself,
  // |control| null) changed.
  virtual void ControlChanged(Form &form, Control *control, Property property) = 0;
  // Lets pending interface events run (their handlers run inside this call).
  virtual void Yield() = 0;
  // A message box with an OK button; returns when it is closed.
  virtual void MessageBox(const std::string &text, const std::string &title) = 0;
  // Clears the form's drawing surface and writes |text| on it.
  virtual void ClearAndPrint(Form &form, const std::string &text) = 0;
  // The text of the command line after the program name.
  virtual std::string CommandLine() = 0;
  // Current local date "MM-DD-YYYY" and 24-hour time "HH:MM:SS".
  virtual std::string DateText() = 0;
  virtual std::string TimeText() = 0;

  // Byte-addressed reading: OpenRead returns a file number for ReadByte and
  // FileLength, released by Close. |position| counts from 1.
  virtual int OpenRead(const std::string &path) = 0;
  virtual int64_t OpenFileLength(int file) = 0;
  virtual uint8_t ReadByte(int file, int64_t position) = 0;
  virtual void Close(int file) = 0;
  // Length in bytes of the file at |path| (not opened).
  virtual int64_t FileLength(const std::string &path) = 0;
  // Opens |path| for appending (creating it), writes |text|, closes it.
  virtual void AppendText(const std::string &path, const std::string &text) = 0;

  // Starts |command_line| as a new process; returns its task id (positive), 0
  // when it could not be started. An empty command line throws.
  virtual int64_t StartProgram(const std::string &command_line, WindowState state) = 0;
  // Opens |path| in the system's text editor.
  virtual void StartEditor(const std::string &path) = 0;

  // Reports an error that no handler took, before the program ends.
  virtual void ReportError(const std::string &description) = 0;
  // Ends the program at once with |status|.
  [[noreturn]] virtual void End(int status) = 0;
};

// Form: a window with its controls, in creation order (which is also the tab
// order of the focusable ones).
class Form {
 public:
  explicit Form(Shell &shell) : shell_(shell) {}
  Form(const Form &) = delete;
  Form &operator=(const Form &) = delete;

  Shell &GetShell() { return shell_; }

  // Adds a control; the reference stays valid as long as the form.
  Control &Add(const std::string &name, ControlKind kind);
  const std::vector<std::unique_ptr<Control>> &Controls() const { return controls_; }

  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &caption);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Outer size in twips.
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int width, int height);

  // Load runs once before the form is first shown; Resize after every change
  // of size made by the window (the first showing included).
  std::function<void()> OnLoad;
  std::function<void()> OnResize;
  // Close: the user closed the window; the program ends afterwards.
  std::function<void()> OnClose;

  // Backends call this when the window got a new size.
  void UserResized(int width, int height);

  // Runs |handler| as the platform runs an event handler: an error that the
  // handler did not take is reported and ends the program.
  void Dispatch(const std::function<void()> &handler);

  void NotifyShell(Control *control, Property property) { shell_.ControlChanged(*this, control, property); }

 private:
  Shell &shell_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::string caption_;
  bool visible_ = true;
  int width_ = 0, height_ = 0;
};

}  // namespace form

#endif  // KIT_PLATFORM_FORM_FORM_H
