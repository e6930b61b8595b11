#include "sqltext/TableOrder.h"

#include <gtest/gtest.h>

using varnett::sqltext::foreignKeyOrder;
using Names = std::vector<std::string>;
using Positions = std::vector<std::size_t>;

TEST(TableOrder, TablesReferredToComeFirstElseTheGivenOrderStays)
{
    struct Case {
        const char* what;
        Names tables;
        std::vector<Names> referenced;
        Positions order;
    };
    const Case cases[] = {
        {"no keys", {"A", "B", "C"}, {{}, {}, {}}, {0, 1, 2}},
        {"child before parent", {"Lines", "Orders"}, {{"orders"}, {}}, {1, 0}},
        {"chain", {"C", "B", "A"}, {{"B"}, {"A"}, {}}, {2, 1, 0}},
        {"two parents in the order named", {"Lines", "X", "Products", "Orders"},
         {{"ORDERS", "products"}, {}, {}, {}}, {3, 2, 0, 1}},
        {"self reference and tables not scripted", {"Emp", "Dept"},
         {{"Emp", "Boss", "Dept"}, {"Site"}}, {1, 0}},
        {"cycle", {"A", "B", "C"}, {{"B"}, {"A"}, {}}, {1, 0, 2}},
        {"parent already placed", {"P", "C1", "C2"}, {{}, {"P"}, {"P", "C1"}}, {0, 1, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(foreignKeyOrder(c.tables, c.referenced), c.order) << c.what;
}
