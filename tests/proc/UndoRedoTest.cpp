// The processing component's stepping undo with redo, as the main window uses it.
#include <gtest/gtest.h>

#include "imaging/proc/oxproc.h"

using namespace ox;

namespace {

// Red of the picture after `n` clears: n (the clears paint 1, 2, 3 ...).
uint8_t Red(const gfx::TDib& d) { return gfx::RedOf(d.GetPixelColor(1, 1)); }

void ClearTo(TOrvexProc& proc, int level) {
  proc.SetBackground(gfx::RGBColor(uint8_t(level), 0, 0));
  proc.Clear();
}

}  // namespace

TEST(ProcUndoSteps, TenLevelsBackAndForth) {
  for (TOXBitmapLocation loc : {oxblFile, oxblMemory}) {
    gfx::TDib dib(3, 2, gfx::TPixelFormat::pf24bit);
    TOrvexProc proc;
    proc.SetTarget(&dib);
    proc.SetUndoLocation(loc);
    proc.UndoSteps = true;
    proc.UndoLimit = 10;
    for (int i = 1; i <= 12; ++i) ClearTo(proc, i);
    ASSERT_EQ(proc.UndoCount(), 10);
    // Each undo goes one state further back, down to the oldest kept (after the second clear).
    for (int i = 11; i >= 2; --i) {
      proc.Undo();
      ASSERT_EQ(Red(dib), i) << "undo to " << i;
    }
    EXPECT_EQ(proc.UndoCount(), 0);
    EXPECT_EQ(proc.RedoCount(), 10);
    proc.Undo();  // nothing older is kept
    EXPECT_EQ(Red(dib), 2);
    for (int i = 3; i <= 12; ++i) {
      proc.Redo();
      ASSERT_EQ(Red(dib), i) << "redo to " << i;
    }
    proc.Redo();  // nothing newer
    EXPECT_EQ(Red(dib), 12);
    EXPECT_EQ(proc.UndoCount(), 10);
    EXPECT_EQ(proc.UndoCaption(0), "Clear");
  }
}

TEST(ProcUndoSteps, AnEditDropsTheRedoStepsAndCaptionsTravel) {
  gfx::TDib dib(3, 2, gfx::TPixelFormat::pf24bit);
  TOrvexProc proc;
  proc.SetTarget(&dib);
  proc.UndoSteps = true;
  proc.UndoLimit = 10;
  ClearTo(proc, 1);
  proc.Rotate(90, false);
  EXPECT_EQ(proc.UndoCaption(0).rfind("Rotate", 0), 0u);
  proc.Undo();
  EXPECT_EQ(dib.Width(), 3);
  EXPECT_EQ(proc.RedoCaption().rfind("Rotate", 0), 0u);
  EXPECT_EQ(proc.UndoCaption(0), "Clear");
  proc.Redo();
  EXPECT_EQ(dib.Width(), 2);  // turned again
  proc.Undo();
  ClearTo(proc, 5);  // a new edit: what Redo held is gone
  EXPECT_EQ(proc.RedoCount(), 0);
  proc.Redo();
  EXPECT_EQ(Red(dib), 5);
  proc.Undo();
  proc.Undo();
  EXPECT_EQ(Red(dib), 0);  // before the first clear
  proc.ClearAllUndo();
  EXPECT_EQ(proc.RedoCount(), 0);
}
