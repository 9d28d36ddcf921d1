#include "resources/Resources.h"

#include <QtCore/qglobal.h>

void InitTintorelResources() {
    Q_INIT_RESOURCE(tintorel);
}
