TRANSFORM Sum(Orders.Total) AS Total
SELECT Orders.CustomerId FROM Orders
GROUP BY Orders.CustomerId
PIVOT Format(Orders.Date, "yyyy");