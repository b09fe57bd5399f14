// What escapes an event handler is shown to the operator and survived: the job stays open and
// the reading cycle goes on.

#include "gui/main/guarded_application.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>

#include <stdexcept>

#include "core/plan/plan.h"
#include "gui/program_rig.h"

namespace chromaflow {
namespace {

TEST(GuardedApplication, AGestureThatFailsIsShownAndTheJobGoesOn) {
  testing::ProgramRig rig;
  rig.openExample();
  QPushButton button(&rig.window);
  QObject::connect(&button, &QPushButton::clicked,
                   [] { throw std::length_error("cannot create std::vector larger than max_size()"); });
  button.show();
  QTest::mouseClick(&button, Qt::LeftButton);
  ASSERT_EQ(rig.asker.errors.size(), 1u);
  EXPECT_EQ(rig.asker.errors[0], failureText("cannot create std::vector larger than max_size()"));

  // A timer's handler too, and the program's own timers keep ticking after both.
  QTimer::singleShot(0, [] { throw 42; });
  rig.run(100);
  ASSERT_EQ(rig.asker.errors.size(), 2u);
  EXPECT_EQ(rig.asker.errors[1], failureText("erreur inconnue"));
  rig.session.setRunning(true);
  rig.run(2000);
  EXPECT_GT(rig.session.state().HoseFill + rig.session.state().Distance, 0);
  EXPECT_EQ(rig.session.plan().surfaceCount(), 4);
}

TEST(GuardedApplication, AWallTooLargeForTheLeadsTableIsLedAllTheSame) {
  // A surface of 1e8 m by 30 m with "Compensation du mélange" ticked: the program used to end here.
  testing::ProgramRig rig;
  rig.openExample();
  ASSERT_TRUE(rig.session.setSurface(1, Surface{1e8f, 30}));
  rig.session.setMixingLead(true);
  rig.session.setRunning(true);
  rig.run(1000);
  EXPECT_TRUE(rig.asker.errors.empty());
  EXPECT_TRUE(rig.session.plan().leadsTheMix());
}

}  // namespace
}  // namespace chromaflow
