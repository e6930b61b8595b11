#include "sqltext/ProcedureFilter.h"

#include <gtest/gtest.h>

using namespace varnett::sqltext;
using Names = std::vector<std::string>;

namespace {

const Names kCatalog = {"SP_INSERT_Orders;1", "SP_UPDATE_Orders;1", "GetCustomer;1",
                        "sp_insert_lines;1"};

} // namespace

TEST(ProcedureFilter, DisplayNameDropsTheGroupSuffix)
{
    EXPECT_EQ(procedureDisplayName("SP_INSERT_Orders;1"), "SP_INSERT_Orders");
    EXPECT_EQ(procedureDisplayName("P;12"), "P");
    EXPECT_EQ(procedureDisplayName("NoSuffix"), "NoSuffix");
    EXPECT_EQ(procedureDisplayName("A;B"), "A;B");
    EXPECT_EQ(procedureDisplayName("Ends;"), "Ends;");
    EXPECT_EQ(procedureDisplayName("1234"), "1234");
}

TEST(ProcedureFilter, OpenDialogComparesUnderscoresAsBlanks)
{
    EXPECT_EQ(filterOpenDialog(kCatalog, ""),
              (Names{"SP_INSERT_Orders", "SP_UPDATE_Orders", "GetCustomer", "sp_insert_lines"}));
    EXPECT_EQ(filterOpenDialog(kCatalog, "sp insert"), (Names{"SP_INSERT_Orders", "sp_insert_lines"}));
    EXPECT_TRUE(filterOpenDialog(kCatalog, "SP_INSERT").empty());
    EXPECT_EQ(filterOpenDialog(kCatalog, "  orders\t"), (Names{"SP_INSERT_Orders", "SP_UPDATE_Orders"}));
    // The group suffix takes part: a lone semicolon lists every procedure.
    EXPECT_EQ(filterOpenDialog(kCatalog, ";").size(), 4u);
    EXPECT_EQ(filterOpenDialog(kCatalog, "S;1"), (Names{"SP_INSERT_Orders", "SP_UPDATE_Orders", "sp_insert_lines"}));
    // Blanks only trim to an empty key, which matches nothing.
    EXPECT_TRUE(filterOpenDialog(kCatalog, "   ").empty());
    EXPECT_TRUE(filterOpenDialog(kCatalog, "\t\r\n").empty());
    EXPECT_TRUE(filterOpenDialog(kCatalog, "nothing").empty());
}

TEST(ProcedureFilter, ProcedureListComparesUnderscoresAsThemselves)
{
    EXPECT_EQ(filterProcedureList(kCatalog, "Orders"), (Names{"SP_INSERT_Orders", "SP_UPDATE_Orders"}));
    EXPECT_EQ(filterProcedureList(kCatalog, " sp_insert "), (Names{"SP_INSERT_Orders", "sp_insert_lines"}));
    EXPECT_TRUE(filterProcedureList(kCatalog, "sp insert").empty());
    EXPECT_EQ(filterProcedureList(kCatalog, "").size(), 4u);
    EXPECT_TRUE(filterProcedureList(kCatalog, "  ").empty());
}
