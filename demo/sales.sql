-- The demo database "Sales" for the embedded engine.
-- Build it with:  make-demo-db demo/sales.sql Sales.db
-- Tables are written in SQLite's dialect with SQL Server's type names, so
-- their columns behave like a server's; the procedures are T-SQL and are
-- stored as they stand. Batches are separated by lines holding only GO.

CREATE TABLE Categories (
    CategoryID INTEGER PRIMARY KEY AUTOINCREMENT,
    CategoryName nvarchar(15) NOT NULL,
    Description ntext,
    Picture image
);

CREATE TABLE Customers (
    CustomerID nchar(5) NOT NULL PRIMARY KEY,
    CompanyName nvarchar(40) NOT NULL,
    ContactName nvarchar(30),
    ContactTitle varchar(30),
    Address nvarchar(60),
    City nvarchar(15),
    Country nvarchar(15),
    Phone varchar(24),
    Notes nvarchar(max),
    CustomerGuid uniqueidentifier,
    RowVer rowversion
);

CREATE TABLE Employees (
    EmployeeID int identity(1,1) NOT NULL PRIMARY KEY,
    LastName nvarchar(20) NOT NULL,
    FirstName nvarchar(10) NOT NULL,
    Title varchar(30),
    Initials char(3),
    BirthDate date,
    HireDate datetime,
    StartTime time,
    LastLogin datetimeoffset,
    Salary money,
    VacationDays tinyint,
    IsActive bit NOT NULL DEFAULT 1,
    ReportsTo int,
    Photo varbinary(max),
    Notes text
);

CREATE TABLE Products (
    ProductID int identity NOT NULL PRIMARY KEY,
    ProductName nvarchar(40) NOT NULL,
    CategoryID int,
    QuantityPerUnit varchar(20),
    UnitPrice money DEFAULT 0,
    UnitsInStock smallint DEFAULT 0,
    ReorderLevel smallint DEFAULT 0,
    Discontinued bit NOT NULL DEFAULT 0,
    Weight real,
    Rating float,
    Barcode binary(8),
    Specs xml,
    Attributes sql_variant,
    RowVersion timestamp
);

CREATE TABLE Orders (
    OrderID int identity(1,1) NOT NULL PRIMARY KEY,
    CustomerID nchar(5),
    EmployeeID int,
    OrderDate datetime,
    RequiredDate smalldatetime,
    ShippedDate datetime2,
    Freight smallmoney DEFAULT 0,
    TaxRate numeric(5,3),
    TotalDue decimal(19,4),
    ShipName nvarchar(40),
    ShipCity nvarchar(15),
    ShipCountry nvarchar(15)
);

CREATE TABLE "Order Details" (
    OrderID int NOT NULL,
    ProductID int NOT NULL,
    UnitPrice money NOT NULL DEFAULT 0,
    Quantity smallint NOT NULL DEFAULT 1,
    Discount real NOT NULL DEFAULT 0,
    ExtendedPrice money GENERATED ALWAYS AS (UnitPrice * Quantity * (1 - Discount)) VIRTUAL,
    PRIMARY KEY (OrderID, ProductID)
);

CREATE TABLE AuditLog (
    LogID bigint identity(1,1) NOT NULL PRIMARY KEY,
    LoggedAt datetime2(3) NOT NULL,
    Severity integer,
    Action varchar(max),
    Payload varbinary(256),
    Amount numeric,
    Ratio decimal
);
GO

INSERT INTO Categories (CategoryName, Description, Picture) VALUES
    ('Beverages', 'Soft drinks, coffees, teas, beers, and ales', X'89504E470D0A1A0A'),
    ('Condiments', 'Sweet and savory sauces, relishes, spreads, and seasonings', NULL),
    ('Confections', '', X''),
    ('Dairy Products', 'Cheeses from Greece (Ελλάδα) and the Allgäu', X'FFD8FFE000104A46'),
    ('Seafood', NULL, NULL);

