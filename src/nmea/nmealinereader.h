// CNMEALineReader: cuts the byte stream of a serial port or socket into
// NMEA lines for the stream transports, with their limits:
//   - a line is at most 199 characters; a longer one is dropped with the
//     debug-log notice "Error: Data not NMEA format." and reading pauses;
//   - carriage returns are ignored, a line feed ends the line;
//   - after `maxLines` lines in one pass (counting only accepted ones when
//     asked) the rest of the buffer is dropped with "Error: too many
//     sentences - discarding the input buffer".
// Bytes are taken from the device 4000 at a time; a line may span reads.
#pragma once

#include <cstdint>
#include <functional>

class CDataConnection;

class CNMEALineReader {
public:
    static constexpr int kLineLength = 199;
    static constexpr int kBufferSize = 4000;
    static constexpr const char* kNotNMEA = "Error: Data not NMEA format.";
    static constexpr const char* kTooMany =
        "Error: too many sentences - discarding the input buffer";

    enum Result {
        kNeedInput,    // everything read was used
        kLineTooLong,  // a line overflowed: stop for now, the rest is kept
        kTooManyLines  // the line limit was reached: the buffer was emptied
    };

    // Reads up to `size` bytes into `to`; 0 or less when nothing is there.
    using ReadFunction = std::function<int64_t(char* to, int size)>;

    void Reset();
    // Forgets the bytes read but not yet cut into lines.
    void DiscardBuffer() { m_read = m_end = 0; }
    bool BufferEmpty() const { return m_read >= m_end; }

    // Cuts lines out of the buffered bytes, reading more with `read` when
    // they run out, and hands each line to the debug log and the sentence
    // layer with `connection` as its source.
    Result Pump(CDataConnection* connection, const ReadFunction& read, int maxLines,
                bool countAcceptedOnly);
    // The same over bytes already buffered by Fill().
    Result Process(CDataConnection* connection, int maxLines, bool countAcceptedOnly);
    // Replaces the buffer with up to 4000 bytes from `read`; false when none came.
    bool Fill(const ReadFunction& read);

    int lines_in_pass = 0;  // lines counted since the pass began
    void BeginPass() { lines_in_pass = 0; }

private:
    char m_buffer[kBufferSize];
    int m_read = 0;
    int m_end = 0;
    char m_line[kLineLength + 1];
    int m_length = 0;
};
