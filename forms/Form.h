// The form base class: a top-level window built from its layout resource, with
// its events bound by name to the handlers its class offers.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/Controls.h"
#include "forms/Errors.h"
#include "forms/Handles.h"
#include "forms/Layout.h"
#include "forms/Window.h"

namespace forms {

enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

// The handlers a form class offers to its layout, by name.
struct EventTable {
  std::vector<std::pair<std::string_view, std::function<void()>>> notify;
  std::vector<std::pair<std::string_view, std::function<void(WORD& key)>>> key;
};

class TForm : public TWinHandler {
 public:
  ~TForm() override;

  const std::string& Name() const { return layout_.name; }

  void Show();
  void Hide();
  // Closing: a modal form ends its loop with mrCancel, the main form asks the
  // application to terminate, any other form hides.
  void Close();
  // Runs a loop of its own until a modal result is set or the application
  // terminates; the other windows of the program are disabled meanwhile.
  int ShowModal();
  bool Visible() const { return IsWindowVisible(Handle()) != FALSE; }
  void SetModalResult(int result) { modalResult_ = result; }

  void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const;
  int ClientWidth() const;
  int ClientHeight() const;

  TControl* FindControl(std::string_view name) const;
  // The named control of the expected kind; a layout that lacks it is an error.
  template <class T>
  T& Control(std::string_view name) const {
    auto* control = dynamic_cast<T*>(FindControl(name));
    if (!control) throw EError(Format("Steuerelement %s fehlt", name));
    return *control;
  }
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return controls_; }

  HFONT FontHandle() const { return font_.get(); }
  COLORREF Colour() const { return colour_; }
  COLORREF FontColour() const { return fontColour_; }
  // Converts a 96-dpi layout length into pixels of this form.
  int Scale(int length) const { return MulDiv(length, dpi_, 96); }

  static TForm* FromHandle(HWND window);
  // Whether Tab and the arrow keys move between the form's controls.
  bool WantsDialogKeys() const;

 protected:
  // Loads the layout resource of the given name and builds the window.
  TForm(const std::string& layoutResource, EventTable events);
  // The same from layout text; for forms and tests that carry their own.
  TForm(const LayoutNode& layout, EventTable events);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Build(EventTable events);
  void BuildContents(DWORD style, DWORD exStyle, EventTable& events);
  const LayoutProperty& FormFont() const;
  void FitToContents(DWORD style, DWORD exStyle);
  void Rescale(int dpi, const RECT& suggested);
  void BindEvents(const LayoutNode& node, TControl* control, EventTable& events);
  void PlaceForShow();
  void RememberFocus();
  void RestoreFocus();

  LayoutNode layout_;
  std::vector<std::unique_ptr<TControl>> controls_;
  std::function<void()> onShow_;
  std::function<void()> onActivate_;
  std::function<void(WORD&)> onKeyDown_;
  UniqueHfont font_;
  UniqueHbrush brush_;
  COLORREF colour_ = RGB(0, 0, 0);
  COLORREF fontColour_ = RGB(0, 0, 0);
  HWND focus_ = nullptr;  // the control to focus when the form is activated again
  int dpi_ = 96;
  bool scaled_ = false;  // the contents follow the dpi of the form's monitor
  int modalResult_ = mrNone;
  bool modal_ = false;
  bool placed_ = false;
};

}  // namespace forms
