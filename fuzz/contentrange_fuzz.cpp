// The byte-range check of the web client on arbitrary Content-Range headers:
// a range it accepts starts at the offset asked and is no longer than asked.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <QByteArray>
#include <QRegularExpression>

#include "online/webserver_nb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 13) return 0;
    int64_t offset = 0;
    int32_t length = 0;
    std::memcpy(&offset, data, 8);
    std::memcpy(&length, data + 8, 4);
    const int status = (data[12] & 1) ? 206 : 200;
    const QByteArray header(reinterpret_cast<const char*>(data + 13), int(size - 13));
    if (!CWebServer_NB::RangeReplyMatches(status, header, offset, length)) return 0;
    if (status != 206 || length <= 0) __builtin_trap();
    static const QRegularExpression numbers(R"((\d+)-(\d+))");
    const QRegularExpressionMatch m = numbers.match(QString::fromLatin1(header));
    if (!m.hasMatch()) __builtin_trap();
    const qint64 first = m.captured(1).toLongLong(), last = m.captured(2).toLongLong();
    if (first != offset || last < first || last - first >= length) __builtin_trap();
    return 0;
}
