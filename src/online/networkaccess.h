// The one network access manager of the process, and the agent string every
// request carries.
#pragma once

#include <QByteArray>

class QNetworkAccessManager;

// Created on first use and never destroyed, one per thread that uses it (the
// main thread's is the one of the process). A transfer that makes no
// progress for kTransferTimeoutMs fails with a timeout.
QNetworkAccessManager* getGlobalNetworkAccessManager();
constexpr int kTransferTimeoutMs = 4000;

// "OVAP/1.2.1-<OS product type>/<OS product version>", built once.
const QByteArray& applicationAgentString();
