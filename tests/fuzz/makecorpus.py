#!/usr/bin/env python3
"""Writes the seed corpus of the data file fuzzer (tests/fuzz/corpus): data files of every
version the program reads (1.0, 1.1, 1.2, 1.4, 1.5) with payees, bills, a series and payments, and
files of unusual shape. Pages of 512 bytes keep each file a few kilobytes, which the fuzzer
mutates much faster than files of 4 KiB pages.

    python3 tests/fuzz/makecorpus.py        (replaces the generated files, keeps the others)
"""
import os
import sqlite3

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")

# The tables of a current (1.2 and 1.4) file, as the program creates them.
CURRENT = [
    "CREATE TABLE bills(id INTEGER primary key, billscheduleid INTEGER, payeeid INTEGER, "
    "description VARCHAR(100) not null, amount DECIMAL, insertdate DATETIME, duedate DATETIME, "
    "paiddate DATETIME, isunique BOOL, paid BOOL, note VARCHAR(400), deleted BOOL);",
    "CREATE TABLE billpayment (id INTEGER NOT NULL PRIMARY KEY, billid INTEGER, paymentdate "
    "DATETIME, amount DECIMAL);",
    "CREATE TABLE billschedule (id INTEGER NOT NULL PRIMARY KEY, scheduletype VARCHAR(20), "
    "dayofmonth INTEGER, dayofweek INTEGER, frequency INTEGER, frequencyvalue VARCHAR(20), "
    "rangetype VARCHAR(20), rangestartdate DATETIME, rangeenddate DATETIME);",
    "CREATE TABLE filedata( id INTEGER PRIMARY KEY, firstname varchar(50), lastname "
    "varchar(50), address varchar(200), emailaddress varchar(200), version varchar(10));",
    "CREATE TABLE payees(id INTEGER PRIMARY KEY, payeename VARCHAR(100) NOT NULL, accountnumber "
    "VARCHAR(200), mailingaddress VARCHAR(400), note VARCHAR(200), deleted BOOL);",
]

FILE10 = [
    "CREATE TABLE reg(firstname TEXT, lastname TEXT, address TEXT, version TEXT)",
    "CREATE TABLE payees(payeeid INTEGER PRIMARY KEY, payeename TEXT, accountnumber TEXT, "
    "mailingaddress TEXT, note TEXT)",
    "CREATE TABLE bills(billid INTEGER PRIMARY KEY, payeeid INTEGER, description TEXT, amount "
    "DECIMAL, duedatestring TEXT, duedate DATETIME, paid BOOL, note TEXT)",
]

FILE11 = [
    "CREATE TABLE filedata(firstname TEXT, lastname TEXT, address TEXT, version TEXT)",
    "CREATE TABLE payees(payeeid INTEGER PRIMARY KEY, payeename TEXT, accountnumber TEXT, "
    "mailingaddress TEXT, note TEXT, deleted BOOL)",
    "CREATE TABLE billschedule(billscheduleid INTEGER PRIMARY KEY, billscheduletype TEXT, "
    "weeklydayofweek INTEGER, monthlydayofmonth INTEGER, rangetype TEXT, rangestartdate "
    "DATETIME, rangeenddate DATETIME)",
    "CREATE TABLE bills(billid INTEGER PRIMARY KEY, payeeid INTEGER, description TEXT, amount "
    "DECIMAL, duedate DATETIME, paiddate DATETIME, billtype TEXT, billscheduleid INTEGER, paid "
    "BOOL, note TEXT, deleted BOOL)",
]


def make(name, statements, journal_mode=None):
    path = os.path.join(CORPUS, name)
    if os.path.exists(path):
        os.remove(path)
    con = sqlite3.connect(path, isolation_level=None)
    con.execute("PRAGMA page_size = 512")
    if journal_mode:
        con.execute("PRAGMA journal_mode = " + journal_mode)
    con.execute("BEGIN")
    for statement in statements:
        con.execute(statement)
    con.execute("COMMIT")
    con.execute("VACUUM")
    con.close()


