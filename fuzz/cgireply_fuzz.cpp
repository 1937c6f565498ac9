// A CGI reply of arbitrary bytes, read the way replies are read: typed
// values in order, strings, sized blocks; never past the reply's end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "online/webbinarycgi_nb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    CWebBinaryCGI_NB client("127.0.0.1", "/cgi-bin/x.cgi");
    client.SetReplyLimit(4096);
    const bool taken =
        client.TakeReply(QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1)));
    if (taken != (size - 1 <= 4096)) __builtin_trap();
    client.wide_strings = (data[0] & 1) != 0;
    int32_t i = 0;
    double d = 0;
    std::string s;
    char block[64];
    for (int round = 0; round < 64 && client.ok && client.bytesLeft() > 0; ++round) {
        client.declare(i);
        client.declare(d);
        client.declare(s);
        int n = sizeof block;
        client.declaresize(block, n);
        if (n < 0 || n > int(sizeof block) || client.bytesLeft() < 0) __builtin_trap();
    }
    return 0;
}
