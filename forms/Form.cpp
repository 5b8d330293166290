#include "forms/Form.h"

#include <algorithm>

#include "forms/Application.h"
#include "forms/Dpi.h"
#include "forms/Picture.h"
#include "forms/Text.h"

namespace forms {
namespace {

constexpr wchar_t kFormClass[] = L"SarvaneForm";
// Posted on WM_ACTIVATE: OnActivate handlers run long (the whole flight runs in
// one), so they start from the queue, not inside whatever call activated the form.
constexpr UINT kActivateEvent = WM_APP + 1;

LayoutNode LoadLayout(const std::string& resource) {
  auto bytes = ResourceBytes(resource, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  return ParseLayout(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

struct FrameStyle {
  DWORD style;
  DWORD exStyle;
};

FrameStyle StyleOf(const LayoutNode& layout) {
  std::string border = layout.Name("BorderStyle", "sizeable");
  if (border == "none") return {WS_POPUP | WS_CLIPCHILDREN, 0};
  DWORD style = WS_CAPTION | WS_CLIPCHILDREN;
  DWORD exStyle = 0;
  if (border == "sizeable") style |= WS_THICKFRAME;
  if (border == "dialog") exStyle |= WS_EX_DLGMODALFRAME;
  auto icons = layout.Find("BorderIcons") ? layout.Texts("BorderIcons")
                                          : std::vector<std::string>{"systemMenu", "minimize", "maximize"};
  auto has = [&](const char* icon) { return std::find(icons.begin(), icons.end(), icon) != icons.end(); };
  if (has("systemMenu")) style |= WS_SYSMENU;
  if (has("minimize") && border != "dialog") style |= WS_MINIMIZEBOX;
  if (has("maximize") && border != "dialog") style |= WS_MAXIMIZEBOX;
  return {style, exStyle};
}

// Disables the program's other enabled, visible top-level windows for a modal
// loop and enables them again; Restore must come before the modal form hides,
// so that activation returns to one of them.
class DisabledWindows {
 public:
  explicit DisabledWindows(HWND modal) : modal_(modal) {
    EnumThreadWindows(GetCurrentThreadId(), &DisabledWindows::Visit, reinterpret_cast<LPARAM>(this));
  }
  DisabledWindows(const DisabledWindows&) = delete;
  DisabledWindows& operator=(const DisabledWindows&) = delete;
  ~DisabledWindows() { Restore(); }
  void Restore() {
    for (HWND window : windows_) EnableWindow(window, TRUE);
    windows_.clear();
  }

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    auto* list = reinterpret_cast<DisabledWindows*>(self);
    if (window != list->modal_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
      EnableWindow(window, FALSE);
      list->windows_.push_back(window);
    }
    return TRUE;
  }
  HWND modal_;
  std::vector<HWND> windows_;
};

}  // namespace

TForm::TForm(const std::string& layoutResource, EventTable events) : layout_(LoadLayout(layoutResource)) {
  Build(std::move(events));
}

TForm::TForm(const LayoutNode& layout, EventTable events) : layout_(layout) {
  Build(std::move(events));
}

TForm::~TForm() {
  if (Handle()) DestroyWindow(Handle());
}

void TForm::Build(EventTable events) {
  ValidateLayout(layout_);
  RegisterClassOnce(kFormClass, CS_DBLCLKS, nullptr);
  scaled_ = layout_.Flag("Scaled", false);
  colour_ = layout_.Find("Color") ? LayoutColour(*layout_.Find("Color")) : GetSysColor(COLOR_BTNFACE);
  fontColour_ =
      layout_.Find("FontColor") ? LayoutColour(*layout_.Find("FontColor")) : GetSysColor(COLOR_WINDOWTEXT);
  brush_.reset(CreateSolidBrush(colour_));

  FrameStyle frame = StyleOf(layout_);
  std::wstring caption = Widen(layout_.Text("Caption").value_or(layout_.name));
  // Only the contents grow with the dpi: where a form opens is a place on the
  // screen, and the screen's pixels are what it is given in. The dpi is that
  // of the monitor there, which Windows settles as it creates the window; so
  // the window is created at its designed size and sized for its dpi after.
  CreateHandle(frame.exStyle, kFormClass, caption.c_str(), frame.style, layout_.Integer("Left", 0),
               layout_.Integer("Top", 0), layout_.Integer("Width", 320), layout_.Integer("Height", 240),
               nullptr);
  try {
    if (scaled_) dpi_ = WindowDpi(Handle());
    font_.reset(CreateLayoutFont(FormFont(), dpi_));
    BuildContents(frame.style, frame.exStyle, events);
  } catch (...) {
    // No destructor runs for a half-built form: its windows go now, while the
    // controls they call into still exist.
    DestroyWindow(Handle());
    throw;
  }
}

const LayoutProperty& TForm::FormFont() const {
  static const LayoutProperty defaultFont{
      "Font", {{LayoutAtom::Kind::Text, 0, "MS Sans Serif"}, {LayoutAtom::Kind::Integer, 8, {}}}};
  return layout_.Find("Font") ? *layout_.Find("Font") : defaultFont;
}

void TForm::BuildContents(DWORD style, DWORD exStyle, EventTable& events) {
  RECT outer{0, 0, Scale(layout_.Integer("Width", 320)), Scale(layout_.Integer("Height", 240))};
  if (layout_.Find("ClientWidth") && layout_.Find("ClientHeight")) {
    outer = {0, 0, Scale(layout_.Integer("ClientWidth", 0)), Scale(layout_.Integer("ClientHeight", 0))};
    AdjustForFrame(Handle(), outer, style, exStyle);
  }
  SetWindowPos(Handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  CreateControls(*this, layout_, Handle(), controls_);
  if (layout_.Flag("AutoSize", false)) FitToContents(style, exStyle);

  BindEvents(layout_, nullptr, events);
  for (const auto& control : controls_)
    BindEvents(*layout_.FindChild(control->Name()), control.get(), events);
}

void TForm::FitToContents(DWORD style, DWORD exStyle) {
  RECT content{0, 0, 0, 0};
  for (const auto& control : controls_) {
    if (GetParent(control->Handle()) != Handle()) continue;
    content.right = std::max<LONG>(content.right, control->Left() + control->Width());
    content.bottom = std::max<LONG>(content.bottom, control->Top() + control->Height());
  }
  AdjustForFrame(Handle(), content, style, exStyle);
  SetWindowPos(Handle(), nullptr, 0, 0, content.right - content.left, content.bottom - content.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The layout's 96-dpi lengths scaled anew, the fonts made again at the new
// size, and the window where Windows suggests, which keeps it under the
// pointer of a drag. Windows scales the whole window rectangle by the ratio of
// the dpis, but a frame does not grow in step with the contents (under
// per-monitor v1 it keeps the system's size), so a form that sizes itself to
// its contents takes the suggested place and fits its size to them again.
void TForm::Rescale(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  UniqueHfont previous = std::move(font_);  // the controls hold it until each has its new one
  font_.reset(CreateLayoutFont(FormFont(), dpi_));
  for (const auto& control : controls_) control->Rescale(*layout_.FindChild(control->Name()));
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (layout_.Flag("AutoSize", false)) {
    FrameStyle frame = StyleOf(layout_);
    FitToContents(frame.style, frame.exStyle);
  }
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm::BindEvents(const LayoutNode& node, TControl* control, EventTable& events) {
  auto notify = [&](const LayoutProperty& property) {
    const std::string& handler = property.values[0].text;
    for (auto& [name, function] : events.notify)
      if (name == handler) return function;
    throw EError(Format("Ereignisbehandlung %s fehlt", handler));
  };
  for (const auto& property : node.properties) {
    if (property.key == "OnShow") onShow_ = notify(property);
    if (property.key == "OnActivate") onActivate_ = notify(property);
    if (property.key == "OnClick" && control) control->OnClick = notify(property);
    if (property.key == "OnKeyDown") {
      const std::string& handler = property.values[0].text;
      auto it = std::find_if(events.key.begin(), events.key.end(),
                             [&](auto& entry) { return entry.first == handler; });
      if (it == events.key.end()) throw EError(Format("Ereignisbehandlung %s fehlt", handler));
      onKeyDown_ = it->second;
    }
  }
}

TForm* TForm::FromHandle(HWND window) {
  return dynamic_cast<TForm*>(TWinHandler::FromHandle(window));
}

bool TForm::WantsDialogKeys() const {
  return std::any_of(controls_.begin(), controls_.end(), [](const auto& control) {
    return (GetWindowLongW(control->Handle(), GWL_STYLE) & WS_TABSTOP) != 0;
  });
}

TControl* TForm::FindControl(std::string_view name) const {
  for (const auto& control : controls_)
    if (control->Name() == name) return control.get();
  return nullptr;
}

void TForm::RememberFocus() {
  HWND focus = GetFocus();
  if (focus && IsChild(Handle(), focus)) focus_ = focus;
}

void TForm::RestoreFocus() {
  HWND target = focus_ && IsWindow(focus_) && IsChild(Handle(), focus_) && IsWindowEnabled(focus_)
                    ? focus_
                    : GetNextDlgTabItem(Handle(), nullptr, FALSE);
  if (target) SetFocus(target);
}

void TForm::PlaceForShow() {
  if (placed_) return;
  placed_ = true;
  std::string placement = layout_.Name("Placement", "designed");
  if (placement == "designed") return;
  bool desktop = placement == "desktopCenter";
  int areaWidth = GetSystemMetrics(desktop ? SM_CXVIRTUALSCREEN : SM_CXSCREEN);
  int areaHeight = GetSystemMetrics(desktop ? SM_CYVIRTUALSCREEN : SM_CYSCREEN);
  RECT bounds = BoundsRect();
  int left = std::max(0, (areaWidth - static_cast<int>(bounds.right - bounds.left)) / 2);
  int top = std::max(0, (areaHeight - static_cast<int>(bounds.bottom - bounds.top)) / 2);
  SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Show() {
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
}

void TForm::Hide() {
  ShowWindow(Handle(), SW_HIDE);
}

void TForm::Close() {
  if (modal_)
    modalResult_ = mrCancel;
  else if (Application.MainForm() == this)
    Application.Terminate();
  else
    Hide();
}

int TForm::ShowModal() {
  if (modal_ || Visible()) throw EError("Ein sichtbares Fenster kann nicht modal angezeigt werden");
  DisabledWindows others(Handle());
  modal_ = true;
  modalResult_ = mrNone;
  Show();
  while (modalResult_ == mrNone) {
    if (Application.Terminated()) {
      modalResult_ = mrCancel;
      break;
    }
    MSG message{};
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The quit message belongs to the outer loops too: hand it on. A failing
      // queue (-1) ends the loops the same way rather than spinning.
      Application.SetTerminated();
      PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 0);
      modalResult_ = mrCancel;
      break;
    }
    Application.DispatchOne(message);
  }
  others.Restore();
  Hide();
  modal_ = false;
  return std::exchange(modalResult_, mrNone);
}

void TForm::SetBounds(int left, int top, int width, int height) {
  SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TForm::BoundsRect() const {
  RECT bounds;
  GetWindowRect(Handle(), &bounds);
  return bounds;
}

int TForm::ClientWidth() const {
  RECT client;
  GetClientRect(Handle(), &client);
  return client.right;
}

int TForm::ClientHeight() const {
  RECT client;
  GetClientRect(Handle(), &client);
  return client.bottom;
}

LRESULT TForm::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SHOWWINDOW:
      // lParam 0: a ShowWindow call, not an owner being minimised or restored.
      if (wParam && lParam == 0) {
        PlaceForShow();
        if (onShow_) onShow_();
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus();
        break;
      }
      PostMessageW(Handle(), kActivateEvent, 0, 0);
      if (WantsDialogKeys()) {
        // As a dialog does: the focus returns to the control that had it, or
        // goes to the first one in the tab order, never to the bare form.
        Default(message, wParam, lParam);
        RestoreFocus();
        return 0;
      }
      break;
    case kActivateEvent:
      if (onActivate_ && GetActiveWindow() == Handle()) onActivate_();
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (onKeyDown_) {
        WORD key = static_cast<WORD>(wParam);
        onKeyDown_(key);
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DPICHANGED:
      // Forms laid out in the screen's own pixels (the stage, the craft) keep
      // them; the default handling leaves them as they are, too.
      if (!scaled_) break;
      Rescale(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush_.get());
      return 1;
    }
    case WM_COMMAND:
      for (const auto& control : controls_)
        if (control->Handle() == reinterpret_cast<HWND>(lParam)) control->Command(HIWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      for (const auto& control : controls_)
        if (control->Handle() == reinterpret_cast<HWND>(lParam)) {
          if (HBRUSH brush = control->ControlColour(reinterpret_cast<HDC>(wParam)))
            return reinterpret_cast<LRESULT>(brush);
        }
      break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace forms
