#include <gtest/gtest.h>

#include "app/error_report.h"
#include "fake_machine.h"
#include "printer/install_command.h"

namespace tarnwell::testing {

TEST(Smoke, PackageMissing) {
  FakeMachine m;
  App app(m);
  app.title = L"Tarnwell PDF Printer";
  PushButton13_Click(app);
  ASSERT_EQ(m.shown.size(), 1u);
  EXPECT_EQ(m.shown[0].text, L"Quellmark PDF Setup not found.");
}

}  // namespace tarnwell::testing
