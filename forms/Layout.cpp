#include "forms/Layout.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <iterator>

#include "forms/Errors.h"

namespace forms {
namespace {

[[noreturn]] void Fail(int line, std::string_view what) {
  throw EError("Layout, Zeile " + std::to_string(line) + ": " + std::string(what));
}

bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsNameChar(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9');
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// A cursor over one line of layout text.
class LineReader {
 public:
  LineReader(std::string_view text, int line) : text_(text), line_(line) {}

  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }
  bool Accept(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Accept(c)) Fail(line_, std::string("'") + c + "' erwartet");
  }
  std::string ReadName() {
    SkipBlanks();
    if (pos_ >= text_.size() || !IsNameStart(text_[pos_])) Fail(line_, "Name erwartet");
    std::size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    return std::string(text_.substr(start, pos_ - start));
  }
  LayoutAtom ReadAtom() {
    SkipBlanks();
    if (pos_ >= text_.size()) Fail(line_, "Wert erwartet");
    char c = text_[pos_];
    if (c == '"') return {LayoutAtom::Kind::Text, 0, ReadString()};
    if (IsNameStart(c)) return {LayoutAtom::Kind::Name, 0, ReadName()};
    return {LayoutAtom::Kind::Integer, ReadInteger(), {}};
  }

 private:
  std::string ReadString() {
    ++pos_;  // opening quote
    std::string value;
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '"') return value;
      if (c == '\\') {
        if (pos_ >= text_.size()) break;
        char escaped = text_[pos_++];
        if (escaped == 'n')
          value += '\n';
        else if (escaped == '"' || escaped == '\\')
          value += escaped;
        else
          Fail(line_, "unbekannte Escape-Sequenz");
      } else {
        value += c;
      }
    }
    Fail(line_, "Text ohne schließendes Anführungszeichen");
  }
  int ReadInteger() {
    std::size_t start = pos_;
    if (text_[pos_] == '-' || text_[pos_] == '+') ++pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    std::string_view digits = text_.substr(start, pos_ - start);
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty())
      Fail(line_, "Zahl erwartet");
    return value;
  }

  std::string_view text_;
  int line_;
  std::size_t pos_ = 0;
};

bool StartsWithWord(std::string_view line, std::string_view word) {
  return line.substr(0, word.size()) == word && (line.size() == word.size() || IsBlank(line[word.size()]));
}

}  // namespace

LayoutNode ParseLayout(std::string_view source) {
  std::optional<LayoutNode> root;
  std::vector<LayoutNode*> open;  // innermost last
  int lineNumber = 0;
  while (!source.empty()) {
    ++lineNumber;
    std::size_t eol = source.find('\n');
    std::string_view text = source.substr(0, eol);
    source.remove_prefix(eol == std::string_view::npos ? source.size() : eol + 1);

    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    text.remove_prefix(first);
    if (text.empty() || text.front() == '#') continue;

    LineReader reader(text, lineNumber);
    if (StartsWithWord(text, "end")) {
      reader.ReadName();
      if (!reader.AtEnd()) Fail(lineNumber, "Text nach 'end'");
      if (open.empty()) Fail(lineNumber, "'end' ohne offenes Element");
      open.pop_back();
      continue;
    }
    if (StartsWithWord(text, "form")) {
      reader.ReadName();
      if (root) Fail(lineNumber, "nur ein 'form' je Layout");
      LayoutNode node;
      node.name = reader.ReadName();
      reader.Expect(':');
      node.className = reader.ReadName();
      node.kind = "Form";
      node.line = lineNumber;
      if (!reader.AtEnd()) Fail(lineNumber, "Text nach der Klasse");
      root = std::move(node);
      open.push_back(&*root);
      continue;
    }
    if (open.empty()) Fail(lineNumber, root ? "Text nach dem Ende der Form" : "'form' erwartet");

    std::string name = reader.ReadName();
    if (reader.Accept(':')) {
      LayoutNode child;
      child.name = std::move(name);
      child.kind = reader.ReadName();
      child.line = lineNumber;
      if (!reader.AtEnd()) Fail(lineNumber, "Text nach der Steuerelementart");
      // Earlier siblings are closed already, so growing this vector cannot
      // leave a dangling pointer in `open`.
      auto& siblings = open.back()->children;
      siblings.push_back(std::move(child));
      open.push_back(&siblings.back());
      continue;
    }
    reader.Expect('=');
    LayoutProperty property{std::move(name), {}, lineNumber};
    do {
      property.values.push_back(reader.ReadAtom());
    } while (reader.Accept(','));
    if (!reader.AtEnd()) Fail(lineNumber, "',' oder Zeilenende erwartet");
    if (open.back()->Find(property.key)) Fail(lineNumber, "Eigenschaft doppelt: " + property.key);
    open.back()->properties.push_back(std::move(property));
  }
  if (!root) Fail(lineNumber, "'form' erwartet");
  if (!open.empty()) Fail(open.back()->line, "'end' fehlt für " + open.back()->name);
  return std::move(*root);
}

