#include "app/commandline.h"

#include <QDebug>
#include <QFileInfo>

#include "app/base/apphooks.h"
#include "maps/chartlist.h"
#include "mapview/dvikartilewindow.h"
#include "mapview/kartileview.h"
#include "nmea/dataconnection.h"
#include "nmea/nmeasimulation.h"

namespace {

bool addMapFolder(const QString& folder) {
    CChartList* list = CChartList::the_list;
    if (!list) return false;
    list->AddSearchFolder(folder.toStdString());
    list->Refresh();
    return true;
}

bool isLogFile(const QString& suffix) {
    return suffix == QLatin1String("nmea") || suffix == QLatin1String("log") ||
           suffix == QLatin1String("txt");
}

const AppHookRegistration s_commandLine(AppHook::ProcessCommandLine, [](const AppHookContext& c) {
    // A page without a map may be on show (a second start): the map's part
    // then waits for the next map item.
    ProcessCommandLineFiles(c.arguments, [](MapViewAction action) {
        CDVI_Kartile_Window::withMainView(std::move(action));
    });
});

}  // namespace

int ProcessCommandLineFiles(const QStringList& arguments,
                            const std::function<void(MapViewAction)>& onMap) {
    int used = 0;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.isEmpty()) continue;
        const QFileInfo info(argument);
        if (!info.exists()) {
            qDebug().noquote() << "Not opened (no such file):" << argument;
            continue;
        }
        const QString path = info.canonicalFilePath();
        const QString suffix = info.suffix().toLower();
        if (info.isDir()) {
            if (addMapFolder(path)) ++used;
        } else if (suffix == QLatin1String("ktl")) {
            if (!addMapFolder(info.canonicalPath())) continue;
            onMap([file = path.toStdString()](CKartileView& view) { view.onOpen(file, true, {}); });
            ++used;
        } else if (isLogFile(suffix)) {
            if (!CNMEASimulation::Setup(path.toStdString())) continue;
            CDataConnection::gps_connection_type = CDataConnection::kSimulation;
            CDataConnection::CreateConnection();
            onMap([](CKartileView& view) { view.LockOnToGPS(true); });
            ++used;
        } else {
            qDebug().noquote() << "Not opened (unknown kind of file):" << argument;
        }
    }
    return used;
}
