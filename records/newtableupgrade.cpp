#include "newtableupgrade.h"

#include "activedomainobject.h"
#include "connections.h"
#include "tableupgrade.h"
#include "upgraderunner.h"

namespace NewTableUpgrade {

QString layoutColumns(const QString &version, const QString &currentLayout)
{
    if (version == currentVersion())
        return currentLayout;
    if (UpgradeRunner::isKnownOlder(version))
        return QStringLiteral("none");
    return QString();
}

bool prepare(const QString &version, const QString &layout,
             const std::function<bool()> &createTable)
{
    if (version == QLatin1String("1.0") || version == QLatin1String("1.1"))
        return true;
    return TableUpgrade::prepare(
        Connections::current(), layout,
        QStringLiteral("ALTER TABLE %1 RENAME TO ").arg(TableUpgrade::tableName(layout)),
        createTable);
}

} // namespace NewTableUpgrade
