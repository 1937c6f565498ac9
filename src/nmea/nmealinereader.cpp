#include "nmea/nmealinereader.h"

#include "nmea/dataconnection.h"
#include "nmea/nmeasentence.h"

void CNMEALineReader::Reset() {
    DiscardBuffer();
    m_length = 0;
    lines_in_pass = 0;
}

bool CNMEALineReader::Fill(const ReadFunction& read) {
    const int64_t n = read(m_buffer, kBufferSize);
    m_read = 0;
    m_end = n > 0 ? int(n < kBufferSize ? n : kBufferSize) : 0;
    return m_end > 0;
}

CNMEALineReader::Result CNMEALineReader::Process(CDataConnection* connection, int maxLines,
                                                 bool countAcceptedOnly) {
    while (m_read < m_end) {
        const char c = m_buffer[m_read++];
        if (c == '\r') continue;
        if (c != '\n') {
            if (m_length >= kLineLength) {
                // The byte that overflowed belongs to the dropped line too.
                m_length = 0;
                CDataConnection::DebugLog(kNotNMEA);
                return kLineTooLong;
            }
            m_line[m_length++] = c;
            continue;
        }
        m_line[m_length] = 0;
        m_length = 0;
        CDataConnection::DebugLog(m_line);
        const bool accepted = CNMEASentence::DispatchSentence(m_line, connection);
        if (accepted || !countAcceptedOnly) ++lines_in_pass;
        if (lines_in_pass >= maxLines) {
            DiscardBuffer();
            CDataConnection::DebugLog(kTooMany);
            return kTooManyLines;
        }
    }
    return kNeedInput;
}

CNMEALineReader::Result CNMEALineReader::Pump(CDataConnection* connection, const ReadFunction& read,
                                              int maxLines, bool countAcceptedOnly) {
    for (;;) {
        if (BufferEmpty() && !Fill(read)) return kNeedInput;
        const Result result = Process(connection, maxLines, countAcceptedOnly);
        if (result != kNeedInput) return result;
    }
}
