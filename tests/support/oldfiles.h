#pragma once

#include <QStringList>

// Data files as earlier releases wrote them: the statements of their tables and of a few rows.
const QStringList &file10Layout();
const QStringList &file11Layout();
// The tables of 1.2 and 1.4 files, which share one layout, as those releases created them.
const QStringList &file14Layout();
// Rows for a 1.1 layout: the header, two payees (old ids 3 and 7), a schedule, and bills of
// payee 7, of payee 5 that has no row, and a deleted one of payee 3.
const QStringList &file11Rows();
