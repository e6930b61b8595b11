#include "ServerFixture.h"

#include "sqltext/Error.h"

#include <gtest/gtest.h>

using namespace varnett::testing;

// Each generated kind, created on the server and called with values bound
// as ODBC parameters, does to the rows what its text says.
TEST(ServerGenerators, EachKindCreatedAndCalledWithBoundValues)
{
    struct Case {
        const char* options;
        bool keyed;
    };
    const Case cases[] = {{"", false}, {"--nocount", false}, {"--try-catch", false},
                          {"--key", true}, {"--nocount --try-catch --key", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        TempDir dir;
        ScratchDatabase db;
        db.run(kItems);
        std::vector<std::string> options;
        for (std::string rest = c.options; !rest.empty();) {
            auto blank = rest.find(' ');
            options.push_back(rest.substr(0, blank));
            rest = blank == std::string::npos ? "" : rest.substr(blank + 1);
        }
        auto with = [&](std::vector<std::string> args) {
            args.insert(args.end(), options.begin(), options.end());
            return args;
        };
        createGenerated(dir, db, with({"insert", "Items", "--name", "P_INS"}));
        if (c.keyed) {
            createGenerated(dir, db, with({"update", "Items", "--field", "Name", "--field", "Price",
                                           "--name", "P_UPD"}));
            createGenerated(dir, db, with({"delete", "Items", "--field", "Name", "--name", "P_DEL"}));
            createGenerated(dir, db, with({"select", "Items", "--where", "ItemID:=", "--name", "P_SEL"}));
        } else {
            createGenerated(dir, db, with({"update", "Items", "--field", "Name", "--field", "Price",
                                           "--where", "Code:=", "--name", "P_UPD"}));
            createGenerated(dir, db, with({"delete", "Items", "--field", "Code", "--name", "P_DEL"}));
            createGenerated(dir, db, with({"select", "Items", "--where", "Code:=", "--name", "P_SEL"}));
        }

        // The identity is left out of the INSERT: the server fills it.
        query(db.name(), "EXEC P_INS @pName = ?, @pPrice = ?, @pCode = ?", {"Tea", "2.50", "A"});
        query(db.name(), "EXEC P_INS @pName = ?, @pPrice = ?, @pCode = ?", {"O'Neil; --", "7", "B"});
        query(db.name(), "EXEC P_INS @pName = ?, @pPrice = NULL, @pCode = ?", {"Rye", "A"});
        EXPECT_EQ(rowsOf(query(db.name(), "SELECT ItemID, Name, Price, Code FROM Items ORDER BY ItemID")),
                  "1|Tea|2.50|A\n2|O'Neil; --|7.00|B\n3|Rye|NULL|A\n");

        if (c.keyed) {
            query(db.name(), "EXEC P_UPD @pItemID = ?, @pName = ?, @pPrice = ?", {"2", "Coffee", "3.10"});
            EXPECT_EQ(rowsOf(query(db.name(), "EXEC P_SEL @pItemID = ?", {"2"})),
                      "2|Coffee|3.10|B\n");
            query(db.name(), "EXEC P_DEL @pItemID = ?", {"1"});
        } else {
            // The WHERE selects the rows of code A, and only those.
            query(db.name(), "EXEC P_UPD @pName = ?, @pPrice = ?, @pCode = ?", {"Green", "1", "A"});
            EXPECT_EQ(rowsOf(query(db.name(), "EXEC P_SEL @pCode = ?", {"A"})),
                      "1|Green|1.00|A\n3|Green|1.00|A\n");
            query(db.name(), "EXEC P_DEL @pCode = ?", {"A"});
        }
        const std::string left = c.keyed ? "2|Coffee|3.10|B\n3|Rye|NULL|A\n" : "2|O'Neil; --|7.00|B\n";
        EXPECT_EQ(rowsOf(query(db.name(), "SELECT ItemID, Name, Price, Code FROM Items ORDER BY ItemID")),
                  left);
    }
}

// The identity OUTPUT option returns the new value; the rowversion check
// raises its error when the row changed since it was read.
TEST(ServerGenerators, IdentityOutputAndRowversionCheck)
{
    TempDir dir;
    ScratchDatabase db;
    db.run("CREATE TABLE dbo.Stock (StockID int IDENTITY(10,5) PRIMARY KEY, Qty int NOT NULL,"
           " Version rowversion)");
    createGenerated(dir, db, {"insert", "Stock", "--identity-output", "--name", "P_ADD"});
    createGenerated(dir, db, {"update", "Stock", "--field", "Qty", "--key", "--rowversion",
                              "--name", "P_SET"});
    createGenerated(dir, db, {"delete", "Stock", "--field", "Qty", "--key", "--rowversion",
                              "--name", "P_DROP"});

    EXPECT_EQ(scalar(db.name(), "DECLARE @id int; EXEC P_ADD @pQty = ?, @pStockID = @id OUTPUT;"
                                " SELECT @id", {"3"}), "10");
    EXPECT_EQ(scalar(db.name(), "DECLARE @id int; EXEC P_ADD @pQty = ?, @pStockID = @id OUTPUT;"
                                " SELECT @id", {"4"}), "15");

    // A version read before another change is stale.
    const std::string update = "DECLARE @v binary(8) = (SELECT Version FROM Stock WHERE StockID = 10);"
                               " UPDATE Stock SET Qty = Qty WHERE StockID = 10;"
                               " EXEC P_SET @pStockID = 10, @pQty = 99, @pVersion = @v";
    try {
        query(db.name(), update);
        ADD_FAILURE() << "a stale version updated the row";
    } catch (const varnett::Error& e) {
        EXPECT_NE(std::string(e.what()).find("The row was changed or deleted by another user."),
                  std::string::npos) << e.what();
    }
    EXPECT_EQ(scalar(db.name(), "SELECT Qty FROM Stock WHERE StockID = 10"), "3");
    // The current version updates and deletes it.
    query(db.name(), "DECLARE @v binary(8) = (SELECT Version FROM Stock WHERE StockID = 10);"
                     " EXEC P_SET @pStockID = 10, @pQty = 99, @pVersion = @v");
    EXPECT_EQ(scalar(db.name(), "SELECT Qty FROM Stock WHERE StockID = 10"), "99");
    query(db.name(), "DECLARE @v binary(8) = (SELECT Version FROM Stock WHERE StockID = 15);"
                     " EXEC P_DROP @pStockID = 15, @pVersion = @v");
    EXPECT_EQ(scalar(db.name(), "SELECT COUNT(*) FROM Stock"), "1");
}
