// The kit's comparison of the stock picture with what a PC shows: the
// Windows check prints these lines, and fails on any, so a comparison that
// misses a difference would call a wrong row measured. The lists here are
// made up to exercise the comparison; they claim nothing about Windows. Its
// own lists, each with its source, are in tests/data/stock-windows.txt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sddl_reader.h"
#include "stock_compare.h"

namespace kit {
namespace {

using Lines = std::vector<std::string>;

TEST(KitStockComparison, NamesEachDifferenceInOwnerProtectionAndEntries) {
  const std::string table =
      "O:SYG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;CI;0x116;;;BU)";
  // The same list as Windows may write it: SIDs, hex rights, flags in
  // another order, the entries in another order, no group.
  EXPECT_EQ(SddlDifferences(table,
                            "O:S-1-5-18D:PAI(A;CIOI;0x1f01ff;;;S-1-5-32-544)(A;OICI;FA;;;SY)"
                            "(A;OICI;GRGX;;;BU)(A;CI;0x116;;;S-1-5-32-545)"),
            (Lines{"only in the table: (A;OICI;0x1200a9;;;BU)",
                   "only on the PC: (A;OICI;GRGX;;;BU)"}));
  EXPECT_EQ(SddlDifferences(table,
                            "O:S-1-5-18D:PAI(A;CIOI;0x1f01ff;;;S-1-5-32-544)(A;OICI;FA;;;SY)"
                            "(A;OICI;0x1200a9;;;BU)(A;CI;0x116;;;S-1-5-32-545)"),
            Lines{});
  EXPECT_EQ(SddlDifferences(table, "O:BAD:AI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;BA)"
                                   "(A;OICI;0x1200a9;;;BU)(A;CI;0x116;;;AU)"),
            (Lines{"owner: the table has SY, the PC BA",
                   "the table's list is protected from inheritance, the PC's is not",
                   "only in the table: (A;CI;0x116;;;BU)", "only on the PC: (A;OICI;FA;;;BA)",
                   "only on the PC: (A;CI;0x116;;;AU)"}));
  // What Windows writes is read by the table's reader after respelling.
  EXPECT_EQ(InTableSpelling("O:S-1-5-32-544G:SYD:P(A;;FA;;;S-1-5-18)(A;OICIIO;GA;;;NS)"),
            "O:BAD:P(A;;FA;;;SY)(A;OICIIO;GA;;;S-1-5-20)");
}

TEST(KitStockComparison, NamesEachRuleThatJudgesTheMeasuredListOtherwise) {
  using tarnwell::testing::FromSddl;
  const tarnwell::AccessList table = FromSddl("O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
  EXPECT_EQ(VerdictDifferences(table, FromSddl("O:SYD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)")),
            Lines{});
  // Users may add files (0x116 on folders): no program or log may be there,
  // but a path may pass through it.
  EXPECT_EQ(VerdictDifferences(
                table, FromSddl("O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x116;;;BU)")),
            (Lines{"as a program's folder: the table's list is allowed, the PC's refused "
                   "(Users may write to it)",
                   "as the folder a log is in: the table's list is allowed, the PC's refused "
                   "(Users may write to it)"}));
  // Owned by a user, who may change the list.
  const std::string owned = "refused (it is owned by S-1-5-21-1-2-3-1001)";
  EXPECT_EQ(VerdictDifferences(table, FromSddl("O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;SY)")),
            (Lines{"as a program's folder: the table's list is allowed, the PC's " + owned,
                   "as a folder above a program: the table's list is allowed, the PC's " + owned,
                   "as the folder a log is in: the table's list is allowed, the PC's " + owned,
                   "as a folder above a log: the table's list is allowed, the PC's " + owned}));
}

}  // namespace
}  // namespace kit
