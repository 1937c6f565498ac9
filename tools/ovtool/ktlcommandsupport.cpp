#include <string>

#include "app/base/messagebox.h"
#include "ktlcommand.h"
#include "maps/kartile.h"
#include "ovtoolcommand.h"

bool ktlParseNumbers(const QString& text, int count, std::vector<double>& out) {
    out.clear();
    const QStringList parts = text.split(',');
    if (parts.size() != count) return false;
    for (const QString& part : parts) {
        bool ok = false;
        out.push_back(part.trimmed().toDouble(&ok));
        if (!ok) return false;
    }
    return true;
}

bool ktlTakeValue(const QStringList& args, int& i, QString& value) {
    if (i + 1 >= args.size()) return false;
    value = args[++i];
    return true;
}

CKartile* ktlOpenMap(const QString& path) {
    // Refusals go to stderr instead of a message box.
    setMessageBoxPresenter([](OV_HWND, const std::string& title, const std::string& text,
                              const std::vector<std::string>&, std::function<void(int)> done) {
        ovtoolError(QString::fromStdString(title + ": " + text));
        done(0);
    });
    bool ok = false;
    CKartile* map =
        CKartile::Create(nullptr, path.toStdString(), [&](CKartile*, bool good) { ok = good; });
    setMessageBoxPresenter({});
    if (!map) {
        ovtoolError(QString("%1 is not a map file that can be read").arg(path));
        return nullptr;
    }
    if (!ok) {
        map->Destroy();
        return nullptr;
    }
    return map;
}
