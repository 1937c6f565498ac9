// The one network access manager of the process, and the agent string every
// request carries.
#pragma once

#include <QByteArray>

class QNetworkAccessManager;

// Created on first use on the calling (main) thread and never destroyed. A
// transfer that makes no progress for kTransferTimeoutMs fails with a timeout.
QNetworkAccessManager* getGlobalNetworkAccessManager();
constexpr int kTransferTimeoutMs = 4000;

// "OVAP/1.2.1-<OS product type>/<OS product version>", built once.
const QByteArray& applicationAgentString();
