// The process entry point: start-up in its fixed order, the event loop, and
// shutdown in reverse (see RunOrvanta).
#pragma once

#include <QByteArray>
#include <QStringList>

class QQmlApplicationEngine;

extern QQmlApplicationEngine* theAppEngine;  // the QML engine, while the program runs

// The argument list handed to the application model: the program path and
// every argument in order, less each "-profile <name>" pair (a trailing
// "-profile" is dropped). The last profile name given goes to *profile.
QStringList BuildArgumentList(const QStringList& arguments, QString* profile);

// What a second start sends the running program: its arguments with files
// made absolute, separated by NULs.
QByteArray SecondStartMessage(QStringList arguments);

// The application's own data: loaded before the scene, saved at exit.
bool load_app_data();
bool save_all_app_data();

// Runs the program; returns the process exit status.
int RunOrvanta(int argc, char** argv);
