#include "nmea/nmealogfile.h"

CNMEALogfile::~CNMEALogfile() {
    Close();
}

bool CNMEALogfile::Open(const std::string& path) {
    Close();
    file = std::fopen(path.c_str(), "wb");
    if (!file) {
        status = "File open error";
        return false;
    }
    status.clear();
    sentences_written = 0;
    return true;
}

void CNMEALogfile::Close() {
    if (!file) return;
    std::fclose(file);
    file = nullptr;
}

void CNMEALogfile::OnUpdate(CNMEA_Raw& sentence) {
    if (!file || !sentence.text[0]) return;
    std::fputs(sentence.text, file);
    ++sentences_written;
}

void CNMEALogfile::OnUpdate(ShutDown&) {
    if (!file) return;
    std::fputs(kPowerDown, file);
    Close();
}
