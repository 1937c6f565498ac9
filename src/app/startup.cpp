#include "app/startup.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDebug>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QScreen>
#include <QSocketNotifier>
#include <memory>

#include "app/base/apphooks.h"
#include "app/base/datasource.h"
#include "app/base/directories.h"
#include "app/base/heartbeat.h"
#include "app/base/pointerdevicetypedetection.h"
#include "app/base/profilelock.h"
#include "app/base/screenresolution.h"
#include "app/orvantaappmodel.h"
#include "app/singleapplication.h"

QQmlApplicationEngine* theAppEngine = nullptr;

namespace {

const char kMainScene[] = "qrc:/main.qml";

// SIGTERM, SIGINT and SIGHUP ask the program to close like its window's
// close button: the handler only writes a byte; the event loop does the rest.
int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void installTerminationHandlers(QObject* parent, QQuickWindow** window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [window] {
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        qDebug() << "Close requested by signal.";
        if (*window)
            (*window)->close();
        else
            QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void registerFonts() {
    for (const char* font : {":/Roboto-Regular.ttf", ":/Roboto-Bold.ttf", ":/Roboto-Italic.ttf"})
        if (QFontDatabase::addApplicationFont(QString::fromLatin1(font)) < 0)
            qWarning() << "Could not load font" << font;
}

}  // namespace

QStringList BuildArgumentList(const QStringList& arguments, QString* profile) {
    QStringList list;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (i > 0 && arguments[i] == QLatin1String("-profile")) {
            if (i + 1 < arguments.size() && profile) *profile = arguments[i + 1];
            ++i;  // the name, if any, goes too
            continue;
        }
        list << arguments[i];
    }
    return list;
}

QByteArray SecondStartMessage(QStringList arguments) {
    // The running program has another working folder: files go as full paths.
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (QFileInfo::exists(arguments[i]))
            arguments[i] = QFileInfo(arguments[i]).absoluteFilePath();
    // Paths may hold spaces; no argument can hold a NUL.
    return arguments.join(QChar(0)).toUtf8();
}

bool load_app_data() {
    getAppDirectory(nullptr);
    RunAppHookRange(AppHook::ApplyMapServer, AppHook::OpenElevationData);
    return true;
}

bool save_all_app_data() {
    getAppDirectory(nullptr);
    RunAppHookRange(AppHook::SaveMarks, AppHook::SaveLayout);
    return true;
}

int RunOrvanta(int argc, char** argv) {
    // The inherited file-creation mask is kept: files are private or shared
    // as the user chose.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvanta.Orvanta"));

    auto app = std::make_unique<SingleApplication>(argc, argv, 1000);
    if (app->isSecondary()) {
        app->sendMessage(SecondStartMessage(QCoreApplication::arguments()), 100);
        qDebug() << "App already running.";
        return 0;
    }

    app->installEventFilter(new PointerDeviceTypeDetection(app.get()));
    QCoreApplication::setOrganizationName("Orvanta");
    QCoreApplication::setOrganizationDomain("orvanta.org");
    QCoreApplication::setApplicationName("default");

    QString profile;
    const QStringList arguments = BuildArgumentList(QCoreApplication::arguments(), &profile);
    if (!profile.isEmpty()) QCoreApplication::setApplicationName(profile);

    auto engine = std::make_unique<QQmlApplicationEngine>();
    theAppEngine = engine.get();
    registerFonts();

    RunAppHooks(AppHook::LoadSettings);
    // Tools that edit this profile's files refuse while it is held.
    if (!ProfileLock::AcquireForProgram())
        qWarning() << "Another process holds" << ProfileLock::LockPath().c_str();
    load_app_data();

    QQuickWindow* window = nullptr;
    installTerminationHandlers(app.get(), &window);

    const QUrl sceneUrl(QString::fromLatin1(kMainScene));
    QObject::connect(
        engine.get(), &QQmlApplicationEngine::objectCreated, app.get(),
        [&window, &arguments, sceneUrl](QObject* object, const QUrl& url) {
            if (url != sceneUrl) return;
            window = qobject_cast<QQuickWindow*>(object);
            if (!window) {
                qWarning() << "The main scene did not create a window.";
                QCoreApplication::exit(-1);
                return;
            }
            window->setIcon(QIcon(QStringLiteral(":/appicon.png")));
            AppHookContext context;
            context.window = window;
            context.arguments = arguments;
            RunAppHooks(AppHook::OpenConnection, context);
            if (QScreen* screen = window->screen()) {
                graphicsResolution = screen->devicePixelRatio();
                qDebug().nospace() << "devicePixelRatio: " << graphicsResolution
                                   << ", ldpi: " << screen->logicalDotsPerInch()
                                   << ", pdpi: " << screen->physicalDotsPerInch();
            }
            // The model takes the command line, and later ones from second starts.
            if (theApp) {
                QObject::connect(window, &QQuickWindow::activeChanged, theApp, [window] {
                    if (window->isActive())
                        Q_EMIT theApp->applicationDidBecomeActive();
                    else
                        Q_EMIT theApp->applicationWillResignActive();
                });
                theApp->processCommandLine(arguments);
            }
        },
        Qt::QueuedConnection);
    engine->load(sceneUrl);

    auto heartbeat = std::make_unique<RunHeartbeatUntilShutdown>();
    // A scene that failed to load has already asked the loop to end with -1.
    const int status = QCoreApplication::exec();

    window = nullptr;
    RunAppHooks(AppHook::CloseConnection);
    if (Listener<ShutDown>::pDatasource) {
        ShutDown notice;
        Listener<ShutDown>::Dispatch(notice);
    }
    save_all_app_data();

    heartbeat.reset();
    theAppEngine = nullptr;
    engine.reset();
    app.reset();
    qDebug() << "Orvanta exits with status" << status;
    return status;
}