INSERT INTO Customers (CustomerID, CompanyName, ContactName, ContactTitle, Address, City,
                       Country, Phone, Notes, CustomerGuid, RowVer) VALUES
    ('ALFKI', 'Alfreds Futterkiste', 'Maria Anders', 'Sales Representative', 'Obere Str. 57',
     'Berlin', 'Germany', '030-0074321', 'Pays on time.', '6F9619FF-8B86-D011-B42D-00C04FC964FF',
     X'00000000000007D1'),
    ('MUELL', 'Müller & Söhne GmbH', 'Jürgen Müller', 'Owner', 'Königsallee 12', 'Düsseldorf',
     'Germany', NULL, NULL, NULL, X'00000000000007D2'),
    ('OBRIE', 'O''Brien''s "Irish" Pub', 'Seán O''Brien', '', '', 'Dublin', 'Ireland', '',
     'Quotes: single '' and double " both kept.', 'A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11',
     X'00000000000007D3'),
    ('ATHEN', 'Ελληνικά Τρόφιμα ΑΕ', 'Νίκος Παπαδόπουλος', 'Πωλήσεις', 'Οδός Ερμού 25',
     'Αθήνα', 'Ελλάδα', '+30 21 0123 4567', 'Greek customer since 2019.', NULL, X'00000000000007D4'),
    ('TOKYO', '東京トレーディング株式会社', '山田 太郎', '部長', '千代田区丸の内 1-1', '東京',
     '日本', '+81 3-1234-5678', 'Line one
Line two of a note with a line break.', 'D9B2D63D-A233-4123-847A-76838BF2413A',
     X'00000000000007D5'),
    ('EMPTY', 'Empty Values Ltd', NULL, NULL, NULL, NULL, NULL, NULL, '', NULL, X'00000000000007D6');

INSERT INTO Employees (EmployeeID, LastName, FirstName, Title, Initials, BirthDate, HireDate,
                       StartTime, LastLogin, Salary, VacationDays, IsActive, ReportsTo, Photo,
                       Notes) VALUES
    (1, 'Davolio', 'Nancy', 'Sales Representative', 'ND', '1968-12-08', '2012-05-01 00:00:00',
     '08:30:00', '2024-03-01 09:15:00.1234567 +01:00', 3250.5, 20, 1, 2, X'0102030405',
     'Education includes a BA in psychology.'),
    (2, 'Fuller', 'Andrew', 'Vice President, Sales', 'AF', '1972-02-19', '2010-08-14 09:00:00',
     '07:45:00', '2024-03-02 18:00:00 -05:00', 8000, 25, 1, NULL, NULL,
     'Andrew received his BTS commercial.'),
    (3, 'O''Neil', 'Síle', 'Sales Manager', 'SON', '1985-07-31', '2015-10-17 13:45:30.500',
     '09:00:00.5', NULL, NULL, 0, 0, 2, X'', ''),
    (4, 'Κωνσταντίνου', 'Ελένη', 'Inside Sales', NULL, NULL, '2021-01-04 00:00:00', NULL,
     '2024-02-29 23:59:59.9999999 +02:00', 2800.75, 15, 1, 3, NULL, NULL);

INSERT INTO Products (ProductID, ProductName, CategoryID, QuantityPerUnit, UnitPrice,
                      UnitsInStock, ReorderLevel, Discontinued, Weight, Rating, Barcode, Specs,
                      Attributes, RowVersion) VALUES
    (1, 'Chai', 1, '10 boxes x 20 bags', 18.00, 39, 10, 0, 0.5, 4.25, X'0012345678905000',
     '<spec><origin>India</origin></spec>', 'tea', X'0000000000000FA1'),
    (2, 'Aniseed Syrup', 2, '12 - 550 ml bottles', 10.00, 13, 25, 0, 7.2, 3.5, NULL, NULL, 42,
     X'0000000000000FA2'),
    (3, 'Grandma''s Boysenberry Spread', 2, '12 - 8 oz jars', 25.00, 120, 25, 0, NULL, NULL,
     X'4006381333931000', '<spec quote="''"/>', NULL, X'0000000000000FA3'),
    (4, 'Feta "Ελληνική"', 4, '', 12.5, 0, 0, 1, 0.25, 1.0E-3, X'', '', '', X'0000000000000FA4'),
    (5, '東京 Green Tea', 1, '24 tins', 1234567.8912, -1, 5, 0, 0.125, 5.0, X'FF00FF00FF00FF00',
     NULL, 3.14159, X'0000000000000FA5'),
    (6, 'Röd Kaviar', 5, '24 - 150 g jars', 15.00, 101, 5, 0, 3.75, 2.0, NULL, NULL, NULL,
     X'0000000000000FA6');

