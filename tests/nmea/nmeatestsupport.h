// Fixtures for the sentence tests: sentences with their checksum computed,
// dispatch of a text line, and listeners that record what they were handed.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/base/datasource.h"
#include "nmea/everysentence.h"
#include "nmea/nmeasentence.h"
#include "support/testsupport.h"

namespace nmeatest {

// "$GPRMC,..." -> "$GPRMC,...*hh".
inline std::string withChecksum(const std::string& body) {
    std::vector<char> buffer(body.begin(), body.end());
    buffer.resize(body.size() + 4);
    CNMEASentence::compute_checksum(buffer.data());
    return buffer.data();
}

// Dispatches a copy of line (DispatchSentence modifies its text).
inline bool dispatch(const std::string& line, CDataConnection* connection = nullptr) {
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    return CNMEASentence::DispatchSentence(buffer.data(), connection);
}

// Counts the objects handed to it and keeps the last one (pooled objects
// stay alive and unchanged until the next sentence of their type).
template <class T>
class Recorder : public Listener<T> {
public:
    explicit Recorder(std::function<void(T&)> each = {}) : m_each(std::move(each)) {}
    void OnUpdate(T& value) override {
        ++count;
        last = &value;
        if (m_each) m_each(value);
    }
    int count = 0;
    T* last = nullptr;

private:
    std::function<void(T&)> m_each;
};

// The lines of a corpus file under ../shared/corpora.
inline QList<QByteArray> corpusLines(const QString& relativePath) {
    return testsupport::readFile(testsupport::sharedDir() + "/corpora/" + relativePath).split('\n');
}

// The corpus line `number` (from 1) of a log under corpora/nmea.
inline std::string logLine(const char* log, int number) {
    return corpusLines(QString("nmea/") + log).value(number - 1).trimmed().toStdString();
}

// The JSON objects of a program's output, one a line.
inline QList<QJsonObject> jsonLines(const QByteArray& out) {
    QList<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n')) {
        if (line.trimmed().isEmpty()) continue;
        objects.push_back(QJsonDocument::fromJson(line).object());
        EXPECT_FALSE(objects.back().isEmpty()) << line.constData();
    }
    return objects;
}

// Listeners of every registered sentence class, so that every parser runs.
using AllListeners = EverySentence<Recorder>;

}  // namespace nmeatest
