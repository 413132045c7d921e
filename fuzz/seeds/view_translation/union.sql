SELECT TOP 5 IIf(IsNull([Name]), "none", [Name] & " " & Nz([Code], 0)) AS Shown, Mid([Name], 2, 3)
FROM [Order Details] RIGHT JOIN Products ON [Order Details].ProductID = Products.ProductID
UNION ALL SELECT Name, Null FROM Suppliers;