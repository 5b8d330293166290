// The controls a layout can hold. Standard ones are the platform's own window
// classes; pictures and panels are drawn by the program, and the containers
// (panels and group boxes) pass their children's notifications up to the form.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Handles.h"
#include "forms/Layout.h"
#include "forms/Picture.h"
#include "forms/Window.h"

namespace forms {

class TForm;

class TControl : public TWinHandler {
 public:
  ~TControl() override;
  const std::string& Name() const { return name_; }
  const std::string& Kind() const { return kind_; }
  TForm& Form() const { return form_; }

  RECT BoundsInParent() const;
  int Left() const { return BoundsInParent().left; }
  int Top() const { return BoundsInParent().top; }
  int Width() const { return BoundsInParent().right - BoundsInParent().left; }
  int Height() const { return BoundsInParent().bottom - BoundsInParent().top; }
  void SetBounds(int left, int top, int width, int height);
  bool Visible() const { return IsWindowVisible(Handle()) != FALSE; }

  std::wstring Caption() const;
  void SetCaption(std::wstring_view caption);

  // Colours asked for by WM_CTLCOLOR*; a null brush means the platform's default.
  virtual HBRUSH ControlColour(HDC dc);
  // A WM_COMMAND notification from this control.
  virtual void Command(WORD) {}
  // Places the control and sets its font again from its layout node, at the
  // form's current dpi: after a move to a monitor of another scale.
  virtual void Rescale(const LayoutNode& node);
  std::function<void()> OnClick;

 protected:
  TControl(TForm& form, const LayoutNode& node);
  // Creates the window: a platform class, or a program class when `own` is set.
  void Create(const LayoutNode& node, HWND parent, LPCWSTR className, DWORD style, DWORD exStyle, bool own);
  COLORREF BackgroundColour() const { return colour_; }

 private:
  void ApplyFont(const LayoutNode& node);

  TForm& form_;
  std::string name_;
  std::string kind_;
  COLORREF colour_ = CLR_INVALID;
  COLORREF fontColour_ = CLR_INVALID;
  UniqueHbrush brush_;
  UniqueHfont font_;
};

// Controls of the program's own window classes, which paint themselves
// completely (so erasing first would only flicker).
class TPaintedControl : public TControl {
 protected:
  using TControl::TControl;
  virtual void Paint(HDC dc) = 0;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The font WM_SETFONT gave; the default window procedure keeps none.
  HFONT Font() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

class TImage : public TPaintedControl {
 public:
  TImage(TForm& form, const LayoutNode& node, HWND parent);
  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }
  // Replaces the picture (a copy) and repaints.
  void SetPicture(const TPicture& picture);
  void SetPicture(TPicture&& picture);
  bool Stretch() const { return stretch_; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;

 private:
  void Repaint();
  TPicture picture_;
  bool stretch_ = false;
  bool pressed_ = false;
};

// Panels, with their bevel.
class TContainer : public TPaintedControl {
 public:
  TContainer(TForm& form, const LayoutNode& node, HWND parent);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;

 private:
  std::string bevel_;
};

// The platform's group box, which may hold controls of its own.
class TGroupBox : public TControl {
 public:
  TGroupBox(TForm& form, const LayoutNode& node, HWND parent);

 private:
  static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
};

class TLabel : public TControl {
 public:
  TLabel(TForm& form, const LayoutNode& node, HWND parent);
  HBRUSH ControlColour(HDC dc) override;
  void Command(WORD code) override;
  void Rescale(const LayoutNode& node) override;
  // Changes the text only when it differs, so repeated updates do not flicker.
  void SetText(std::wstring_view text);

 private:
  void FitToText();
  bool autoSize_;
  bool transparent_;
};

class TButton : public TControl {
 public:
  TButton(TForm& form, const LayoutNode& node, HWND parent);
  void Command(WORD code) override;
};

class TEdit : public TControl {
 public:
  TEdit(TForm& form, const LayoutNode& node, HWND parent);
  std::wstring Text() const { return Caption(); }
  void SetText(std::wstring_view text) { SetCaption(text); }
  HBRUSH ControlColour(HDC) override { return nullptr; }  // edit fields keep the window colour
};

class TComboBox : public TControl {
 public:
  TComboBox(TForm& form, const LayoutNode& node, HWND parent);
  void Rescale(const LayoutNode& node) override;
  int ItemIndex() const;
  void SetItemIndex(int index);  // an index outside the list selects nothing
  int Count() const;
  std::wstring Item(int index) const;
  HBRUSH ControlColour(HDC) override { return nullptr; }

 private:
  void ApplyItemHeight(const LayoutNode& node);
};

class TTrackBar : public TControl {
 public:
  TTrackBar(TForm& form, const LayoutNode& node, HWND parent);
  int Position() const;
  void SetPosition(int position);  // the control clamps into its range
};

class TProgressBar : public TControl {
 public:
  TProgressBar(TForm& form, const LayoutNode& node, HWND parent);
  int Position() const;
  void SetPosition(int position);
};

// Builds the controls of a layout node's subtree, parents before children, in
// layout order, and stacks each node's children as StackingOrder says (which
// is also their tab order).
void CreateControls(TForm& form, const LayoutNode& node, HWND parent,
                    std::vector<std::unique_ptr<TControl>>& all);

// A font of a layout (face, points) at the given dpi.
HFONT CreateLayoutFont(const LayoutProperty& font, int dpi);

// A colour of a layout: a name or red, green, blue.
COLORREF LayoutColour(const LayoutProperty& property);

}  // namespace forms
