#!/usr/bin/env python3
"""Build a HomeBank .xhb file equivalent to one of our .nvbf data files.

Each bill becomes one <ope> (date = due date, amount = -amount, payee = same payee,
memo = the bill's description; paid bills are 'reconciled', unpaid ones have no status);
each payee becomes one <pay>; one account; NFAV scheduled templates (<fav>, flags=4 =
OF_AUTO 'scheduled') spread over the payees, with next dates from 18 months ago to 18
months ahead, every 1 week or 1 month.  Dates are GLib Julian days (= date.toordinal()).

usage: gen_xhb.py SOURCE.nvbf OUT.xhb [NFAV=500]
"""
import sqlite3, sys, datetime
from xml.sax.saxutils import quoteattr

src, out = sys.argv[1], sys.argv[2]
nfav = int(sys.argv[3]) if len(sys.argv) > 3 else 500
db = sqlite3.connect(src)
payees = db.execute("SELECT id, payeename FROM payees WHERE deleted = 0 ORDER BY id").fetchall()
bills = db.execute("SELECT id, payeeid, description, amount, duedate, paid FROM bills "
                   "WHERE deleted = 0 ORDER BY duedate, id").fetchall()
today = datetime.date.today()

def jd(iso):
    return datetime.date.fromisoformat(iso[:10]).toordinal()

def num(x):
    return repr(round(float(x), 2))

with open(out, "w", encoding="utf-8") as f:
    w = f.write
    w('<?xml version="1.0"?>\n<homebank v="1.4" d="050602">\n')
    w('<properties title="Household bills" curr="1" auto_smode="0" auto_weekday="1" '
      'auto_nbmonths="1" auto_nbdays="10"/>\n')
    w('<cur key="1" flags="0" iso="USD" name="US Dollar" symb="$" syprf="1" dchar="." '
      'gchar="," frac="2" rate="0" mdate="0"/>\n')
    w('<account key="1" pos="1" type="1" curr="1" name="Household" initial="0" minimum="0" '
      'maximum="0" rdate="%d"/>\n' % today.toordinal())
    for pid, name in payees:
        w('<pay key="%d" name=%s/>\n' % (pid, quoteattr(name)))
    start = today.toordinal() - 548
    for k in range(nfav):
        pid = payees[k % len(payees)][0]
        nextdate = start + (k * 1096) // max(nfav, 1)
        w('<fav key="%d" amount="-%s" account="1" paymode="0" flags="4" payee="%d" '
          'wording=%s nextdate="%d" every="1" unit="%d"/>\n'
          % (k + 1, num(10 + (k * 7.25) % 400), pid, quoteattr("Scheduled %d" % (k + 1)),
             nextdate, 1 if k % 2 == 0 else 2))
    for bid, pid, desc, amount, due, paid in bills:
        w('<ope date="%d" amount="-%s" account="1" paymode="0" st="%d" flags="0" payee="%d" '
          'wording=%s/>\n' % (jd(due), num(amount), 2 if paid else 0, pid, quoteattr(desc)))
    w('</homebank>\n')
print("%s: %d payees, %d ope, %d fav" % (out, len(payees), len(bills), nfav))
