#include "core/plan/surface_editor.h"

#include <gtest/gtest.h>

namespace chromaflow {
namespace {

struct SurfaceEditorFixture : ::testing::Test {
  ColourTable colours;
  Plan plan{colours};
  SurfaceEditor editor{plan};

  void SetUp() override {
    plan.appendSurface({2, 3});
    plan.appendSurface({1, 4});
    plan.appendSurface({3, 1});
  }
  void open(int row, const char* height = nullptr, const char* length = nullptr) {
    editor.rememberRow(row);
    editor.activate();
    if (height) editor.setHauteur(height);
    if (length) editor.setLongueur(length);
  }
};

TEST_F(SurfaceEditorFixture, AreaCheck) {
  struct Case { const char* height; const char* length; const char* surface; };
  for (const Case c : {Case{"2", "3", "6.00"}, Case{" 2", "3", "6.00"}, Case{"2,5", "3", "7.50"},
                       Case{"2,5,1", "3", "Suppression"}, Case{"2.5,1", "3", "Suppression"}, Case{",", "3", "Suppression"},
                       Case{"2 ", "3", "Suppression"}, Case{"", "3", "Suppression"}, Case{"0", "3", "Suppression"},
                       Case{"2", "0", "Suppression"}, Case{"2", "-3", "Suppression"}, Case{"1e39", "1", "Suppression"}}) {
    open(4, c.height, c.length);
    EXPECT_EQ(editor.surface(), c.surface) << "'" << c.height << "' x '" << c.length << "'";
  }
}

TEST_F(SurfaceEditorFixture, ActivationAndLeavingAField) {
  open(2);
  EXPECT_EQ(editor.hauteur(), "1.00");
  EXPECT_EQ(editor.surface(), "4.00");
  open(4);
  EXPECT_EQ(editor.hauteur(), "");
  EXPECT_EQ(editor.surface(), "Suppression");

  open(4, "2,5,1", "3");
  editor.leaveHauteur();
  EXPECT_EQ(editor.hauteur(), "");
  EXPECT_EQ(editor.surface(), "Suppression");
  open(4, "2", "3");
  editor.leaveHauteur();
  editor.leaveLongueur();
  EXPECT_EQ(editor.hauteur(), "2.00");
  EXPECT_EQ(editor.longueur(), "3.00");
  EXPECT_EQ(editor.surface(), "6.00");

  // Leaving a field rounds it to what is shown, and the area follows the rounded figure.
  open(4, "1.006", "100");
  EXPECT_EQ(editor.surface(), "100.60");
  editor.leaveHauteur();
  EXPECT_EQ(editor.hauteur(), "1.01");
  EXPECT_EQ(editor.surface(), "101.00");
}

TEST_F(SurfaceEditorFixture, OkReplacesTheRowAddsOnThePlusRowAndIgnoresSuppression) {
  open(2, "5", "2");
  const EditorOutcome replaced = editor.ok();
  EXPECT_TRUE(replaced.closes);
  EXPECT_EQ(replaced.redraw, MainRedraw::SurfaceAndProportionViews);
  EXPECT_EQ(plan.surfaceRow(2), (SurfaceRow{"2", "5.00", "2.00", "10.00", "5.00", "16.00"}));

  open(4, "1", "1");
  editor.ok();
  ASSERT_EQ(plan.surfaceCount(), 4);
  EXPECT_EQ(plan.surfaceRow(4)[5], "20.00");

  open(1, "2,5,1");
  EXPECT_TRUE(editor.ok().closes);
  EXPECT_EQ(plan.surfaceRow(1)[1], "2.00");
  EXPECT_EQ(plan.surfaceCount(), 4);
}

// The last row is one of the table's rows, not the " +" row after it.
TEST_F(SurfaceEditorFixture, TheLastRowIsRewrittenInsertedBeforeAndRemoved) {
  open(3, "4", "2");
  editor.ok();
  ASSERT_EQ(plan.surfaceCount(), 3);
  EXPECT_EQ(plan.surfaceRow(3), (SurfaceRow{"3", "4.00", "2.00", "8.00", "9.00", "18.00"}));
  open(3, "1", "1");
  editor.insert();
  ASSERT_EQ(plan.surfaceCount(), 4);
  EXPECT_EQ(plan.surfaceRow(3)[1], "1.00");
  EXPECT_EQ(plan.surfaceRow(4)[1], "4.00");
  open(4);
  editor.remove();
  ASSERT_EQ(plan.surfaceCount(), 3);
  EXPECT_EQ(plan.surfaceRow(3)[1], "1.00");
}

TEST_F(SurfaceEditorFixture, InsertOnRowTwoOfThree) {
  open(2, "2", "2");
  EXPECT_EQ(editor.insert().redraw, MainRedraw::SurfaceAndProportionViews);
  ASSERT_EQ(plan.surfaceCount(), 4);
  EXPECT_EQ(plan.surfaceRow(2), (SurfaceRow{"2", "2.00", "2.00", "4.00", "5.00", "10.00"}));
  EXPECT_EQ(plan.surfaceRow(3), (SurfaceRow{"3", "1.00", "4.00", "4.00", "9.00", "14.00"}));
  EXPECT_EQ(plan.surfaceRow(4), (SurfaceRow{"4", "3.00", "1.00", "3.00", "10.00", "17.00"}));
}

TEST_F(SurfaceEditorFixture, DeletingLeavesTheMainWindowToThePlanWindow) {
  open(4);
  const EditorOutcome nothing = editor.remove();
  EXPECT_TRUE(nothing.closes);
  EXPECT_EQ(nothing.redraw, MainRedraw::None);
  EXPECT_EQ(plan.surfaceCount(), 3);
  open(1);
  editor.remove();
  EXPECT_EQ(plan.surfaceRow(1)[4], "4.00");
  editor.removeAll();
  EXPECT_EQ(plan.surfaceCount(), 0);
}

TEST_F(SurfaceEditorFixture, ARowGoneSinceItWasSelectedIsTakenAsThePlusRow) {
  open(3, "2", "3");
  plan.clearSurfaces();  // the plan window's "Nouveau" while the editor is open
  editor.ok();
  ASSERT_EQ(plan.surfaceCount(), 1);
  EXPECT_EQ(plan.surfaceRow(1)[3], "6.00");
}

}  // namespace
}  // namespace chromaflow
