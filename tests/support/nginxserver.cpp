#include "support/nginxserver.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <climits>
#include <mutex>
#include <set>

#include "support/testsupport.h"

namespace testsupport {

namespace {

const char kNginx[] = "/usr/sbin/nginx";

// nginx is started and stopped by a helper process forked while the test
// process is still single-threaded (during static initialisation, before
// main). A fork from a process whose threads run, as the test process's do
// once maps are drawn, leaves ThreadSanitizer's lock tracking in the parent
// broken, and its reports false; the helper forks for the tests instead.
// One datagram a request, one a reply (the pid, or -1; 1 or 0 for 'R').
struct Request {
    char op;  // 'S' starts nginx in `dir`, 'R' asks if `pid` runs, 'T' stops it
    pid_t pid;
    char dir[PATH_MAX];
};

class Spawner {
public:
    Spawner() {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(pair[0]);
            serve(pair[1]);
            ::_exit(0);
        }
        ::close(pair[1]);
        m_fd = pid > 0 ? pair[0] : (::close(pair[0]), -1);
    }

    int ask(char op, int pid, const QString& dir = {}) {
        Request r{op, pid, {}};
        qstrncpy(r.dir, dir.toUtf8().constData(), sizeof r.dir);
        std::lock_guard<std::mutex> lock(m_mutex);
        int reply = -1;
        if (TEMP_FAILURE_RETRY(::send(m_fd, &r, sizeof r, MSG_NOSIGNAL)) != ssize_t(sizeof r) ||
            TEMP_FAILURE_RETRY(::recv(m_fd, &reply, sizeof reply, 0)) != ssize_t(sizeof reply))
            return -1;
        return reply;
    }

private:
    // The helper's loop; it ends when the test process ends, and then stops
    // whatever it started that still runs.
    static void serve(int fd) {
        std::set<pid_t> children;
        Request r;
        while (::recv(fd, &r, sizeof r, 0) == ssize_t(sizeof r)) {
            int reply = -1;
            if (r.op == 'S' && (reply = ::fork()) == 0) {
                const int out = ::open((std::string(r.dir) + "/output.log").c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
                ::dup2(out, 1);
                ::dup2(out, 2);
                ::execl(kNginx, kNginx, "-p", r.dir, "-c", "nginx.conf", "-e", "error.log",
                        nullptr);
                ::_exit(127);
            } else if (r.op == 'S' && reply > 0) {
                children.insert(reply);
            } else if (r.op == 'R') {
                reply = children.count(r.pid) && ::waitpid(r.pid, nullptr, WNOHANG) == 0;
                if (!reply) children.erase(r.pid);  // ended, and reaped
            } else if (r.op == 'T' && children.erase(r.pid)) {
                ::kill(r.pid, SIGTERM);
                for (int waited = 0; ::waitpid(r.pid, nullptr, WNOHANG) == 0; waited += 10) {
                    if (waited == 10000) ::kill(r.pid, SIGKILL);
                    ::usleep(10000);
                }
                reply = r.pid;
            }
            if (::send(fd, &reply, sizeof reply, MSG_NOSIGNAL) != ssize_t(sizeof reply)) break;
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

// Paths are relative to the working folder given with -p.
const char kConfig[] = R"(daemon off;
master_process off;
pid nginx.pid;
error_log error.log info;
events { worker_connections 64; }
http {
    access_log access.log;
    client_body_temp_path body;
    proxy_temp_path proxy;
    fastcgi_temp_path fastcgi;
    uwsgi_temp_path uwsgi;
    scgi_temp_path scgi;
    default_type application/octet-stream;
    server { listen 127.0.0.1:%1; root %2; %3 }
}
)";

}  // namespace

bool NginxServer::available() {
    return QFileInfo(kNginx).isExecutable();
}

NginxServer::NginxServer(const QString& root, const QString& extraLocations) {
    if (!available()) {
        m_error = "nginx is not installed";
        return;
    }
    // A free port may be taken again before nginx binds it: then try another.
    for (int attempt = 0; attempt < 5 && m_port == 0; ++attempt) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const int port = probe.serverPort();
        probe.close();
        const QString config = QString(kConfig).arg(port).arg(root, extraLocations);
        if (!writeFile(m_work.filePath("nginx.conf"), config.toUtf8()) ||
            (m_pid = s_spawner.ask('S', 0, m_work.path())) <= 0) {
            m_error = "cannot start nginx";
            return;
        }
        // Ready when it accepts a connection.
        for (QDeadlineTimer deadline(30000); !deadline.hasExpired() && m_port == 0;) {
            if (s_spawner.ask('R', m_pid) != 1) break;
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(port));
            if (socket.waitForConnected(200))
                m_port = port;
            else
                QThread::msleep(20);
        }
        if (m_port == 0) {
            m_error = "nginx did not start: " +
                      QString::fromUtf8(readFile(m_work.filePath("output.log"))) + log();
            stop();
        }
    }
}

void NginxServer::stop() {
    if (m_pid > 0) s_spawner.ask('T', m_pid);
    m_pid = 0;
    m_port = 0;
}

QString NginxServer::log() const {
    return QString::fromUtf8(readFile(m_work.filePath("error.log")));
}

}  // namespace testsupport
