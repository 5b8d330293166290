#include "forms/Controls.h"

#include <commctrl.h>

#include <algorithm>

#include "forms/Errors.h"
#include "forms/Form.h"
#include "forms/Text.h"

namespace forms {
namespace {

constexpr wchar_t kImageClass[] = L"SarvaneImage";
constexpr wchar_t kContainerClass[] = L"SarvaneContainer";

struct Bounds {
  int left, top, width, height;
};

// Where a layout node's control lies, in the form's pixels.
Bounds ScaledBounds(const TForm& form, const LayoutNode& node) {
  return {form.Scale(node.Integer("Left", 0)), form.Scale(node.Integer("Top", 0)),
          form.Scale(node.Integer("Width", 0)), form.Scale(node.Integer("Height", 0))};
}

// The window height of a drop-down combo box includes its open list.
LayoutNode WithOpenList(const LayoutNode& node) {
  LayoutNode sized = node;
  auto items = static_cast<int>(node.Texts("Items").size());
  for (auto& property : sized.properties)
    if (property.key == "Height") property.values[0].number *= items + 2;
  return sized;
}

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof init;
    init.dwICC = ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)done;  // without version 6 the platform still offers the classes; creation reports any failure
}

}  // namespace

HFONT CreateLayoutFont(const LayoutProperty& font, int dpi) {
  std::wstring face = Widen(font.values[0].text);
  LOGFONTW description{};
  description.lfHeight = -MulDiv(font.values[1].number, dpi, 72);
  description.lfWeight = FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(description.lfFaceName, face.c_str(), LF_FACESIZE);
  return CreateFontIndirectW(&description);
}

COLORREF LayoutColour(const LayoutProperty& property) {
  const auto& v = property.values;
  if (v.size() == 3) return RGB(v[0].number, v[1].number, v[2].number);
  const std::string& name = v[0].text;
  const LayoutNamedColour* colour = FindNamedColour(name);
  if (!colour) throw EError("Layout, Zeile " + std::to_string(property.line) + ": unbekannte Farbe " + name);
  if (colour->systemColour != kFixedColour) return GetSysColor(colour->systemColour);
  return RGB(colour->red, colour->green, colour->blue);
}

// ---------------------------------------------------------------------------

TControl::TControl(TForm& form, const LayoutNode& node) : form_(form), name_(node.name), kind_(node.kind) {
  if (const LayoutProperty* colour = node.Find("Color")) colour_ = LayoutColour(*colour);
  if (const LayoutProperty* colour = node.Find("FontColor")) fontColour_ = LayoutColour(*colour);
}

TControl::~TControl() = default;

void TControl::Create(const LayoutNode& node, HWND parent, LPCWSTR className, DWORD style, DWORD exStyle,
                      bool own) {
  style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (node.Flag("Visible", true)) style |= WS_VISIBLE;
  if (!node.Flag("Enabled", true)) style |= WS_DISABLED;
  if (node.Find("TabOrder")) style |= WS_TABSTOP;
  std::wstring caption = Widen(node.Text("Caption").value_or(node.Text("Text").value_or("")));
  Bounds bounds = ScaledBounds(form_, node);
  if (own) {
    CreateHandle(exStyle, className, caption.c_str(), style, bounds.left, bounds.top, bounds.width,
                 bounds.height, parent);
  } else {
    HWND window =
        CreateWindowExW(exStyle, className, caption.c_str(), style, bounds.left, bounds.top, bounds.width,
                        bounds.height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) throw EError(Format("Steuerelement %s kann nicht erstellt werden", name_));
    Attach(window);
  }
  ApplyFont(node);
}

void TControl::ApplyFont(const LayoutNode& node) {
  UniqueHfont own;
  if (const LayoutProperty* font = node.Find("Font")) own.reset(CreateLayoutFont(*font, form_.Scale(96)));
  SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(own ? own.get() : form_.FontHandle()), FALSE);
  // Only now may the font the control had go.
  font_ = std::move(own);
}