const LayoutProperty* LayoutNode::Find(std::string_view key) const {
  for (const auto& property : properties)
    if (property.key == key) return &property;
  return nullptr;
}

namespace {

const LayoutAtom* Single(const LayoutNode& node, std::string_view key, LayoutAtom::Kind kind) {
  const LayoutProperty* property = node.Find(key);
  if (!property) return nullptr;
  if (property->values.size() != 1 || property->values[0].kind != kind)
    Fail(property->line, "unpassender Wert für " + property->key);
  return &property->values[0];
}

}  // namespace

int LayoutNode::Integer(std::string_view key, int fallback) const {
  const LayoutAtom* atom = Single(*this, key, LayoutAtom::Kind::Integer);
  return atom ? atom->number : fallback;
}

std::optional<std::string> LayoutNode::Text(std::string_view key) const {
  const LayoutAtom* atom = Single(*this, key, LayoutAtom::Kind::Text);
  if (!atom) return std::nullopt;
  return atom->text;
}

std::string LayoutNode::Name(std::string_view key, std::string_view fallback) const {
  const LayoutAtom* atom = Single(*this, key, LayoutAtom::Kind::Name);
  return atom ? atom->text : std::string(fallback);
}

bool LayoutNode::Flag(std::string_view key, bool fallback) const {
  const LayoutAtom* atom = Single(*this, key, LayoutAtom::Kind::Name);
  if (!atom) return fallback;
  if (atom->text != "true" && atom->text != "false") Fail(Find(key)->line, "true oder false erwartet");
  return atom->text == "true";
}

std::vector<std::string> LayoutNode::Texts(std::string_view key) const {
  std::vector<std::string> texts;
  if (const LayoutProperty* property = Find(key))
    for (const auto& atom : property->values) texts.push_back(atom.text);
  return texts;
}

std::vector<int> LayoutNode::Integers(std::string_view key) const {
  std::vector<int> numbers;
  if (const LayoutProperty* property = Find(key))
    for (const auto& atom : property->values) numbers.push_back(atom.number);
  return numbers;
}

