// Window layouts are text resources (see docs/layout-format.md). They are parsed
// into these plain structs, checked against the property table of each control
// kind, and only then turned into windows, so a typo in a layout is an error at
// creation rather than a silently missing property.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

struct LayoutAtom {
  enum class Kind { Integer, Text, Name };
  Kind kind = Kind::Integer;
  int number = 0;
  std::string text;  // the text of a string or the spelling of a name
};

struct LayoutProperty {
  std::string key;
  std::vector<LayoutAtom> values;
  int line = 0;
};

struct LayoutNode {
  std::string name;
  std::string kind;       // "Form" for the root, otherwise the control kind
  std::string className;  // the root's form class, e.g. TShowProgress
  int line = 0;
  std::vector<LayoutProperty> properties;
  std::vector<LayoutNode> children;

  const LayoutProperty* Find(std::string_view key) const;
  int Integer(std::string_view key, int fallback) const;
  std::optional<std::string> Text(std::string_view key) const;
  std::string Name(std::string_view key, std::string_view fallback) const;
  bool Flag(std::string_view key, bool fallback) const;
  std::vector<std::string> Texts(std::string_view key) const;
  std::vector<int> Integers(std::string_view key) const;
  const LayoutNode* FindChild(std::string_view childName) const;  // searches the whole subtree
};

// The kinds of node a layout may name. The validator's property table and the
// control factory both go by this list, so a kind cannot be known to one of
// them and not to the other.
enum class LayoutKind { Form, Image, Panel, GroupBox, Label, Button, Edit, ComboBox, TrackBar, ProgressBar };

// The kind a node's kind name stands for; none for a name no layout may use.
std::optional<LayoutKind> FindLayoutKind(std::string_view kindName);

// Stands in for a system colour's index where a named colour is a fixed one;
// the platform's indices are never negative.
inline constexpr int kFixedColour = -1;

// A colour a layout may name: a fixed one, or one of the platform's system
// colours, which follow the user's colour scheme.
struct LayoutNamedColour {
  std::string_view name;
  int systemColour;  // a COLOR_* index, or kFixedColour for red, green, blue
  unsigned char red = 0;
  unsigned char green = 0;
  unsigned char blue = 0;
};

// The colour of that name; null for a name no layout may use.
const LayoutNamedColour* FindNamedColour(std::string_view name);

// Parses the text of one layout. Throws EError naming the line on any fault.
LayoutNode ParseLayout(std::string_view source);

// Checks every property of the tree against the table of its kind (known key,
// right number and kind of values, events only where the kind has them), and
// that no two siblings share a TabOrder.
void ValidateLayout(const LayoutNode& root);

// The children of a node from the top of the stack to the bottom: those with a
// TabOrder first, by ascending TabOrder (which is also the order Tab moves
// through them), then the others in reverse file order, so a control listed
// later lies over one listed earlier.
std::vector<const LayoutNode*> StackingOrder(const LayoutNode& parent);

}  // namespace forms
