#include "resources/Resources.h"

#include <QPixmap>
#include <QtCore/qglobal.h>

void InitTintorelResources() {
    Q_INIT_RESOURCE(tintorel);
}

QIcon LoadIconResource(int id) {
    QIcon icon;
    for (const QString& suffix : {QStringLiteral("-16"), QStringLiteral("-24"), QString()}) {
        QPixmap pixmap(QStringLiteral(":/icons/%1%2.png").arg(id).arg(suffix));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}