const LayoutNode* LayoutNode::FindChild(std::string_view childName) const {
  for (const auto& child : children) {
    if (child.name == childName) return &child;
    if (const LayoutNode* found = child.FindChild(childName)) return found;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// The property table. Each key has one shape; a kind lists the keys it takes.

namespace {

enum class Shape {
  Integer,   // 12
  Text,      // "Ok"
  Flag,      // true | false
  Choice,    // one of a fixed set of names
  Colour,    // a colour name, or red, green, blue
  Font,      // "MS Sans Serif", 8   (face, points)
  Texts,     // "a", "b", ...
  Names,     // a, b, ...
  Event,     // the name of a handler of the form
  Resource,  // the name of an embedded resource
};

struct PropertyRule {
  std::string_view key;
  Shape shape;
  std::vector<std::string_view> choices = {};
};

constexpr LayoutNamedColour kNamedColours[] = {
    {"black", kFixedColour, 0, 0, 0},  {"white", kFixedColour, 255, 255, 255},
    {"navy", kFixedColour, 0, 0, 128}, {"btnFace", COLOR_BTNFACE},
    {"window", COLOR_WINDOW},          {"windowText", COLOR_WINDOWTEXT},
    {"btnText", COLOR_BTNTEXT},
};

const std::vector<PropertyRule> kBoundsKeys = {
    {"Left", Shape::Integer}, {"Top", Shape::Integer}, {"Width", Shape::Integer}, {"Height", Shape::Integer}};

const std::vector<PropertyRule> kAppearanceKeys = {
    {"Font", Shape::Font}, {"FontColor", Shape::Colour}, {"Color", Shape::Colour}};

// Forms are never visible at creation and take no part in a tab order.
const std::vector<PropertyRule> kControlKeys = {
    {"Visible", Shape::Flag}, {"Enabled", Shape::Flag}, {"TabOrder", Shape::Integer}};

struct KindRules {
  LayoutKind kind;
  std::string_view name;
  std::vector<PropertyRule> keys;
};

const std::vector<KindRules>& KindTable() {
  using enum LayoutKind;
  static const std::vector<KindRules> table = {
      {Form,
       "Form",
       {{"Caption", Shape::Text},
        {"ClientWidth", Shape::Integer},
        {"ClientHeight", Shape::Integer},
        {"BorderStyle", Shape::Choice, {"none", "single", "sizeable", "dialog"}},
        {"BorderIcons", Shape::Names},
        {"Placement", Shape::Choice, {"designed", "desktopCenter", "screenCenter"}},
        {"AutoSize", Shape::Flag},
        {"Scaled", Shape::Flag},
        {"OnShow", Shape::Event},
        {"OnActivate", Shape::Event},
        {"OnKeyDown", Shape::Event}}},
      {Image, "Image", {{"Picture", Shape::Resource}, {"Stretch", Shape::Flag}, {"OnClick", Shape::Event}}},
      {Panel,
       "Panel",
       {{"Caption", Shape::Text}, {"BevelOuter", Shape::Choice, {"none", "raised", "lowered"}}}},
      {GroupBox, "GroupBox", {{"Caption", Shape::Text}}},
      {Label,
       "Label",
       {{"Caption", Shape::Text},
        {"AutoSize", Shape::Flag},
        {"WordWrap", Shape::Flag},
        {"Transparent", Shape::Flag},
        {"OnClick", Shape::Event}}},
      {Button, "Button", {{"Caption", Shape::Text}, {"Default", Shape::Flag}, {"OnClick", Shape::Event}}},
      {Edit, "Edit", {{"Text", Shape::Text}, {"MaxLength", Shape::Integer}}},
      {ComboBox,
       "ComboBox",
       {{"Text", Shape::Text},
        {"Items", Shape::Texts},
        {"ItemHeight", Shape::Integer},
        {"Style", Shape::Choice, {"dropDown", "dropDownList"}},
        {"Sorted", Shape::Flag}}},
      {TrackBar,
       "TrackBar",
       {{"Min", Shape::Integer},
        {"Max", Shape::Integer},
        {"Position", Shape::Integer},
        {"LineSize", Shape::Integer},
        {"PageSize", Shape::Integer},
        {"Frequency", Shape::Integer},
        {"TickMarks", Shape::Flag},
        {"Orientation", Shape::Choice, {"horizontal", "vertical"}}}},
      {ProgressBar,
       "ProgressBar",
       {{"Min", Shape::Integer},
        {"Max", Shape::Integer},
        {"Position", Shape::Integer},
        {"Smooth", Shape::Flag}}},
  };
  return table;
}

const KindRules* FindKindRules(std::string_view name) {
  const auto& table = KindTable();
  auto it = std::find_if(table.begin(), table.end(), [&](const KindRules& k) { return k.name == name; });
  return it == table.end() ? nullptr : &*it;
}

const PropertyRule* FindRule(const std::vector<PropertyRule>& keys, std::string_view key) {
  auto it = std::find_if(keys.begin(), keys.end(), [&](const PropertyRule& rule) { return rule.key == key; });
  return it == keys.end() ? nullptr : &*it;
}

bool AllOf(const LayoutProperty& property, LayoutAtom::Kind kind) {
  return std::all_of(property.values.begin(), property.values.end(),
                     [&](const LayoutAtom& atom) { return atom.kind == kind; });
}

bool HasShape(const LayoutProperty& property, const PropertyRule& rule) {
  using K = LayoutAtom::Kind;
  const auto& v = property.values;
  auto one = [&](K kind) { return v.size() == 1 && v[0].kind == kind; };
  auto chosen = [&](const std::vector<std::string_view>& names) {
    return one(K::Name) && std::find(names.begin(), names.end(), v[0].text) != names.end();
  };
  switch (rule.shape) {
    case Shape::Integer:
      return one(K::Integer);
    case Shape::Text:
      return one(K::Text);
    case Shape::Flag:
      return chosen({"true", "false"});
    case Shape::Choice:
      return chosen(rule.choices);
    case Shape::Colour:
      if (v.size() == 3 && AllOf(property, K::Integer))
        return std::all_of(v.begin(), v.end(),
                           [](const LayoutAtom& a) { return a.number >= 0 && a.number <= 255; });
      return one(K::Name) && FindNamedColour(v[0].text);
    case Shape::Font:
      return v.size() == 2 && v[0].kind == K::Text && v[1].kind == K::Integer && v[1].number > 0;
    case Shape::Texts:
      return AllOf(property, K::Text);
    case Shape::Names:
      return AllOf(property, K::Name);
    case Shape::Event:
    case Shape::Resource:
      return one(K::Name);
  }
  return false;
}

// `names` collects every name of the tree: the form finds controls by name.
void ValidateNode(const LayoutNode& node, std::vector<std::string_view>& names) {
  if (std::find(names.begin(), names.end(), node.name) != names.end())
    Fail(node.line, "Name doppelt: " + node.name);
  names.push_back(node.name);
  const KindRules* kind = FindKindRules(node.kind);
  if (!kind) Fail(node.line, "unbekannte Steuerelementart " + node.kind);
  for (const auto& property : node.properties) {
    const PropertyRule* rule = FindRule(kind->keys, property.key);
    if (!rule) rule = FindRule(kBoundsKeys, property.key);
    if (!rule) rule = FindRule(kAppearanceKeys, property.key);
    if (!rule && node.kind != "Form") rule = FindRule(kControlKeys, property.key);
    if (!rule) Fail(property.line, "unbekannte Eigenschaft " + property.key + " für " + node.kind);
    if (!HasShape(property, *rule)) Fail(property.line, "unpassender Wert für " + property.key);
  }
  std::vector<int> tabOrders;
  for (const auto& child : node.children) {
    if (child.kind == "Form") Fail(child.line, "eine Form kann kein Steuerelement sein");
    ValidateNode(child, names);
    const LayoutProperty* tabOrder = child.Find("TabOrder");
    if (!tabOrder) continue;
    int position = tabOrder->values[0].number;
    if (position < 0) Fail(tabOrder->line, "TabOrder darf nicht negativ sein");
    if (std::find(tabOrders.begin(), tabOrders.end(), position) != tabOrders.end())
      Fail(tabOrder->line, "TabOrder doppelt: " + std::to_string(position));
    tabOrders.push_back(position);
  }
}

}  // namespace

std::optional<LayoutKind> FindLayoutKind(std::string_view kindName) {
  const KindRules* rules = FindKindRules(kindName);
  if (!rules) return std::nullopt;
  return rules->kind;
}

const LayoutNamedColour* FindNamedColour(std::string_view name) {
  auto it = std::find_if(std::begin(kNamedColours), std::end(kNamedColours),
                         [&](const LayoutNamedColour& colour) { return colour.name == name; });
  return it == std::end(kNamedColours) ? nullptr : &*it;
}

void ValidateLayout(const LayoutNode& root) {
  if (root.kind != "Form") Fail(root.line, "die Wurzel muss eine Form sein");
  std::vector<std::string_view> names;
  ValidateNode(root, names);
}

std::vector<const LayoutNode*> StackingOrder(const LayoutNode& parent) {
  std::vector<const LayoutNode*> tabbed;
  std::vector<const LayoutNode*> others;
  for (const auto& child : parent.children) (child.Find("TabOrder") ? tabbed : others).push_back(&child);
  std::stable_sort(tabbed.begin(), tabbed.end(), [](const LayoutNode* a, const LayoutNode* b) {
    return a->Integer("TabOrder", 0) < b->Integer("TabOrder", 0);
  });
  tabbed.insert(tabbed.end(), others.rbegin(), others.rend());
  return tabbed;
}

}  // namespace forms