void TControl::Rescale(const LayoutNode& node) {
  ApplyFont(node);
  Bounds bounds = ScaledBounds(form_, node);
  SetWindowPos(Handle(), nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TControl::BoundsInParent() const {
  RECT r;
  GetWindowRect(Handle(), &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(Handle()), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring TControl::Caption() const {
  int length = GetWindowTextLengthW(Handle());
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(Handle(), text.data(), length + 1)));
  return text;
}

void TControl::SetCaption(std::wstring_view caption) {
  SetWindowTextW(Handle(), std::wstring(caption).c_str());
}

HBRUSH TControl::ControlColour(HDC dc) {
  COLORREF background = colour_ != CLR_INVALID ? colour_ : form_.Colour();
  SetTextColor(dc, fontColour_ != CLR_INVALID ? fontColour_ : form_.FontColour());
  SetBkColor(dc, background);
  if (!brush_) brush_.reset(CreateSolidBrush(background));
  return brush_.get();
}

// ---------------------------------------------------------------------------

LRESULT TPaintedControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintGuard paint(Handle());
      Paint(paint.get());
      return 0;
    }
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
  }
  return Default(message, wParam, lParam);
}

TImage::TImage(TForm& form, const LayoutNode& node, HWND parent) : TPaintedControl(form, node) {
  RegisterClassOnce(kImageClass, CS_DBLCLKS, nullptr);
  stretch_ = node.Flag("Stretch", false);
  if (node.Find("Picture")) picture_ = TPicture::FromResource(node.Name("Picture", ""));
  Create(node, parent, kImageClass, 0, 0, true);
}

void TImage::SetPicture(const TPicture& picture) {
  picture_ = picture;
  Repaint();
}

void TImage::SetPicture(TPicture&& picture) {
  picture_ = std::move(picture);
  Repaint();
}

void TImage::Repaint() {
  InvalidateRect(Handle(), nullptr, FALSE);
  // A transparent sibling above the picture (a hint label) draws only its text
  // and is not clipped out of the picture: the new picture would paint over
  // that text unless the sibling paints again too. The platform paints
  // transparent windows after the siblings beneath them.
  RECT mine;
  GetWindowRect(Handle(), &mine);
  for (HWND above = GetWindow(Handle(), GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
    RECT theirs, overlap;
    GetWindowRect(above, &theirs);
    if ((GetWindowLongW(above, GWL_EXSTYLE) & WS_EX_TRANSPARENT) && IntersectRect(&overlap, &mine, &theirs))
      InvalidateRect(above, nullptr, FALSE);
  }
}

void TImage::Paint(HDC dc) {
  RECT client;
  GetClientRect(Handle(), &client);
  if (stretch_ && !picture_.Empty()) {
    picture_.StretchDraw(dc, client);
    return;
  }
  // Where the picture is smaller than the control, the window colour shows.
  picture_.DrawFilled(dc, client, BackgroundColour() != CLR_INVALID ? BackgroundColour() : Form().Colour());
}

LRESULT TImage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      pressed_ = true;
      SetCapture(Handle());
      return 0;
    case WM_LBUTTONUP: {
      if (!pressed_) return 0;
      pressed_ = false;
      ReleaseCapture();
      RECT client;
      GetClientRect(Handle(), &client);
      POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (PtInRect(&client, at) && OnClick) OnClick();
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressed_ = false;
      return 0;
  }
  return TPaintedControl::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------

namespace {

// Children report to their parent; the form is the one that knows them.
bool IsChildReport(UINT message) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      return true;
  }
  return false;
}

}  // namespace

TContainer::TContainer(TForm& form, const LayoutNode& node, HWND parent)
    : TPaintedControl(form, node), bevel_(node.Name("BevelOuter", "raised")) {
  RegisterClassOnce(kContainerClass, 0, nullptr);
  Create(node, parent, kContainerClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, true);
}

void TContainer::Paint(HDC dc) {
  RECT client;
  GetClientRect(Handle(), &client);
  HBRUSH brush = ControlColour(dc);
  FillRect(dc, &client, brush);
  std::wstring caption = Caption();
  SelectGuard selectFont(dc, Font());
  if (bevel_ == "raised") DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
  if (bevel_ == "lowered") DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
  if (!caption.empty())
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT TContainer::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsChildReport(message)) return SendMessageW(Form().Handle(), message, wParam, lParam);
  return TPaintedControl::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------

