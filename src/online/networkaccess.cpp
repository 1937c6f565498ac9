#include "online/networkaccess.h"

#include <QNetworkAccessManager>
#include <QSysInfo>

#include "app/base/directories.h"

QNetworkAccessManager* getGlobalNetworkAccessManager() {
    // A manager serves only the thread it lives in: a second thread that asks
    // (a scene's render thread opening a streamed map) gets one of its own
    // rather than the main thread's. Leaked on purpose: replies may still
    // finish while statics are destroyed.
    thread_local QNetworkAccessManager* manager = nullptr;
    if (!manager) {
        manager = new QNetworkAccessManager;
        manager->setTransferTimeout(kTransferTimeoutMs);
    }
    return manager;
}

const QByteArray& applicationAgentString() {
    static const QByteArray agent = QByteArray("OVAP/") + kApplicationVersion + "-" +
                                    QSysInfo::productType().toUtf8() + "/" +
                                    QSysInfo::productVersion().toUtf8();
    return agent;
}