INSERT INTO Orders (OrderID, CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate,
                    Freight, TaxRate, TotalDue, ShipName, ShipCity, ShipCountry) VALUES
    (10248, 'ALFKI', 1, '2024-01-04 00:00:00', '2024-02-01 00:00', '2024-01-16 14:30:15.1234567',
     32.38, 0.190, 472.3800, 'Alfreds Futterkiste', 'Berlin', 'Germany'),
    (10249, 'MUELL', 4, '2024-01-05 10:15:00', '2024-02-16 12:00', NULL, 11.61, 0.190, 1863.4000,
     'Müller & Söhne GmbH', 'Düsseldorf', 'Germany'),
    (10250, 'OBRIE', 3, '2024-01-08 23:59:59.997', NULL, '2024-01-12 00:00:00', 65.83, 0.230,
     NULL, 'O''Brien''s "Irish" Pub', 'Dublin', 'Ireland'),
    (10251, 'TOKYO', 1, '2024-02-29 12:00:00', '2024-03-28 00:00', '2024-03-05 09:00:00', 0, 0.100,
     15.0000, '東京トレーディング', '東京', '日本'),
    (10252, 'ATHEN', 2, '2024-03-01 08:00:00', NULL, NULL, NULL, NULL, NULL, NULL, 'Αθήνα',
     'Ελλάδα');

INSERT INTO "Order Details" (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES
    (10248, 1, 18.00, 12, 0),
    (10248, 2, 10.00, 10, 0),
    (10249, 3, 25.00, 9, 0),
    (10249, 6, 15.00, 40, 0.05),
    (10250, 4, 12.50, 10, 0.15),
    (10251, 5, 15.00, 1, 0),
    (10252, 1, 18.00, 3, 0.25);

INSERT INTO AuditLog (LogID, LoggedAt, Severity, Action, Payload, Amount, Ratio) VALUES
    (1, '2024-01-04 00:00:00.000', 0, 'Order 10248 placed', X'DEADBEEF', 472, 1),
    (2, '2024-01-05 10:15:00.125', 1, 'Order 10249 placed by Müller', NULL, 1863, NULL),
    (3, '2024-01-08 23:59:59.997', 2, '', X'', NULL, 0),
    (4, '2024-02-29 12:00:00.000', NULL, NULL, NULL, NULL, NULL);
GO

CREATE VIEW "Order Summary" AS
SELECT o.OrderID, o.OrderDate, c.CompanyName, c.Country,
       COUNT(d.ProductID) AS Lines,
       SUM(d.UnitPrice * d.Quantity * (1 - d.Discount)) AS Subtotal
FROM Orders o
JOIN Customers c ON c.CustomerID = o.CustomerID
LEFT JOIN "Order Details" d ON d.OrderID = o.OrderID
GROUP BY o.OrderID, o.OrderDate, c.CompanyName, c.Country;

CREATE VIEW ProductsAboveAveragePrice AS
SELECT ProductName, UnitPrice
FROM Products
WHERE UnitPrice > (SELECT AVG(UnitPrice) FROM Products);
GO

CREATE PROCEDURE SP_LogAction
    @Severity int,
    @Action varchar(max),
    @Amount numeric(18,0) = NULL
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO AuditLog (LoggedAt, Severity, Action, Amount)
    VALUES (SYSDATETIME(), @Severity, @Action, @Amount)
END
GO

CREATE PROCEDURE SP_RecalcOrderTotal
    @OrderID int
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @Total decimal(19,4)
    DECLARE @Message varchar(100)

    SELECT @Total = SUM(UnitPrice * Quantity * (1 - Discount))
    FROM [Order Details]
    WHERE OrderID = @OrderID

    UPDATE Orders
    SET TotalDue = ISNULL(@Total, 0) + ISNULL(Freight, 0)
    WHERE OrderID = @OrderID

    SET @Message = 'Order ' + CAST(@OrderID AS varchar(10)) + ' recalculated'
    EXEC dbo.SP_LogAction 0, @Message, @Total
END
GO

CREATE PROCEDURE [dbo].[SP_AddOrderLine]
    @OrderID int,
    @ProductID int,
    @Quantity smallint,
    @Discount real = 0
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @UnitPrice money

    SELECT @UnitPrice = UnitPrice FROM Products WHERE ProductID = @ProductID
    IF @UnitPrice IS NULL
    BEGIN
        RAISERROR('Product %d does not exist.', 16, 1, @ProductID)
        RETURN 1
    END

    INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount)
    VALUES (@OrderID, @ProductID, @UnitPrice, @Quantity, @Discount)

    EXECUTE SP_RecalcOrderTotal @OrderID
    RETURN 0