def current(version, extra=()):
    """A current layout file: payees, a monthly series of six bills, single bills, payments
    that cover one bill fully and another in part, a deleted payee and bill."""
    rows = [
        f"INSERT INTO filedata VALUES (1, 'Ann', 'Lee', '1 Road', 'ann@lee.example', '{version}')",
        "INSERT INTO payees VALUES (1, 'Power Co', 'P-100', '1 Main St\nSpringfield', '', 0)",
        "INSERT INTO payees VALUES (2, 'Water', 'W-9', 'Lake Road', 'quarterly', 0)",
        "INSERT INTO payees VALUES (5, 'Old Gym', '', '', '', 1)",
        "INSERT INTO billschedule VALUES (1, 'SINGLE', 0, 0, 0, '', 'ENDON', '2026-05-01', "
        "'2026-05-01')",
        "INSERT INTO billschedule VALUES (2, 'MONTHLY', 14, 0, 1, 'Monthly', 'ENDON', "
        "'2026-05-14', '2026-10-14')",
        "INSERT INTO billschedule VALUES (3, 'SINGLE', 0, 0, 0, '', 'ENDON', '2026-04-01', "
        "'2026-04-01')",
        "INSERT INTO bills VALUES (1, 1, 1, 'power', 80, '2026-05-01', '2026-05-17', "
        "'2000-01-01', 0, 0, '', 0)",
        "INSERT INTO bills VALUES (2, 3, 5, 'gym', 25, '2026-04-01', '2026-04-20', '2000-01-01', "
        "0, 0, 'cancelled', 1)",
    ]
    for month in range(6):
        rows.append(
            f"INSERT INTO bills VALUES ({10 + month}, 2, 2, 'water', 20.5, '2026-05-01', "
            f"'2026-{5 + month:02d}-14', '2000-01-01', {1 if month == 3 else 0}, 0, '', 0)")
    rows += [
        "INSERT INTO billpayment VALUES (1, 10, '2026-05-10T09:30:00.000', 20.5)",
        "INSERT INTO billpayment VALUES (2, 11, '2026-06-01T00:00:00.000', 5)",
        "INSERT INTO billpayment VALUES (3, 1, '2026-05-12T18:00:00.000', 80)",
    ]
    return CURRENT + rows + list(extra)


# What 1.5 adds to the 1.4 tables, in the columns' places at the end of each table.
LAYOUT15 = [
    "ALTER TABLE bills ADD COLUMN isestimate BOOL",
    "ALTER TABLE billpayment ADD COLUMN reference VARCHAR(100)",
    "ALTER TABLE billschedule ADD COLUMN amountrule VARCHAR(20)",
    "UPDATE bills SET isestimate = 0",
    "UPDATE billpayment SET reference = ''",
    "UPDATE billschedule SET amountrule = 'FIXED'",
]


def file15(extra=()):
    """The current file with its water series varying: two bills confirmed, one paid on an
    estimate in part, the rest estimates."""
    return current("1.5", LAYOUT15 + [
        "UPDATE billschedule SET amountrule = 'AVERAGE3' WHERE id = 2",
        "UPDATE bills SET amount = 23.75 WHERE id = 11",
        "UPDATE bills SET isestimate = 1 WHERE id >= 12 AND id < 20",
        "INSERT INTO billpayment VALUES (4, 12, '2026-07-01T08:00:00.000', 30, 'CHK 1001')",
    ] + list(extra))


# What 1.6 adds to the 1.5 tables: the statement lines recorded and the payees' aliases.
LAYOUT16 = [
    "CREATE TABLE importedtransactions(id INTEGER PRIMARY KEY, importid VARCHAR(200) UNIQUE, "
    "paymentid INTEGER, importdate DATETIME);",
    "CREATE TABLE payeealiases(id INTEGER PRIMARY KEY, payeeid INTEGER, alias VARCHAR(200));",
    "UPDATE filedata SET version = '1.6'",
    "INSERT INTO importedtransactions VALUES (1, 'ofx:1/2/3', 4, '2026-07-01T08:00:00.000')",
    "INSERT INTO payeealiases VALUES (1, 2, 'WATER WORKS DD')",
]


def file10():
    return FILE10 + [
        "INSERT INTO reg VALUES ('Ann', 'Lee', '1 Road', '1.0')",
        "INSERT INTO payees VALUES (4, 'Gas Co', 'G-1', 'Gas Street', 'gas')",
        "INSERT INTO payees VALUES (9, 'Phone', NULL, NULL, NULL)",
        "INSERT INTO bills VALUES (1, 9, 'Phone bill', 40, '01/01/1999', '2006-05-01', 0, 'May')",
        "INSERT INTO bills VALUES (2, 4, 'Gas bill', 30.5, '2006-06-15', NULL, 0, NULL)",
        "INSERT INTO bills VALUES (3, 4, 'Gas bill', 25, '07/04/2006', '', 1, '')",
        "INSERT INTO bills VALUES (4, 7, 'No payee', 12, '3/5/2006', 'soon', 1, 'x')",
    ]


def file11():
    rows = [
        "INSERT INTO filedata VALUES ('Ann', 'Lee', '1 Road', '1.1')",
        "INSERT INTO payees VALUES (3, 'Gas Co', 'G-1', 'Gas Street', 'gas', 0)",
        "INSERT INTO payees VALUES (7, 'Water', 'W-9', 'Lake Road', NULL, 1)",
        "INSERT INTO billschedule VALUES (2, 'MONTHLY', 0, 15, 'ENDON', '2007-01-15', "
        "'2007-12-15')",
        "INSERT INTO bills VALUES (11, 5, 'Orphan', 12, '2007-05-01', NULL, 'SINGLE', 0, 0, '', 0)",
        "INSERT INTO bills VALUES (12, 3, 'Gas bill', 30, '2007-06-01', '2007-05-30', 'SINGLE', "
        "0, 1, NULL, 1)",
    ]
    for month in range(4):
        rows.append(
            f"INSERT INTO bills VALUES ({20 + month}, 7, 'Water bill', 50.25, "
            f"'2007-{1 + month:02d}-15', NULL, 'RECURRING', 2, {1 if month < 2 else 0}, "
            "'quarterly', 0)")
    return FILE11 + rows


