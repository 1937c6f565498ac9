// ovtool: the command-line face of the Orvanta library, for scripts, tests
// and support. Subcommands register themselves (ovtoolcommand.h).
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <vector>

#include "app/base/directories.h"
#include "ovtoolcommand.h"

namespace {

const OvtoolCommand* g_first = nullptr;

void printHelp() {
    std::vector<const OvtoolCommand*> commands;
    for (const OvtoolCommand* c = OvtoolCommand::first(); c; c = c->next()) commands.push_back(c);
    std::sort(commands.begin(), commands.end(),
              [](auto* a, auto* b) { return qstrcmp(a->name(), b->name()) < 0; });
    std::printf("Usage: ovtool <command> [arguments]\n\nCommands:\n");
    for (const OvtoolCommand* c : commands)
        std::printf("  %-40s %s\n", (QByteArray(c->name()) + " " + c->usage()).constData(),
                    c->summary());
    std::printf("\novtool --help prints this list.\n");
}

// The longest registered name matching the leading arguments.
const OvtoolCommand* findCommand(const QStringList& args, int* wordsUsed) {
    const OvtoolCommand* best = nullptr;
    int bestWords = 0;
    for (const OvtoolCommand* c = OvtoolCommand::first(); c; c = c->next()) {
        const QStringList words = QString::fromUtf8(c->name()).split(' ');
        if (words.size() <= bestWords || words.size() > args.size()) continue;
        if (args.mid(0, words.size()) == words) {
            best = c;
            bestWords = int(words.size());
        }
    }
    *wordsUsed = bestWords;
    return best;
}

}  // namespace

OvtoolCommand::OvtoolCommand(const char* name, const char* usage, const char* summary,
                             RunFunction run)
    : m_name(name), m_usage(usage), m_summary(summary), m_run(run), m_next(g_first) {
    g_first = this;
}

const OvtoolCommand* OvtoolCommand::first() {
    return g_first;
}

void ovtoolPrint(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

void ovtoolError(const QString& text) {
    std::fprintf(stderr, "ovtool: %s\n", text.toUtf8().constData());
}

int ovtoolUsageError(const OvtoolCommand& command) {
    std::fprintf(stderr, "Usage: ovtool %s %s\n", command.name(), command.usage());
    return 2;
}

bool ovtoolTakeProfile(QStringList& args) {
    const qsizetype at = args.indexOf("--profile");
    if (at < 0) return true;
    if (at + 1 >= args.size() || args[at + 1].isEmpty()) return false;
    QCoreApplication::setApplicationName(args[at + 1]);
    args.remove(at, 2);
    return true;
}

int main(int argc, char** argv) {
    // Rendering and image codecs need a GUI application; ovtool never opens a window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt warns about a missing or open runtime folder on every run otherwise.
    usePrivateRuntimeDirectory();
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Orvanta");
    QCoreApplication::setApplicationName("default");

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.first() == "--help" || args.first() == "-h" ||
        args.first() == "help") {
        printHelp();
        return args.isEmpty() ? 2 : 0;
    }
    int words = 0;
    const OvtoolCommand* command = findCommand(args, &words);
    if (!command) {
        ovtoolError(QString("unknown command '%1' (see ovtool --help)").arg(args.join(' ')));
        return 2;
    }
    return command->run(args.mid(words));
}
