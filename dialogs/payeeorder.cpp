#include "payeeorder.h"

#include "payee.h"

#include <algorithm>

QList<DataFile::PayeePtr> payeesByName(const QHash<int, DataFile::PayeePtr> &payees)
{
    QList<DataFile::PayeePtr> ordered;
    ordered.reserve(payees.size());
    for (const DataFile::PayeePtr &payee : payees)
        if (payee)
            ordered.append(payee);
    std::sort(ordered.begin(), ordered.end(),
              [](const DataFile::PayeePtr &left, const DataFile::PayeePtr &right) {
                  const int byName =
                      QString::compare(left->payeeName(), right->payeeName(), Qt::CaseInsensitive);
                  if (byName != 0)
                      return byName < 0;
                  return left->id() < right->id();
              });
    return ordered;
}
