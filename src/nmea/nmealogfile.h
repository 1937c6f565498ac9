// CNMEALogfile: records NMEA to a text file, one sentence a line as it was
// received or sent (every raw sentence: received lines with a valid
// checksum and the sentences the program generates). At shutdown it ends
// the file with "\n---- Power Down-----\n\n\n".
//
// A recorded file plays back through the simulation connection.
#pragma once

#include <cstdio>
#include <string>

#include "app/base/datasource.h"
#include "nmea/nmea_raw.h"

class CNMEALogfile : public Listener<CNMEA_Raw>, public Listener<ShutDown> {
public:
    static constexpr const char* kPowerDown = "\n---- Power Down-----\n\n\n";

    CNMEALogfile() = default;
    ~CNMEALogfile() override;

    // Creates (truncates) the file; false with status "File open error".
    bool Open(const std::string& path);
    void Close();
    bool isOpen() const { return file != nullptr; }

    void OnUpdate(CNMEA_Raw& sentence) override;
    void OnUpdate(ShutDown&) override;

    long long sentences_written = 0;
    std::string status;

private:
    FILE* file = nullptr;
};
