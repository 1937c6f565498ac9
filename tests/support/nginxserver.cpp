#include "support/nginxserver.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/base/fileio.h"

namespace testsupport {

namespace {

const char kNginx[] = "/usr/sbin/nginx";

// nginx is started and stopped by a helper process forked while the test
// process is still single-threaded (during static initialisation, before
// main). A fork from a process whose threads run, as the test process's do
// once maps are drawn, leaves ThreadSanitizer's lock tracking in the parent
// broken, and its reports false; the helper forks for the tests instead.
// Requests go over a socket pair: a command byte, then strings or numbers.
class Spawner {
public:
    Spawner() {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return;
        const pid_t pid = ::fork();
        if (pid < 0) {
            ::close(pair[0]);
            ::close(pair[1]);
            return;
        }
        if (pid == 0) {
            ::close(pair[0]);
            serve(pair[1]);
            ::_exit(0);
        }
        ::close(pair[1]);
        m_fd = pair[0];
    }

    // Starts `argv` with its output in `logPath`; the child's pid, or -1.
    int64_t start(const std::vector<std::string>& argv, const std::string& logPath) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string request(1, 'S');
        putNumber(request, int64_t(argv.size()) + 1);
        for (const std::string& a : argv) putString(request, a);
        putString(request, logPath);
        return exchange(request);
    }
    // Sends a signal; 0 on success.
    int64_t signal(int64_t pid, int sig) { return command('K', pid, sig); }
    // Waits up to timeoutMs for the child to end: 1 when it has, else 0.
    int64_t wait(int64_t pid, int timeoutMs) { return command('W', pid, timeoutMs); }
    bool running(int64_t pid) { return command('W', pid, 0) == 0; }

private:
    static void putNumber(std::string& out, int64_t v) {
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    static void putString(std::string& out, const std::string& s) {
        putNumber(out, int64_t(s.size()));
        out += s;
    }
    static bool readAll(int fd, void* p, size_t n) {
        auto* bytes = static_cast<char*>(p);
        while (n > 0) {
            const ssize_t got = ::read(fd, bytes, n);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            bytes += got;
            n -= size_t(got);
        }
        return true;
    }
    static bool getNumber(int fd, int64_t& v) { return readAll(fd, &v, sizeof v); }
    static bool getString(int fd, std::string& s) {
        int64_t n = 0;
        if (!getNumber(fd, n) || n < 0 || n > (1 << 20)) return false;
        s.resize(size_t(n));
        return readAll(fd, s.data(), s.size());
    }

    int64_t command(char op, int64_t a, int64_t b) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string request(1, op);
        putNumber(request, a);
        putNumber(request, b);
        return exchange(request);
    }
    int64_t exchange(const std::string& request) {
        int64_t reply = -1;
        if (m_fd < 0 || !WriteFile(m_fd, request.data(), uint32_t(request.size()), nullptr) ||
            !getNumber(m_fd, reply))
            return -1;
        return reply;
    }

    // The helper's loop; it ends when the test process closes its end, and
    // then stops whatever it started that still runs.
    static void serve(int fd) {
        std::set<pid_t> children;
        for (;;) {
            char op = 0;
            if (!readAll(fd, &op, 1)) break;
            int64_t reply = -1;
            if (op == 'S') {
                int64_t count = 0;
                if (!getNumber(fd, count) || count < 2 || count > 1000) break;
                std::vector<std::string> args(static_cast<size_t>(count));
                for (std::string& a : args)
                    if (!getString(fd, a)) return;
                const std::string log = args.back();
                args.pop_back();
                const pid_t child = ::fork();
                if (child == 0) {
                    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                    if (out >= 0) {
                        ::dup2(out, 1);
                        ::dup2(out, 2);
                    }
                    std::vector<char*> argv;
                    for (std::string& a : args) argv.push_back(a.data());
                    argv.push_back(nullptr);
                    ::execv(argv[0], argv.data());
                    ::_exit(127);
                }
                if (child > 0) children.insert(child);
                reply = child;
            } else if (op == 'K' || op == 'W') {
                int64_t pid = 0, value = 0;
                if (!getNumber(fd, pid) || !getNumber(fd, value)) break;
                if (!children.count(pid_t(pid))) {
                    reply = op == 'W' ? 1 : -1;  // not ours, or already reaped
                } else if (op == 'K') {
                    reply = ::kill(pid_t(pid), int(value));
                } else {
                    reply = 0;
                    for (int64_t waited = 0;; waited += 10) {
                        if (::waitpid(pid_t(pid), nullptr, WNOHANG) == pid_t(pid)) {
                            children.erase(pid_t(pid));
                            reply = 1;
                            break;
                        }
                        if (waited >= value) break;
                        ::usleep(10000);
                    }
                }
            } else {
                break;
            }
            if (!WriteFile(fd, &reply, sizeof reply, nullptr)) break;
        }
        for (pid_t child : children) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }

    std::mutex m_mutex;
    int m_fd = -1;
};

Spawner s_spawner;

}  // namespace

int freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    return probe.serverPort();
}

bool NginxServer::available() {
    return QFileInfo(kNginx).isExecutable();
}

NginxServer::NginxServer(const QString& root, const QString& extraLocations) {
    if (!available()) {
        m_error = "nginx is not installed";
        return;
    }
    const QString work = m_work.path();
    for (int attempt = 0; attempt < 5 && m_port == 0; ++attempt) {
        const int port = freeLoopbackPort();
        const QString config = QString(R"(daemon off;
master_process off;
worker_processes 1;
pid %1/nginx.pid;
error_log %1/error.log info;
events { worker_connections 64; }
http {
    access_log %1/access.log;
    client_body_temp_path %1/body;
    proxy_temp_path %1/proxy;
    fastcgi_temp_path %1/fastcgi;
    uwsgi_temp_path %1/uwsgi;
    scgi_temp_path %1/scgi;
    default_type application/octet-stream;
    sendfile on;
    server {
        listen 127.0.0.1:%2;
        root %3;
        %4
    }
}
)")
                                   .arg(work)
                                   .arg(port)
                                   .arg(root, extraLocations);
        QFile file(work + "/nginx.conf");
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_error = "cannot write the nginx configuration";
            return;
        }
        file.write(config.toUtf8());
        file.close();
        const QString output = work + "/output.log";
        m_pid = s_spawner.start(
            {kNginx, "-p", work.toStdString(), "-c", (work + "/nginx.conf").toStdString(), "-e",
             (work + "/error.log").toStdString()},
            output.toStdString());
        if (m_pid <= 0) {
            m_error = "cannot start nginx";
            return;
        }
        // Ready when it accepts a connection.
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000 && s_spawner.running(m_pid)) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(port));
            if (socket.waitForConnected(200)) {
                m_port = port;
                break;
            }
            QThread::msleep(50);
        }
        if (m_port == 0) {
            QFile out(output);
            m_error =
                "nginx did not start: " +
                (out.open(QIODevice::ReadOnly) ? QString::fromUtf8(out.readAll()) : QString()) +
                log();
            stop();
        }
    }
}

NginxServer::~NginxServer() {
    stop();
}

void NginxServer::stop() {
    if (m_pid > 0) {
        s_spawner.signal(m_pid, SIGTERM);
        if (s_spawner.wait(m_pid, 3000) != 1) {
            s_spawner.signal(m_pid, SIGKILL);
            s_spawner.wait(m_pid, 2000);
        }
    }
    m_pid = 0;
    m_port = 0;
}

QString NginxServer::log() const {
    QFile file(m_work.path() + "/error.log");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace testsupport
