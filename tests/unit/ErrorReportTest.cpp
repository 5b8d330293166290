// The error report's text and caption rules.
#include <gtest/gtest.h>

#include "forms/Errors.h"

namespace {

TEST(ErrorReport, AddsFullStopOnlyAfterCharactersAboveFullStop) {
  struct Case {
    std::string message;
    std::string expected;
  } cases[] = {
      {"Leinwand/Bild erlaubt kein Zeichnen", "Leinwand/Bild erlaubt kein Zeichnen."},
      {"Fertig.", "Fertig."},
      {"", ""},
      {"Wirklich?", "Wirklich?."},  // '?' has a higher code than '.'
      {"Achtung!", "Achtung!"},     // '!' is below '.'
      {"Pfad C:\\", "Pfad C:\\."},
      {"Wert 7", "Wert 7."},
      {"Ende -", "Ende -"},           // '-' is below '.'
      {"Gr\xF6\xDF", "Gr\xF6\xDF."},  // Windows-1252 letters compare as unsigned bytes
      {"a)", "a)"},
  };
  for (const auto& c : cases) EXPECT_EQ(forms::WithFullStop(c.message), c.expected) << c.message;
}

TEST(ErrorReport, TitleIsFileNameUpToFirstDotWithTailLowerCased) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"C:\\Windows\\System32\\SarvaneShuttle.scr", "Sarvaneshuttle"},
      {"C:\\WINDOWS\\SARVANESHUTTLE.SCR", "Sarvaneshuttle"},
      {"Z:/build/win64/SarvaneShuttle.scr", "Sarvaneshuttle"},
      {"C:\\x\\my.saver.scr", "my"},
      {"C:\\x\\sarvane", "sarvane"},
      {"C:\\dir.with.dots\\ABC", "Abc"},
      {"D:Name.exe", "Name"},
  };
  for (const auto& c : cases) EXPECT_EQ(forms::ApplicationTitle(c.path), c.expected) << c.path;
}

TEST(ErrorReport, FormatReplacesTheFirstPlaceholder) {
  EXPECT_EQ(forms::Format("Ressource %s nicht gefunden", "RES_PREVIEW"),
            "Ressource RES_PREVIEW nicht gefunden");
  EXPECT_EQ(forms::Format("Datei %s kann nicht erstellt werden", "C:\\a%s.jpg"),
            "Datei C:\\a%s.jpg kann nicht erstellt werden");
  EXPECT_EQ(forms::Format("ohne Platzhalter", "x"), "ohne Platzhalter");
}

}  // namespace