TGroupBox::TGroupBox(TForm& form, const LayoutNode& node, HWND parent) : TControl(form, node) {
  Create(node, parent, L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, false);
  if (!SetWindowSubclass(Handle(), &TGroupBox::Subclass, 0, reinterpret_cast<DWORD_PTR>(this)))
    throw EError(Format("Steuerelement %s kann nicht erstellt werden", Name()));
}

// The button class draws only the frame and the caption, counting on its
// parent to have painted beneath it; but the panel clips its children away.
// And it keeps its children's reports to itself, where the form would not see
// them. The subclass mends both.
LRESULT CALLBACK TGroupBox::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self) {
  auto* box = reinterpret_cast<TGroupBox*>(self);
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &TGroupBox::Subclass, id);
  if (message == WM_ERASEBKGND) {
    RECT client;
    GetClientRect(window, &client);
    HDC dc = reinterpret_cast<HDC>(wParam);
    FillRect(dc, &client, box->ControlColour(dc));
    return 1;
  }
  if (IsChildReport(message)) return SendMessageW(box->Form().Handle(), message, wParam, lParam);
  return DefSubclassProc(window, message, wParam, lParam);
}

// ---------------------------------------------------------------------------

TLabel::TLabel(TForm& form, const LayoutNode& node, HWND parent)
    : TControl(form, node),
      autoSize_(node.Flag("AutoSize", true)),
      transparent_(node.Flag("Transparent", false)) {
  DWORD style = SS_NOPREFIX | SS_NOTIFY | (node.Flag("WordWrap", false) ? SS_LEFT : SS_LEFTNOWORDWRAP);
  Create(node, parent, L"STATIC", style, transparent_ ? WS_EX_TRANSPARENT : 0, false);
  FitToText();
}

