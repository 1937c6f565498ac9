// GUnzipFile on arbitrary bytes: downloaded packages are unpacked with it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/base/fileutils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = [] {
        char pattern[] = "/tmp/gunzip-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    const std::string in = dir + "/in.gz", out = dir + "/out";
    FILE* f = std::fopen(in.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    const bool ok = GUnzipFile(in, out);
    // A failure leaves nothing behind.
    if (!ok && (access(out.c_str(), F_OK) == 0 || access((out + ".tmp").c_str(), F_OK) == 0))
        __builtin_trap();
    unlink(out.c_str());
    return 0;
}
