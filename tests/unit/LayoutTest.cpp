// The layout text format: what it accepts, the line it blames, and the
// property table that every embedded layout must pass.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "forms/Errors.h"
#include "forms/Layout.h"
#include "forms/Picture.h"

namespace {

using forms::LayoutNode;
using forms::ParseLayout;

TEST(Layout, ParsesFormControlsAndEveryValueKind) {
  LayoutNode root = ParseLayout(
      "# comment\n"
      "form Configuration: TConfiguration\r\n"
      "  Caption = \"Durchl\xC3\xA4ufe \\\"x\\\" \\\\ #1\"\n"
      "  Left = -12\n"
      "  Color = 0, 0, 128\n"
      "  Font = \"MS Sans Serif\", 8\n"
      "  Panel1: Panel\n"
      "    # nested\n"
      "    Label1: Label\n"
      "      Caption = \"langsam\"\n"
      "    end\n"
      "  end\n"
      "  cbChooseVessel: ComboBox\n"
      "    Items = \"Sarvane\", \"zuf\xC3\xA4llig\"\n"
      "    Style = dropDown\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(root.name, "Configuration");
  EXPECT_EQ(root.className, "TConfiguration");
  EXPECT_EQ(root.kind, "Form");
  EXPECT_EQ(root.Text("Caption").value(), "Durchl\xC3\xA4ufe \"x\" \\ #1");
  EXPECT_EQ(root.Integer("Left", 0), -12);
  EXPECT_EQ(root.Integers("Color"), (std::vector<int>{0, 0, 128}));
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(root.children[0].children[0].name, "Label1");
  EXPECT_EQ(root.FindChild("Label1")->Text("Caption").value(), "langsam");
  EXPECT_EQ(root.FindChild("cbChooseVessel")->Texts("Items"),
            (std::vector<std::string>{"Sarvane", "zuf\xC3\xA4llig"}));
  EXPECT_EQ(root.FindChild("cbChooseVessel")->Name("Style", ""), "dropDown");
  EXPECT_EQ(root.FindChild("cbChooseVessel")->line, 13);
  EXPECT_NO_THROW(forms::ValidateLayout(root));
}

TEST(Layout, RejectsMalformedTextNamingTheLine) {
  struct Case {
    const char* text;
    int line;
  } cases[] = {
      {"", 0},
      {"Caption = \"x\"\n", 1},                          // property before the form
      {"form A: TA\n  Left = \n end\n", 2},              // missing value
      {"form A: TA\n  Left = 1 2\nend\n", 2},            // missing comma
      {"form A: TA\n  Caption = \"open\nend\n", 2},      // unterminated text
      {"form A: TA\n  Caption = \"\\q\"\nend\n", 2},     // unknown escape
      {"form A: TA\n  Left = 99999999999\nend\n", 2},    // out of range
      {"form A: TA\n  x: Label\nend\n", 1},              // unclosed: the form lacks its end
      {"form A: TA\nend\nend\n", 3},                     // stray end
      {"form A: TA\nend\nform B: TB\nend\n", 3},         // second form
      {"form A: TA\n  Left = 1\n  Left = 2\nend\n", 3},  // duplicate property
      {"form A: TA\nend\n  Left = 1\n", 3},              // text after the form
      {"form A TA\nend\n", 1},                           // missing colon
  };
  for (const auto& c : cases) {
    try {
      ParseLayout(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const forms::EError& error) {
      EXPECT_NE(std::string(error.what()).find("Zeile " + std::to_string(c.line) + ":"), std::string::npos)
          << c.text << " -> " << error.what();
    }
  }
}

TEST(Layout, ValidationRejectsUnknownKeysKindsAndMisshapenValues) {
  const char* cases[] = {
      "form A: TA\n  Colour = black\nend\n",                          // misspelt key
      "form A: TA\n  x: Slider\n  end\nend\n",                        // unknown kind
      "form A: TA\n  BorderStyle = round\nend\n",                     // not a choice
      "form A: TA\n  Left = \"1\"\nend\n",                            // text for a number
      "form A: TA\n  Color = 0, 0\nend\n",                            // two components
      "form A: TA\n  Color = 0, 0, 256\nend\n",                       // component out of range
      "form A: TA\n  Color = pink\nend\n",                            // unknown colour name
      "form A: TA\n  Font = \"MS Sans Serif\"\nend\n",                // no size
      "form A: TA\n  x: Image\n    Stretch = yes\n  end\nend\n",      // not a flag
      "form A: TA\n  x: Edit\n    OnClick = Foo\n  end\nend\n",       // event the kind lacks
      "form A: TA\n  x: Label\n    Picture = P\n  end\nend\n",        // key of another kind
      "form A: TA\n  Visible = true\nend\n",                          // a control key on the form
      "form A: TA\n  x: Panel\n    x: Label\n    end\n  end\nend\n",  // duplicate name, nested
      "form A: TA\n  A: Label\n  end\nend\n",                         // a control named as the form
      "form A: TA\n  x: Edit\n    TabOrder = 1\n  end\n  y: Edit\n    TabOrder = 1\n  end\nend\n",  // shared
      "form A: TA\n  x: Edit\n    TabOrder = -1\n  end\nend\n",  // negative tab order
  };
  for (const char* text : cases) {
    LayoutNode root = ParseLayout(text);
    EXPECT_THROW(forms::ValidateLayout(root), forms::EError) << text;
  }
}

// Controls with a TabOrder stack above the rest, in that order; the rest
// stack in reverse file order, so a label listed after a picture covers it.
// The same TabOrder in different parents is no clash.
TEST(Layout, StackingPutsTabOrderFirstThenLaterControlsOverEarlierOnes) {
  struct Case {
    const char* children;
    std::vector<std::string> topToBottom;
  } cases[] = {
      {"a: Label\n end\n b: Image\n end\n c: Label\n end\n", {"c", "b", "a"}},
      {"a: Label\n end\n b: Button\n TabOrder = 2\n end\n c: Edit\n TabOrder = 0\n end\n d: Image\n end\n",
       {"c", "b", "d", "a"}},
      {"p: Panel\n TabOrder = 1\n q: Edit\n TabOrder = 1\n end\n end\n r: Edit\n TabOrder = 0\n end\n",
       {"r", "p"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    LayoutNode root = ParseLayout(std::string("form A: TA\n") + c.children + "end\n");
    EXPECT_NO_THROW(forms::ValidateLayout(root)) << c.children;
    std::vector<std::string> names;
    for (const LayoutNode* child : forms::StackingOrder(root)) names.push_back(child->name);
    EXPECT_EQ(names, c.topToBottom) << c.children;
  }
}

// Every window's layout is embedded, parses, passes the table, and names the
// form class and the controls that the program's classes look up.
TEST(Layout, EmbeddedLayoutsDescribeTheirWindows) {
  struct Case {
    const char* resource;
    const char* className;
    std::vector<std::string> controls;
  } cases[] = {
      {"TSCREENSAVERBACKGROUND", "TScreenSaverBackground", {"imgBackground"}},
      {"TBACKGROUNDS",
       "TBackgrounds",
       {"imgDeepSpace", "imgDolphin", "imgAsteroidenfeld", "imgSonne", "imgNebel"}},
      {"TSCREENSAVERFOREGROUNDSARVANE", "TScreenSaverForegroundSarvane", {"imgShuttle"}},
      {"TSCREENSAVERFOREGROUND", "TScreenSaverForeground", {"imgShuttle"}},
      {"TSCREENSAVERFOREGROUNDCALDERINE", "TScreenSaverForegroundCalderine", {"imgShuttle"}},
      {"TSCREENSAVERFOREGROUNDTHORNAX", "TScreenSaverForegroundThornax", {"imgShuttle"}},
      {"TSHOWPROGRESS", "TShowProgress", {"Panel1", "pbProgress", "lblProgressComment"}},
      {"TCONFIGURATION",
       "TConfiguration",
       {"Panel1", "GroupBox1", "Label1", "Label2", "tbSpeed", "Label3", "imgPreview", "Label4", "Label5",
        "btnOk", "btnCancel", "edtPassCount", "cbChooseVessel"}},
  };
  for (const auto& c : cases) {
    auto bytes = forms::ResourceBytes(c.resource, MAKEINTRESOURCEW(10));
    LayoutNode root =
        ParseLayout(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    EXPECT_NO_THROW(forms::ValidateLayout(root)) << c.resource;
    EXPECT_EQ(root.className, c.className);
    EXPECT_EQ(root.name, std::string(c.className).substr(1));
    std::vector<std::string> names;
    auto collect = [&](auto&& self, const LayoutNode& node) -> void {
      for (const auto& child : node.children) {
        names.push_back(child.name);
        self(self, child);
      }
    };
    collect(collect, root);
    EXPECT_EQ(names, c.controls) << c.resource;
  }
}

}  // namespace