void TLabel::FitToText() {
  if (!autoSize_) return;
  std::wstring text = Caption();
  WindowDc dc(Handle());
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
  SelectGuard selectFont(dc.get(), font);
  RECT bounds{0, 0, 0, 0};
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &bounds,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SetWindowPos(Handle(), nullptr, 0, 0, bounds.right, bounds.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TLabel::Rescale(const LayoutNode& node) {
  TControl::Rescale(node);
  FitToText();
}

void TLabel::SetText(std::wstring_view text) {
  if (Caption() == text) return;
  SetCaption(text);
  FitToText();
}

HBRUSH TLabel::ControlColour(HDC dc) {
  HBRUSH brush = TControl::ControlColour(dc);
  if (!transparent_) return brush;
  SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void TLabel::Command(WORD code) {
  if (code == STN_CLICKED && OnClick) OnClick();
}

// ---------------------------------------------------------------------------

TButton::TButton(TForm& form, const LayoutNode& node, HWND parent) : TControl(form, node) {
  Create(node, parent, L"BUTTON", node.Flag("Default", false) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, 0, false);
}

void TButton::Command(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick();
}

TEdit::TEdit(TForm& form, const LayoutNode& node, HWND parent) : TControl(form, node) {
  Create(node, parent, L"EDIT", ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, false);
  // Without a MaxLength the field takes as much as the platform allows: 0 lifts
  // the default limit of 32,767 characters.
  SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(std::max(0, node.Integer("MaxLength", 0))), 0);
}

TComboBox::TComboBox(TForm& form, const LayoutNode& node, HWND parent) : TControl(form, node) {
  DWORD style = WS_VSCROLL | CBS_AUTOHSCROLL |
                (node.Name("Style", "dropDown") == "dropDownList" ? CBS_DROPDOWNLIST : CBS_DROPDOWN) |
                (node.Flag("Sorted", false) ? CBS_SORT : 0);
  Create(WithOpenList(node), parent, L"COMBOBOX", style, 0, false);
  for (const auto& item : node.Texts("Items"))
    SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  ApplyItemHeight(node);
  if (auto text = node.Text("Text")) SetCaption(Widen(*text));
}

void TComboBox::ApplyItemHeight(const LayoutNode& node) {
  if (int itemHeight = node.Integer("ItemHeight", 0); itemHeight > 0)
    SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, Form().Scale(itemHeight));
}

void TComboBox::Rescale(const LayoutNode& node) {
  TControl::Rescale(WithOpenList(node));
  ApplyItemHeight(node);
}

int TComboBox::ItemIndex() const {
  return static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int index) {
  SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int TComboBox::Count() const {
  return static_cast<int>(SendMessageW(Handle(), CB_GETCOUNT, 0, 0));
}

std::wstring TComboBox::Item(int index) const {
  auto length = SendMessageW(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

TTrackBar::TTrackBar(TForm& form, const LayoutNode& node, HWND parent) : TControl(form, node) {
  InitCommonControlsOnce();
  DWORD style = (node.Name("Orientation", "horizontal") == "vertical" ? TBS_VERT : TBS_HORZ) |
                (node.Flag("TickMarks", true) ? TBS_AUTOTICKS : TBS_NOTICKS);
  Create(node, parent, TRACKBAR_CLASSW, style, 0, false);
  SendMessageW(Handle(), TBM_SETRANGEMIN, FALSE, node.Integer("Min", 0));
  SendMessageW(Handle(), TBM_SETRANGEMAX, FALSE, node.Integer("Max", 10));
  SendMessageW(Handle(), TBM_SETLINESIZE, 0, node.Integer("LineSize", 1));
  SendMessageW(Handle(), TBM_SETPAGESIZE, 0, node.Integer("PageSize", 2));
  SendMessageW(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(node.Integer("Frequency", 1)), 0);
  SetPosition(node.Integer("Position", 0));
}

int TTrackBar::Position() const {
  return static_cast<int>(SendMessageW(Handle(), TBM_GETPOS, 0, 0));
}

void TTrackBar::SetPosition(int position) {
  SendMessageW(Handle(), TBM_SETPOS, TRUE, position);
}

TProgressBar::TProgressBar(TForm& form, const LayoutNode& node, HWND parent) : TControl(form, node) {
  InitCommonControlsOnce();
  Create(node, parent, PROGRESS_CLASSW, node.Flag("Smooth", false) ? PBS_SMOOTH : 0, 0, false);
  SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(node.Integer("Min", 0)),
               node.Integer("Max", 100));
  SetPosition(node.Integer("Position", 0));
}

int TProgressBar::Position() const {
  return static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0));
}

void TProgressBar::SetPosition(int position) {
  SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

// ---------------------------------------------------------------------------

namespace {

// The switch has no default, so a kind added to the layout's list without a
// control here does not compile.
std::unique_ptr<TControl> CreateControl(TForm& form, const LayoutNode& node, HWND parent) {
  if (std::optional<LayoutKind> kind = FindLayoutKind(node.kind)) {
    switch (*kind) {
      case LayoutKind::Image:
        return std::make_unique<TImage>(form, node, parent);
      case LayoutKind::Panel:
        return std::make_unique<TContainer>(form, node, parent);
      case LayoutKind::GroupBox:
        return std::make_unique<TGroupBox>(form, node, parent);
      case LayoutKind::Label:
        return std::make_unique<TLabel>(form, node, parent);
      case LayoutKind::Button:
        return std::make_unique<TButton>(form, node, parent);
      case LayoutKind::Edit:
        return std::make_unique<TEdit>(form, node, parent);
      case LayoutKind::ComboBox:
        return std::make_unique<TComboBox>(form, node, parent);
      case LayoutKind::TrackBar:
        return std::make_unique<TTrackBar>(form, node, parent);
      case LayoutKind::ProgressBar:
        return std::make_unique<TProgressBar>(form, node, parent);
      case LayoutKind::Form:
        break;  // only the root is a form, and it is no control
    }
  }
  throw EError(Format("unbekannte Steuerelementart %s", node.kind));
}

}  // namespace

void CreateControls(TForm& form, const LayoutNode& node, HWND parent,
                    std::vector<std::unique_ptr<TControl>>& all) {
  std::vector<std::pair<const LayoutNode*, HWND>> windows;
  for (const auto& child : node.children) {
    std::unique_ptr<TControl> control = CreateControl(form, child, parent);
    HWND handle = control->Handle();
    windows.emplace_back(&child, handle);
    all.push_back(std::move(control));
    CreateControls(form, child, handle, all);
  }
  // The platform's sibling order is both the stacking (first on top) and the
  // order in which Tab moves; sending each to the bottom in turn builds it.
  for (const LayoutNode* child : StackingOrder(node)) {
    auto entry =
        std::find_if(windows.begin(), windows.end(), [&](const auto& e) { return e.first == child; });
    SetWindowPos(entry->second, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

}  // namespace forms
