// The application object: creates and owns the forms, drives the message loop,
// and shows the error report.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace forms {

class TForm;

class TApplication {
 public:
  TApplication() = default;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;
  ~TApplication();

  // Creates a form of class T, owned by the application. The reference is set
  // before T's constructor runs, so the constructor may already use it, and is
  // reset to null if the constructor throws. The first form becomes the main form.
  template <class T>
  void CreateForm(T*& reference) {
    void* storage = ::operator new(sizeof(T));
    reference = static_cast<T*>(storage);
    try {
      new (storage) T();
    } catch (...) {
      reference = nullptr;
      ::operator delete(storage);
      throw;
    }
    Adopt(reference);
  }

  // Shows the main form, then dispatches messages until termination is requested.
  void Run();
  // Dispatches every message already queued without waiting. A quit message on
  // the way sets the termination flag; the draining goes on.
  void ProcessMessages();
  // Posts a quit message; the loops end once one of them takes it.
  void Terminate();
  bool Terminated() const { return terminated_; }
  void SetTerminated(bool terminated = true) { terminated_ = terminated; }

  // Shows the error report: the message with its full stop, the application
  // title as caption, a stop icon and an OK button; topmost once asked for.
  void ShowException(const std::exception& error) noexcept;
  // While the program's windows are topmost, a report below them could be
  // neither seen nor closed, and the program would never end.
  void SetReportsOnTop(bool onTop) { reportsOnTop_ = onTop; }
  // Where error reports go; a message box unless replaced (tests record them).
  using ErrorSink = std::function<void(const std::string& text, const std::string& caption)>;
  void SetErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }
  std::string Title() const;
  TForm* MainForm() const { return mainForm_; }

  // Dispatches one message that a loop took, giving dialog forms their keyboard navigation.
  void DispatchOne(MSG& message);
  // Destroys every owned form, newest first.
  void DestroyForms();

 private:
  void Adopt(TForm* form);

  // Forms are built in raw storage by CreateForm, so they are torn down the same way.
  struct FormDeleter {
    void operator()(TForm* form) const;
  };
  std::vector<std::unique_ptr<TForm, FormDeleter>> forms_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool reportsOnTop_ = false;
  ErrorSink errorSink_;
};

extern TApplication Application;

}  // namespace forms
