#include "oldfiles.h"

const QStringList &file10Layout()
{
    static const QStringList statements = {
        "CREATE TABLE reg(firstname TEXT, lastname TEXT, address TEXT, version TEXT)",
        "CREATE TABLE payees(payeeid INTEGER PRIMARY KEY, payeename TEXT, accountnumber TEXT, "
        "mailingaddress TEXT, note TEXT)",
        "CREATE TABLE bills(billid INTEGER PRIMARY KEY, payeeid INTEGER, description TEXT, amount "
        "DECIMAL, duedatestring TEXT, duedate DATETIME, paid BOOL, note TEXT)"};
    return statements;
}

const QStringList &file11Layout()
{
    static const QStringList statements = {
        "CREATE TABLE filedata(firstname TEXT, lastname TEXT, address TEXT, version TEXT)",
        "CREATE TABLE payees(payeeid INTEGER PRIMARY KEY, payeename TEXT, accountnumber TEXT, "
        "mailingaddress TEXT, note TEXT, deleted BOOL)",
        "CREATE TABLE billschedule(billscheduleid INTEGER PRIMARY KEY, billscheduletype TEXT, "
        "weeklydayofweek INTEGER, monthlydayofmonth INTEGER, rangetype TEXT, rangestartdate "
        "DATETIME, rangeenddate DATETIME)",
        "CREATE TABLE bills(billid INTEGER PRIMARY KEY, payeeid INTEGER, description TEXT, amount "
        "DECIMAL, duedate DATETIME, paiddate DATETIME, billtype TEXT, billscheduleid INTEGER, paid "
        "BOOL, note TEXT, deleted BOOL)"};
    return statements;
}

const QStringList &file14Layout()
{
    static const QStringList statements = {
        "CREATE TABLE bills(id INTEGER primary key, billscheduleid INTEGER, payeeid INTEGER, "
        "description VARCHAR(100) not null, amount DECIMAL, insertdate DATETIME, duedate "
        "DATETIME, paiddate DATETIME, isunique BOOL, paid BOOL, note VARCHAR(400), deleted BOOL)",
        "CREATE TABLE billpayment (id INTEGER NOT NULL PRIMARY KEY, billid INTEGER, paymentdate "
        "DATETIME, amount DECIMAL)",
        "CREATE TABLE billschedule (id INTEGER NOT NULL PRIMARY KEY, scheduletype VARCHAR(20), "
        "dayofmonth INTEGER, dayofweek INTEGER, frequency INTEGER, frequencyvalue VARCHAR(20), "
        "rangetype VARCHAR(20), rangestartdate DATETIME, rangeenddate DATETIME)",
        "CREATE TABLE filedata( id INTEGER PRIMARY KEY, firstname varchar(50), lastname "
        "varchar(50), address varchar(200), emailaddress varchar(200), version varchar(10))",
        "CREATE TABLE payees(id INTEGER PRIMARY KEY, payeename VARCHAR(100) NOT NULL, "
        "accountnumber VARCHAR(200), mailingaddress VARCHAR(400), note VARCHAR(200), deleted "
        "BOOL)"};
    return statements;
}

const QStringList &file11Rows()
{
    static const QStringList statements = {
        "INSERT INTO filedata VALUES ('Ann', 'Lee', '1 Road', '1.1')",
        "INSERT INTO payees VALUES (3, 'Gas Co', 'G-1', 'Gas Street', 'gas', 0)",
        "INSERT INTO payees VALUES (7, 'Water', 'W-9', 'Lake Road', NULL, 1)",
        "INSERT INTO billschedule VALUES (2, 'MONTHLY', 0, 15, 'ENDON', '2007-01-15', "
        "'2007-12-15')",
        "INSERT INTO bills VALUES (10, 7, 'Water bill', 50.25, '2007-04-01', '2007-03-20', "
        "'RECURRING', 2, 0, 'quarterly', 0)",
        "INSERT INTO bills VALUES (11, 5, 'Orphan', 12, '2007-05-01', NULL, 'SINGLE', 0, 0, '', 0)",
        "INSERT INTO bills VALUES (12, 3, 'Gas bill', 30, '2007-06-01', NULL, 'SINGLE', 0, 0, "
        "NULL, 1)"};
    return statements;
}
