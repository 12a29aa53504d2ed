// The second account's check judges each privileged command by its answer,
// the folder its log went to and what the log says: a comparison that lets
// one of them pass unseen would call a stalled or misplaced command fine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "second_account_compare.h"

namespace kit {
namespace {

using Lines = std::vector<std::string>;

TEST(KitSecondAccountComparison, NamesAWrongAnswerFolderOrLogLine) {
  const CommandExpected held{1618, false, {"is in use by another program", "(process 4242)"}};
  const std::string log =
      "Nothing was started: \"C:\\P\\setup.exe\" is in use by another program (Windows: ...), "
      "held by run-checks.exe (process 4242); try again later.";
  EXPECT_EQ(CommandDifferences(held, {1618, "Tarnwell PDF Printer Software", log}), Lines{});
  EXPECT_EQ(CommandDifferences(held, {1603, "Tarnwell PDF Printer Software", log}),
            Lines{"it answered 1603, not 1618"});
  EXPECT_EQ(CommandDifferences(held, {std::nullopt, "", ""}),
            (Lines{"it did not end in time", "it wrote no log in ProgramData"}));
  EXPECT_EQ(CommandDifferences(held, {1618, "Tarnwell PDF Printer Software",
                                      "held by run-checks.exe (process 4243)"}),
            (Lines{"its log does not say \"is in use by another program\"",
                   "its log does not say \"(process 4242)\""}));

  const CommandExpected fresh{0, true, {}};
  EXPECT_EQ(CommandDifferences(fresh, {0, "Tarnwell PDF Printer Software-0123456789abcdef", ""}),
            Lines{});
  EXPECT_EQ(CommandDifferences(fresh, {0, "Tarnwell PDF Printer Software", ""}),
            Lines{"it logged in \"Tarnwell PDF Printer Software\", not in a fresh folder beside "
                  "\"Tarnwell PDF Printer Software\""});
  EXPECT_EQ(CommandDifferences(held, {1618, "Tarnwell PDF Printer Software-0123456789abcdef", log}),
            Lines{"it logged in \"Tarnwell PDF Printer Software-0123456789abcdef\", not in "
                  "\"Tarnwell PDF Printer Software\""});
  // Only the product's name, a hyphen and 16 lower-case hex digits.
  for (const char* other : {"Tarnwell PDF Printer Software-0123456789ABCDEF",
                            "Tarnwell PDF Printer Software-0123456789abcde",
                            "Tarnwell PDF Printer Software_0123456789abcdef",
                            "Tarnwell PDF Printer Softwar-0123456789abcdef0"}) {
    EXPECT_FALSE(IsFreshProductFolder(other)) << other;
  }
}

}  // namespace
}  // namespace kit
