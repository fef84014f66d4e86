// TOrvex with its components: a load shows the picture and sets the resolution; edits go through undo;
// both components report progress through the view.
#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/view/Orvex.h"
#include "platform/system/SystemDouble.h"

using namespace ox;

TEST(Orvex, LoadEditUndoThroughTheComponents) {
  const std::string file = (std::filesystem::temp_directory_path() / "vantrel-orvex-test.bmp").string();
  {
    gfx::TDib dib(30, 20, gfx::TPixelFormat::pf24bit);
    dib.SetPixelColor(3, 4, gfx::RGBColor(10, 20, 30));
    TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.Params.DpiX = io.Params.DpiY = 150;
    io.SaveToFile(file);
    ASSERT_FALSE(io.Aborted);
  }
  TOrvex view;
  view.resize(200, 150);
  view.LoadFromFile(file);
  ASSERT_FALSE(view.IOComponent().Aborted);
  EXPECT_EQ(view.Picture().Width(), 30);
  EXPECT_EQ(view.IOComponent().Params.FileType, oxffBMP);
  EXPECT_EQ(view.DpiX(), 150);
  EXPECT_EQ(view.AlphaMask()->Width, 30);
  EXPECT_EQ(view.AlphaMask()->GetPixel(5, 5), 255);

  view.ProcComponent().Negative();
  EXPECT_EQ(view.Picture().GetPixelColor(3, 4), gfx::RGBColor(245, 235, 225));
  view.ProcComponent().Undo();
  EXPECT_EQ(view.Picture().GetPixelColor(3, 4), gfx::RGBColor(10, 20, 30));

  // The handler is set after the components were made and is still reached through them.
  std::vector<int> reports;
  view.SetOnProgress([&](TOrvexView* sender, int percent) {
    EXPECT_EQ(sender, &view);
    reports.push_back(percent);
  });
  view.LoadFromFile(file);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front(), 0);
  const size_t afterLoad = reports.size();
  view.ProcComponent().Negative();
  ASSERT_GT(reports.size(), afterLoad);
  EXPECT_EQ(reports.back(), 97);  // after the last of 20 rows: trunc(19 * 100 / 19.5)
  view.SetOnProgress({});
  view.ProcComponent().Negative();  // no handler: nothing to reach
  std::filesystem::remove(file);
}

// A picture whose file names no resolution takes the screen's of the view it is shown in, asked at each
// load: the library holds no process-wide resolution of its own.
TEST(Orvex, PictureWithoutResolutionTakesTheViewsScreen) {
  const std::string file = (std::filesystem::temp_directory_path() / "vantrel-orvex-dpi.ppm").string();
  {
    gfx::TDib dib(4, 3, gfx::TPixelFormat::pf24bit);
    TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.SaveToFile(file);
    ASSERT_FALSE(io.Aborted);
  }
  platform::TRecordingSystem sys;
  sys.DpiX = sys.DpiY = 120;
  TOrvex view(nullptr, &sys);
  view.LoadFromFile(file);
  ASSERT_FALSE(view.IOComponent().Aborted);
  EXPECT_EQ(view.IOComponent().Params.DpiX, 120);
  EXPECT_EQ(view.IOComponent().Params.DpiY, 120);
  sys.DpiX = sys.DpiY = 200;  // moved to another screen
  view.LoadFromFile(file);
  EXPECT_EQ(view.DpiX(), 200);
  // Without a view, the built-in default.
  gfx::TDib plain;
  TOrvexIO io;
  io.SetAttachedBitmap(&plain);
  io.LoadFromFile(file);
  EXPECT_EQ(io.Params.DpiX, kDefaultScreenDpi);
  std::filesystem::remove(file);
}