END
GO

CREATE PROCEDURE SP_PlaceOrder
    @CustomerID nchar(5),
    @EmployeeID int,
    @ProductID int,
    @Quantity smallint
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @OrderID int
    DECLARE @rc int

    BEGIN TRANSACTION
    INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, Freight)
    VALUES (@CustomerID, @EmployeeID, GETDATE(), 0)
    SET @OrderID = SCOPE_IDENTITY()

    EXEC @rc = SP_AddOrderLine @OrderID, @ProductID, @Quantity
    IF @rc <> 0
    BEGIN
        ROLLBACK TRANSACTION
        RETURN @rc
    END
    COMMIT TRANSACTION

    SELECT @OrderID AS OrderID
END
GO

CREATE PROCEDURE SP_INSERT_Customers
    @CustomerID nchar(5),
    @CompanyName nvarchar(40),
    @ContactName nvarchar(30) = NULL,
    @City nvarchar(15) = NULL,
    @Country nvarchar(15) = NULL
AS
INSERT INTO Customers (CustomerID, CompanyName, ContactName, City, Country, CustomerGuid)
VALUES (@CustomerID, @CompanyName, @ContactName, @City, @Country, NEWID())

EXEC [dbo].[SP_LogAction] 0, 'Customer added'
GO

CREATE PROCEDURE SP_UPDATE_Customers
    @CustomerID nchar(5),
    @CompanyName nvarchar(40),
    @ContactName nvarchar(30),
    @Phone varchar(24)
AS
-- Company names keep their letters: 'Müller & Söhne', 'Ελληνικά', '東京'.
UPDATE Customers
SET CompanyName = @CompanyName,
    ContactName = @ContactName,
    Phone = @Phone
WHERE CustomerID = @CustomerID
GO

CREATE PROCEDURE SP_DELETE_Customers
    @CustomerID nchar(5)
AS
IF EXISTS (SELECT * FROM Orders WHERE CustomerID = @CustomerID)
BEGIN
    RAISERROR('Customer %s still has orders.', 16, 1, @CustomerID)
    RETURN
END
DELETE FROM Customers WHERE CustomerID = @CustomerID
EXECUTE SP_LogAction 1, 'Customer deleted'
GO

CREATE PROCEDURE SP_GetCustomerOrders
    @CustomerID nchar(5)
AS
SELECT o.OrderID, o.OrderDate, o.RequiredDate, o.ShippedDate, o.Freight, o.TaxRate, o.TotalDue, o.ShipName, o.ShipCity, o.ShipCountry, d.ProductID, p.ProductName, d.UnitPrice, d.Quantity, d.Discount, d.UnitPrice * d.Quantity * (1 - d.Discount) AS ExtendedPrice, e.LastName AS EmployeeLastName
FROM Orders o
JOIN [Order Details] d ON d.OrderID = o.OrderID
JOIN Products p ON p.ProductID = d.ProductID
LEFT JOIN Employees e ON e.EmployeeID = o.EmployeeID
WHERE o.CustomerID = @CustomerID
ORDER BY o.OrderDate DESC, d.ProductID
GO

CREATE PROCEDURE SP_SELECT_ProductsByCategory
    @CategoryName nvarchar(15)
AS
SELECT p.ProductID, p.ProductName, p.UnitPrice, p.UnitsInStock
FROM Products p
JOIN Categories c ON c.CategoryID = p.CategoryID
WHERE c.CategoryName LIKE @CategoryName + '%'
  AND p.Discontinued = 0
ORDER BY p.ProductName
GO

