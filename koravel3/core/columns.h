#pragma once

// Column positions of a principal / principal1 row read with "select *".
// The tables keep this order (schema/schema.sql) because every reader takes
// the columns by position.
namespace column {

enum Principal {
    Id = 0,
    Name = 4,
    Address = 5,
    Contact = 6,
    Telephone = 7,
    Genre = 14,
    Make = 15,
    Model = 16,
    Plate = 17,
    PolicyNumber = 18,
    StubNumber = 19,
    Start = 20,
    Expiry = 21,
    Months = 24,
    Energy = 25,
    Power = 26,
    Seats = 29,
    Collected = 30,
    Invoiced = 31,
    ContactAddress = 39,
    IssueCount = 40,
};

} // namespace column
