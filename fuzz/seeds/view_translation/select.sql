SELECT Customers.Name, Orders.Total
FROM Customers INNER JOIN Orders ON Customers.Id = Orders.CustomerId
WHERE Orders.Date > #1/2/2005# AND Customers.Name Like "A*"
ORDER BY Orders.Total DESC;