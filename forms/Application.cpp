#include "forms/Application.h"

#include "forms/Errors.h"
#include "forms/Form.h"
#include "forms/Text.h"

namespace forms {

TApplication Application;

TApplication::~TApplication() {
  DestroyForms();
}

void TApplication::FormDeleter::operator()(TForm* form) const {
  form->~TForm();
  ::operator delete(form);
}

void TApplication::Adopt(TForm* form) {
  forms_.emplace_back(form);
  if (!mainForm_) mainForm_ = form;
}

void TApplication::DestroyForms() {
  while (!forms_.empty()) forms_.pop_back();
  mainForm_ = nullptr;
}

void TApplication::DispatchOne(MSG& message) {
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  TForm* form = TForm::FromHandle(root);
  if (form && form->WantsDialogKeys() && IsDialogMessageW(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void TApplication::Run() {
  if (mainForm_) mainForm_->Show();
  while (!terminated_) {
    MSG message;
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
      terminated_ = true;
      break;
    }
    DispatchOne(message);
  }
}

void TApplication::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      continue;
    }
    DispatchOne(message);
  }
}

void TApplication::Terminate() {
  PostQuitMessage(0);
}

std::string TApplication::Title() const {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return ApplicationTitle(Utf8(path));
}

void TApplication::ShowException(const std::exception& error) noexcept {
  // Called from catch blocks: a report that cannot even be composed is dropped
  // rather than let a second exception end the program.
  try {
    std::string text = WithFullStop(error.what());
    if (errorSink_) {
      errorSink_(text, Title());
      return;
    }
    // MB_SYSTEMMODAL is the application-modal box with WS_EX_TOPMOST, as
    // MB_TOPMOST is; Wine 8 honours only the first.
    const UINT onTop = reportsOnTop_ ? MB_TOPMOST | MB_SYSTEMMODAL : 0;
    MessageBoxW(GetActiveWindow(), Widen(text).c_str(), Widen(Title()).c_str(), MB_OK | MB_ICONSTOP | onTop);
  } catch (...) {
  }
}

}  // namespace forms
