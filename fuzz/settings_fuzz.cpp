// Arbitrary bytes as "orvanta.ini", loaded through the real loader into every
// persistor the program registers; no loaded real may be infinite or NaN.
#include <stdlib.h>

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/base/persistantdata.h"

namespace {
std::string g_folder;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    char pattern[] = "/tmp/settings_fuzz.XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    g_folder = pattern;
    // The documents copy is looked for in the same folder under another name.
    PersistantData::SetFolders(g_folder, g_folder + "/docs");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = g_folder + "/orvanta.ini";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    PersistantData::LoadAll("orvanta");
    for (PersistantData* p = PersistantData::First(); p; p = p->next) {
        for (const PersistantData::Field& field : p->DescribeFields()) {
            if (field.type != PersistantData::FieldType::Double &&
                field.type != PersistantData::FieldType::Float)
                continue;
            const std::string& v = field.value;
            if (v.find("nan") != std::string::npos || v.find("inf") != std::string::npos)
                __builtin_trap();
        }
    }
    return 0;
}
