#include "online/networkaccess.h"

#include <QNetworkAccessManager>
#include <QSysInfo>

#include "app/base/directories.h"

QNetworkAccessManager* getGlobalNetworkAccessManager() {
    // Leaked on purpose: replies may still finish while statics are destroyed.
    static QNetworkAccessManager* manager = [] {
        auto* m = new QNetworkAccessManager;
        m->setTransferTimeout(kTransferTimeoutMs);
        return m;
    }();
    return manager;
}

const QByteArray& applicationAgentString() {
    static const QByteArray agent = QByteArray("OVAP/") + kApplicationVersion + "-" +
                                    QSysInfo::productType().toUtf8() + "/" +
                                    QSysInfo::productVersion().toUtf8();
    return agent;
}
