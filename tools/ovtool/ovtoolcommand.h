// A subcommand of ovtool. Each subcommand lives in a file of its own and
// registers itself with a static OvtoolCommand, so main() lists nothing by hand.
#pragma once

#include <QStringList>

class OvtoolCommand {
public:
    // Runs the command with the arguments after its name; returns the exit status.
    using RunFunction = int (*)(const QStringList& args);

    // name may hold two words ("ktl make"): the longest registered name that
    // matches the leading arguments wins.
    OvtoolCommand(const char* name, const char* usage, const char* summary, RunFunction run);

    const char* name() const { return m_name; }
    const char* usage() const { return m_usage; }
    const char* summary() const { return m_summary; }
    int run(const QStringList& args) const { return m_run(args); }
    const OvtoolCommand* next() const { return m_next; }

    static const OvtoolCommand* first();

private:
    const char* m_name;
    const char* m_usage;
    const char* m_summary;
    RunFunction m_run;
    const OvtoolCommand* m_next;
};

// Small output helpers shared by the subcommands.
void ovtoolPrint(const QString& text);       // to stdout, with a newline
void ovtoolError(const QString& text);       // "ovtool: <text>" to stderr
int ovtoolUsageError(const OvtoolCommand&);  // prints the usage line, returns 2
// Takes "--profile NAME" out of args and makes NAME the application name,
// which selects the profile's folders; false on a dangling option.
bool ovtoolTakeProfile(QStringList& args);
