#include "ui/LineStatusSignal.h"

#include "line/LineStatus.h"

CLineStatusSignal& LineStatusSignal() {
    static CLineStatusSignal* signal = [] {
        auto* created = new CLineStatusSignal;
        line::SetLineStatusHook([created] {
            QMetaObject::invokeMethod(
                created, [created] { emit created->Changed(); }, Qt::QueuedConnection);
        });
        return created;
    }();
    return *signal;
}