CREATE PROCEDURE SP_UPDATE_ProductPrice
    @ProductID int,
    @UnitPrice money
AS
UPDATE Products SET UnitPrice = @UnitPrice WHERE ProductID = @ProductID
EXEC SP_LogAction 0, 'Price changed', @UnitPrice
GO

-- A second schema: purchasing keeps its own tables, a view and procedures
-- that call into dbo and are called from it.
CREATE SCHEMA Purchasing
GO

CREATE TABLE Purchasing.Suppliers (
    SupplierID int identity(1,1) NOT NULL PRIMARY KEY,
    CompanyName nvarchar(40) NOT NULL,
    Country nvarchar(15),
    Phone varchar(24)
);

CREATE TABLE Purchasing.PurchaseOrders (
    PurchaseOrderID int identity(1,1) NOT NULL PRIMARY KEY,
    SupplierID int NOT NULL,
    ProductID int NOT NULL,
    Quantity smallint NOT NULL,
    OrderedAt datetime NOT NULL,
    ReceivedAt datetime
);

-- Named as a dbo table: the schema tells the two apart.
CREATE TABLE Purchasing.Orders (
    OrderID int identity(1,1) NOT NULL PRIMARY KEY,
    SupplierID int NOT NULL,
    OrderDate datetime NOT NULL,
    Notes nvarchar(200)
);
GO

INSERT INTO Purchasing.Suppliers (SupplierID, CompanyName, Country, Phone) VALUES
    (1, 'Exotic Liquids', 'UK', '(171) 555-2222'),
    (2, 'Tokyo Traders', 'Japan', '(03) 3555-5011'),
    (3, 'Pavlova, Ltd.', 'Australia', '(03) 444-2343');

INSERT INTO Purchasing.PurchaseOrders (PurchaseOrderID, SupplierID, ProductID, Quantity, OrderedAt,
                                       ReceivedAt) VALUES
    (1, 1, 1, 40, '2024-01-10 09:00:00.000', '2024-01-15 14:30:00.000'),
    (2, 2, 2, 25, '2024-02-01 11:20:00.000', NULL);

INSERT INTO Purchasing.Orders (OrderID, SupplierID, OrderDate, Notes) VALUES
    (1, 1, '2024-01-10 09:00:00.000', 'Quarterly restock'),
    (2, 3, '2024-03-05 16:45:00.000', NULL);
GO

CREATE VIEW Purchasing.OpenPurchaseOrders AS
SELECT po.PurchaseOrderID, s.CompanyName, po.ProductID, po.Quantity, po.OrderedAt
FROM Purchasing.PurchaseOrders po
JOIN Purchasing.Suppliers s ON s.SupplierID = po.SupplierID
WHERE po.ReceivedAt IS NULL;
GO

CREATE PROCEDURE Purchasing.SP_ReceivePurchaseOrder
    @PurchaseOrderID int
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @ProductID int
    DECLARE @Quantity smallint

    SELECT @ProductID = ProductID, @Quantity = Quantity
    FROM Purchasing.PurchaseOrders
    WHERE PurchaseOrderID = @PurchaseOrderID

    UPDATE Purchasing.PurchaseOrders SET ReceivedAt = GETDATE()
    WHERE PurchaseOrderID = @PurchaseOrderID

    UPDATE dbo.Products SET UnitsInStock = UnitsInStock + @Quantity
    WHERE ProductID = @ProductID

    EXEC dbo.SP_LogAction 0, 'Purchase order received', @Quantity
END
GO

CREATE PROCEDURE Purchasing.SP_OrderStock
    @SupplierID int,
    @ProductID int,
    @Quantity smallint
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO Purchasing.PurchaseOrders (SupplierID, ProductID, Quantity, OrderedAt)
    VALUES (@SupplierID, @ProductID, @Quantity, GETDATE())
    EXEC SP_LogAction 0, 'Stock ordered', @Quantity
END
GO

CREATE PROCEDURE SP_RestockProduct
    @ProductID int,
    @SupplierID int
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @Missing smallint
    SELECT @Missing = ReorderLevel - UnitsInStock FROM Products WHERE ProductID = @ProductID
    IF @Missing > 0
        EXEC Purchasing.SP_OrderStock @SupplierID, @ProductID, @Missing
END
GO
