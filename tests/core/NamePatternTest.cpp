#include "sqltext/Error.h"
#include "sqltext/Generators.h"
#include "sqltext/NamePattern.h"
#include "support/Engines.h"

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::sqltext;
using varnett::testing::errorOf;

TEST(NamePattern, PlaceholdersSchemasAndHostileNames)
{
    const std::string longName(118, 'n');
    struct Row {
        const char* pattern;
        ObjectName table;
        ProcedureKind kind;
        ObjectName expected;
    };
    const Row rows[] = {
        {"SP_{kind}_{table}", {"dbo", "Orders"}, ProcedureKind::Update, {"dbo", "SP_UPDATE_Orders"}},
        {"{table}_{kind}", {"Sales", "Orders"}, ProcedureKind::Select, {"Sales", "Orders_SELECT"}},
        {"{schema}.p_{table}", {"Sales", "Orders"}, ProcedureKind::Insert, {"Sales", "p_Orders"}},
        {"Audit.{schema}_{table}_{kind}", {"Sales", "Orders"}, ProcedureKind::Delete,
         {"Audit", "Sales_Orders_DELETE"}},
        {"dbo.Write{table}", {"Sales", "Orders"}, ProcedureKind::Insert, {"dbo", "WriteOrders"}},
        // A placeholder's dot, bracket or quote belongs to the name.
        {"SP_{kind}_{table}", {"dbo", "a.b"}, ProcedureKind::Insert, {"dbo", "SP_INSERT_a.b"}},
        {"{schema}.SP_{table}", {"x]y z", "O'Brien [1]"}, ProcedureKind::Insert,
         {"x]y z", "SP_O'Brien [1]"}},
        {"SP {table}", {"dbo", "Order Details"}, ProcedureKind::Insert, {"dbo", "SP Order Details"}},
        {"[{table}]", {"dbo", "x"}, ProcedureKind::Insert, {"dbo", "[x]"}},
        {"P_{table}", {"Straße", "Grüße"}, ProcedureKind::Insert, {"Straße", "P_Grüße"}},
        {"{table}", {"dbo", std::string(128, 'w')}, ProcedureKind::Insert,
         {"dbo", std::string(128, 'w')}},
    };
    for (const Row& row : rows) {
        const ObjectName name = procedureNameFor(row.pattern, row.table, row.kind);
        EXPECT_EQ(name, row.expected) << row.pattern << " " << displayName(row.table);
        // The CREATE line names that very procedure.
        EXPECT_EQ(parseObjectName(procedureNameText(displayName(name))), row.expected)
            << procedureNameText(displayName(name));
    }

    // The default patterns name procedures as the single-table proposals do.
    const ProcedureKind kinds[] = {ProcedureKind::Insert, ProcedureKind::Update,
                                   ProcedureKind::Delete, ProcedureKind::Select};
    const ObjectName tables[] = {{"dbo", "Orders"}, {"Purchasing", "Orders"}, {"dbo", "a.b"},
                                 {"x]y z", "[q"}, {"dbo", "Order Details"}};
    for (ProcedureKind kind : kinds)
        for (const ObjectName& table : tables)
            EXPECT_EQ(displayName(procedureNameFor(defaultNamePattern(kind), table, kind)),
                      proposedProcedureName(kind, displayName(table)))
                << defaultNamePattern(kind) << " " << displayName(table);
}

TEST(NamePattern, WrongPatternsAndNamesTheServerCannotHold)
{
    const ObjectName orders{"Sales", "Orders"};
    struct Row {
        std::string pattern;
        ObjectName table;
        std::string error;
    };
    const Row rows[] = {
        {"SP_{tabel}", orders,
         "The name pattern 'SP_{tabel}' holds the unknown placeholder '{tabel}': use {schema}, "
         "{table} or {kind}."},
        {"SP_{Table}", orders,
         "The name pattern 'SP_{Table}' holds the unknown placeholder '{Table}': use {schema}, "
         "{table} or {kind}."},
        {"SP_{table", orders, "The name pattern 'SP_{table' leaves a '{' open."},
        {"SP_}{table}", orders, "The name pattern 'SP_}{table}' holds a '}' without a '{'."},
        {"a.b.{table}", orders,
         "The name pattern 'a.b.{table}' holds more than one dot: one parts the schema from the "
         "name."},
        {".{table}", orders, "The name pattern '.{table}' has nothing before or after its dot."},
        {"{schema}.", orders, "The name pattern '{schema}.' has nothing before or after its dot."},
        {"", orders, "The name pattern '' is empty."},
        {"{table}", {"dbo", std::string(129, 'w')}, "a procedure name longer than 128 characters"},
        {"SP_INSERT_{table}", {"dbo", std::string(119, 'w')},
         "a procedure name longer than 128 characters"},
        {"SP_{table} ", orders,
         "The name pattern 'SP_{table} ' gives the table 'Sales.Orders' a procedure name ending "
         "in a blank, which the server drops."},
        {"  .{table}", orders,
         "The name pattern '  .{table}' gives the table 'Sales.Orders' a procedure schema that "
         "is empty."},
        {"{schema}. ", orders, "a procedure name that is empty"},
        {"SP\t{table}", orders, "a procedure name holding a control character"},
        {"SP_\xff{table}", orders, "a procedure name that is no UTF-8 text"},
        {"#{table}", orders,
         "The name pattern '#{table}' gives the table 'Sales.Orders' a procedure name starting "
         "with '#', which makes a temporary procedure."},
    };
    for (const Row& row : rows) {
        const std::string message =
            errorOf([&] { procedureNameFor(row.pattern, row.table, ProcedureKind::Insert); });
        EXPECT_NE(message.find(row.error), std::string::npos) << row.pattern << ": " << message;
    }
    EXPECT_NO_THROW(checkNamePattern("{schema}.{kind}{table}"));
    EXPECT_THROW(checkNamePattern("{x}"), Error);
}
