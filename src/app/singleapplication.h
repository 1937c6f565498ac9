// A QGuiApplication that knows whether another instance of the program runs
// for the same user, and passes a message to it.
//
// The instances meet at a local socket named per user (and per home folder,
// so isolated test homes don't meet the user's own instance). The first
// instance listens; a later one connects, sends its message and exits.
#pragma once

#include <QGuiApplication>
#include <QLocalServer>

class SingleApplication : public QGuiApplication {
    Q_OBJECT
public:
    SingleApplication(int& argc, char** argv, int timeoutMs = 1000);
    ~SingleApplication() override;

    bool isSecondary() const { return m_secondary; }
    // From a secondary instance: delivers the message to the primary one.
    bool sendMessage(const QByteArray& message, int timeoutMs);

    static QString serverName();

Q_SIGNALS:
    void receivedMessage(const QByteArray& message);

private:
    void acceptConnection();

    QLocalServer* m_server = nullptr;
    bool m_secondary = false;
};