def main():
    os.makedirs(CORPUS, exist_ok=True)
    make("v10.nvbf", file10())
    make("v11.nvbf", file11())
    make("v12.nvbf", current("1.2"))
    make("v14.nvbf", current("1.4"))
    make("v15.nvbf", file15())
    make("v16.nvbf", file15(LAYOUT16))
    # Rules and flags no release writes, an estimate paid beyond its forecast.
    make("v15-odd-rules.nvbf", file15([
        "UPDATE billschedule SET amountrule = 'LASTYEAR' WHERE id = 2",
        "UPDATE billschedule SET amountrule = 'AVERAGE99' WHERE id = 1",
        "UPDATE bills SET isestimate = 'x' WHERE id = 13",
        "UPDATE bills SET isestimate = NULL WHERE id = 14",
        "UPDATE bills SET isestimate = 1, amount = 'abc' WHERE id = 1",
        "INSERT INTO billpayment VALUES (5, 15, '2026-07-02T08:00:00.000', 500, NULL)",
    ]))
    make("v14-empty.nvbf", CURRENT + [
        "INSERT INTO filedata VALUES (1, '', '', '', '', '1.4')"])
    make("v14-no-header.nvbf", CURRENT)
    make("v14-newer.nvbf", current("1.9"))
    make("v14-unknown-version.nvbf", current("1.3"))
    make("v14-wal.nvbf", current("1.4"), journal_mode="WAL")
    # Values no column expects, ids beyond the range of int, a bill of a payee without a row.
    make("v14-odd-values.nvbf", current("1.4", [
        "INSERT INTO bills VALUES (30, 2, 99, 'no payee', 'abc', NULL, '2026-13-45', "
        "'yesterday', NULL, 'x', NULL, NULL)",
        "INSERT INTO bills VALUES (31, NULL, NULL, '', -1e308, '', '', '', 1, 1, '', 0)",
        "INSERT INTO billpayment VALUES (9, 31, 'not a date', 'x')",
        "INSERT INTO billschedule VALUES (9, 'WEEKLY', -5, 99, -1, NULL, NULL, NULL, '9999-12-31')",
    ]))
    make("v14-id-beyond-int.nvbf", current("1.4", [
        "INSERT INTO bills VALUES (4294967297, 2, 1, 'big', 1, '2026-05-01', '2026-05-20', "
        "'2000-01-01', 0, 0, '', 0)"]))
    # Older files whose upgrade would cut such an id to that of another payee.
    make("v12-id-beyond-int.nvbf", current("1.2", [
        "UPDATE bills SET payeeid = 4294967298 WHERE id = 1"]))
    make("v11-id-beyond-int.nvbf", file11() + [
        "UPDATE bills SET payeeid = 4294967299 WHERE billid = 11"])
    make("v14-extra-column.nvbf", current("1.4", [
        "ALTER TABLE bills ADD COLUMN extra TEXT DEFAULT 'x'"]))
    # A write back the file refuses: loads that store paid states meet an error.
    make("v14-trigger.nvbf", current("1.4", [
        "CREATE TRIGGER refuse BEFORE UPDATE ON bills BEGIN SELECT RAISE(ABORT, 'no'); END"]))
    # Tables that decide values themselves: refused before anything is written.
    make("v14-generated-amount.nvbf", current("1.4", [
        "ALTER TABLE bills ADD COLUMN twice DECIMAL AS (amount * 2)"]))
    make("v14-replace-on-conflict.nvbf", [
        s.replace("amount DECIMAL);", "amount DECIMAL, UNIQUE (billid) ON CONFLICT REPLACE);")
        for s in current("1.4")])
    # Upgrades that fail part way and put the file back.
    make("v12-leftover-temp.nvbf", current("1.2", ["CREATE TABLE payeestemp(id INTEGER)"]))
    make("v11-missing-column.nvbf", [
        s.replace(", note TEXT, deleted BOOL)", ", deleted BOOL)") if "payeename" in s else s
        for s in file11() if not s.startswith("INSERT INTO payees")])
    # Not databases at all, or not whole.
    with open(os.path.join(CORPUS, "text.nvbf"), "wb") as f:
        f.write(b"Not a data file\n")
    with open(os.path.join(CORPUS, "v14.nvbf"), "rb") as f:
        whole = f.read()
    with open(os.path.join(CORPUS, "v14-cut-short.nvbf"), "wb") as f:
        f.write(whole[:len(whole) // 2])


if __name__ == "__main__":
    main()
