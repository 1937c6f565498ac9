// gpsd's gpsdecode (Debian's gpsd-clients) as the baseline of the sentence
// benchmarks: it is run as a child process on the same bytes, its output
// thrown away. Both sides are timed in CPU seconds (the child's user and
// system time from wait4), so that other load on a shared machine does not
// tilt the ratio.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

// CPU seconds this process has used.
inline double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Lines of every file under the shared corpus folder matching the filters,
// without line ends.
inline std::vector<std::string> corpusLines(const QString& folder, const QStringList& filters) {
    std::vector<std::string> lines;
    const QDir dir(QStringLiteral(ORVANTA_SHARED_DIR "/corpora/") + folder);
    for (const QString& name : dir.entryList(filters, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        for (QByteArray line : file.readAll().split('\n')) {
            while (line.endsWith('\r')) line.chop(1);
            lines.push_back(line.toStdString());
        }
    }
    return lines;
}

// Runs a program to its end, stdin from a file (or none), its output thrown
// away; its CPU seconds (user and system, from wait4), or negative when it
// could not run or did not exit with status 0.
inline double childCpuSeconds(const std::vector<std::string>& args, const std::string& input = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.empty() ? "/dev/null" : input.c_str(),
                                     O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid) return -1;
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? cpu : -1;
}

class GpsdecodeBaseline {
public:
    explicit GpsdecodeBaseline(const std::vector<std::string>& lines) {
        m_program = QStandardPaths::findExecutable("gpsdecode").toStdString();
        m_input.setAutoRemove(true);
        if (!m_input.open()) return;
        for (const std::string& line : lines) {
            m_input.write(line.data(), qint64(line.size()));
            m_input.write("\n", 1);
        }
        m_input.flush();
    }
    bool available() const { return !m_program.empty() && m_input.size() > 0; }
    const std::string& program() const { return m_program; }

    // CPU seconds of one gpsdecode run over the input; negative when it failed.
    double run() { return childCpuSeconds({m_program}, m_input.fileName().toStdString()); }

private:
    std::string m_program;
    QTemporaryFile m_input;
};

// Runs the baseline as the body of a manual-time benchmark; returns the rate
// in items per second for `items` items per run, or 0 when it could not run.
inline double benchmarkGpsdecode(benchmark::State& state, GpsdecodeBaseline& baseline,
                                 double items) {
    if (!baseline.available()) {
        state.SkipWithError("gpsdecode is missing (apt-get install gpsd-clients)");
        return 0;
    }
    double seconds = 0;
    for (auto _ : state) {
        const double s = baseline.run();
        if (s < 0) {
            state.SkipWithError("gpsdecode failed");
            return 0;
        }
        seconds += s;
        state.SetIterationTime(s);
    }
    state.SetItemsProcessed(int64_t(items * double(state.iterations())));
    return items * double(state.iterations()) / seconds;
}

// The closing lines: both rates and their ratio.
inline void printRatio(const char* what, const char* unit, double ours, double gpsdecode) {
    std::printf("%s: %.0f %s/s\n", what, ours, unit);
    if (gpsdecode > 0)
        std::printf("gpsdecode: %.0f %s/s\nratio: %.1f times gpsdecode\n", gpsdecode, unit,
                    ours / gpsdecode);
    else
        std::printf("gpsdecode is missing or was not run: no ratio\n");
}

}  // namespace bench
