// The seven start-up windows, built from their embedded layouts: order, main
// window, visibility and the geometry the layouts promise.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "app/Program.h"
#include "backgrounds/UnitBackgrounds.h"
#include "backgrounds/UnitScreenSaver.h"
#include "dialogs/UnitShowProgress.h"
#include "forms/Application.h"
#include "vessels/UnitScreenSaverForeground.h"
#include "vessels/UnitScreenSaverForegroundCalderine.h"
#include "vessels/UnitScreenSaverForegroundSarvane.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace {

using forms::Application;

class StartupWindows : public ::testing::Test {
 protected:
  void SetUp() override { app::CreateStartupWindows(); }
  void TearDown() override { Application.DestroyForms(); }
};

TEST_F(StartupWindows, AllSevenExistHiddenWithTheStageAsMainWindow) {
  forms::TForm* windows[] = {
      ScreenSaverBackground,          Backgrounds,  ScreenSaverForegroundSarvane, ScreenSaverForeground,
      ScreenSaverForegroundCalderine, ShowProgress, ScreenSaverForegroundThornax};
  for (forms::TForm* window : windows) {
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->Visible()) << window->Name();
  }
  EXPECT_EQ(Application.MainForm(), ScreenSaverBackground);
  wchar_t caption[64];
  GetWindowTextW(ScreenSaverBackground->Handle(), caption, 64);
  EXPECT_STREQ(caption, L"ScreenSaverBackground");
}

TEST_F(StartupWindows, StageAndItsPictureCoverThePrimaryScreen) {
  RECT bounds = ScreenSaverBackground->BoundsRect();
  EXPECT_EQ(bounds.left, 0);
  EXPECT_EQ(bounds.top, 0);
  EXPECT_EQ(bounds.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(bounds.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(ScreenSaverBackground->imgBackground.Width(), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(ScreenSaverBackground->imgBackground.Height(), GetSystemMetrics(SM_CYSCREEN));
}

TEST_F(StartupWindows, CraftWindowsHaveTheirLayoutGeometryAndSprites) {
  struct Case {
    TVesselForm* window;
    int left, top, clientWidth, clientHeight, imageWidth, imageHeight, spriteWidth, spriteHeight;
  } cases[] = {
      {ScreenSaverForegroundSarvane, 219, 133, 571, 301, 513, 257, 498, 248},
      {ScreenSaverForeground, 266, 285, 217, 154, 193, 145, 192, 144},
      {ScreenSaverForegroundCalderine, 266, 285, 347, 275, 321, 249, 300, 240},
      {ScreenSaverForegroundThornax, 219, 133, 571, 301, 513, 257, 500, 241},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window->Name());
    RECT bounds = c.window->BoundsRect();
    EXPECT_EQ(bounds.left, c.left);
    EXPECT_EQ(bounds.top, c.top);
    EXPECT_EQ(c.window->ClientWidth(), c.clientWidth);
    EXPECT_EQ(c.window->ClientHeight(), c.clientHeight);
    EXPECT_EQ(bounds.right - bounds.left, c.clientWidth)
        << "a borderless window's outer size is its client size";
    EXPECT_EQ(c.window->imgShuttle.Left(), 0);
    EXPECT_EQ(c.window->imgShuttle.Top(), 0);
    EXPECT_EQ(c.window->imgShuttle.Width(), c.imageWidth);
    EXPECT_EQ(c.window->imgShuttle.Height(), c.imageHeight);
    EXPECT_EQ(c.window->imgShuttle.Picture().Kind(), forms::TPicture::Format::Bitmap);
    EXPECT_EQ(c.window->imgShuttle.Picture().Width(), c.spriteWidth);
    EXPECT_EQ(c.window->imgShuttle.Picture().Height(), c.spriteHeight);
  }
}

TEST_F(StartupWindows, PictureHolderKeepsTheFiveJpegStreams) {
  forms::TImage* images[] = {&Backgrounds->imgDeepSpace, &Backgrounds->imgDolphin,
                             &Backgrounds->imgAsteroidenfeld, &Backgrounds->imgSonne, &Backgrounds->imgNebel};
  const char* resources[] = {"PIC_DEEPSPACE", "PIC_DOLPHIN", "PIC_ASTEROIDENFELD", "PIC_SONNE", "PIC_NEBEL"};
  for (int i = 0; i < 5; ++i) {
    const forms::TPicture& picture = images[i]->Picture();
    ASSERT_EQ(picture.Kind(), forms::TPicture::Format::Jpeg) << resources[i];
    EXPECT_EQ(picture.Width(), 1024);
    EXPECT_EQ(picture.Height(), 768);
    auto embedded = forms::ResourceBytes(resources[i], MAKEINTRESOURCEW(10));
    auto stream = picture.JpegStream();
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), embedded.begin(), embedded.end())) << resources[i];
    EXPECT_EQ(images[i]->Width(), 169);
    EXPECT_EQ(images[i]->Height(), 121);
  }
  RECT bounds = Backgrounds->BoundsRect();
  EXPECT_EQ(bounds.left, 221);
  EXPECT_EQ(bounds.top, 103);
  EXPECT_EQ(bounds.right - bounds.left, 387);
  EXPECT_EQ(bounds.bottom - bounds.top, 432);
}

TEST_F(StartupWindows, ProgressWindowSizesItselfToItsPanel) {
  EXPECT_EQ(ShowProgress->ClientWidth(), 430);
  EXPECT_EQ(ShowProgress->ClientHeight(), 44);
  EXPECT_EQ(ShowProgress->pbProgress.Position(), 0);
  EXPECT_EQ(ShowProgress->lblProgressComment.Width(), 403) << "the comment keeps its fixed size";
  EXPECT_EQ(
      ShowProgress->lblProgressComment.Caption(),
      L"Bildschirmschoner wird zum ersten Mal gestartet, Hintergrundbilder werden skaliert und gecache't...");
}

}  // namespace
