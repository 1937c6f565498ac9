// ovtool nmea decode FILE: runs every line of a recorded NMEA file through
// the sentence layer with every sentence type listening, and prints one JSON
// object per accepted sentence with its parsed fields, named as the fields
// of the sentence classes.
#include <QFile>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "livepositionprinter.h"
#include "nmea/nmea_ais.h"
#include "nmea/nmea_dsc.h"
#include "nmea/nmea_gps.h"
#include "nmea/nmea_instruments.h"
#include "nmea/nmea_povx.h"
#include "ovtoolcommand.h"

namespace {

int g_lineNumber = 0;

// One JSON object on one line.
class JsonLine {
public:
    explicit JsonLine(const char* sentence) {
        m_text = "{\"line\":" + std::to_string(g_lineNumber);
        text("sentence", sentence);
    }
    JsonLine& number(const char* key, double v, int digits = 10) {
        char buffer[40] = "null";
        if (std::isfinite(v)) std::snprintf(buffer, sizeof buffer, "%.*g", digits, v);
        return raw(key, buffer);
    }
    JsonLine& real(const char* key, float v) { return number(key, v, 7); }
    JsonLine& numbers(const char* key, const uint8_t* v, int n) {
        std::string list = "[";
        for (int i = 0; i < n; ++i) list += (i ? "," : "") + std::to_string(v[i]);
        return json(key, list + "]");
    }
    JsonLine& json(const char* key, const std::string& value) { return raw(key, value.c_str()); }
    JsonLine& flag(const char* key, bool v) { return raw(key, v ? "true" : "false"); }
    JsonLine& letter(const char* key, char c) {
        const char s[2] = {c, 0};
        return text(key, s);
    }
    JsonLine& text(const char* key, const char* s) {
        std::string quoted = "\"";
        for (; *s; ++s) {
            const unsigned char c = uint8_t(*s);
            if (c == '"' || c == '\\') {
                quoted += '\\';
                quoted += char(c);
            } else if (c < 0x20 || c >= 0x7f) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                quoted += escape;
            } else {
                quoted += char(c);
            }
        }
        return raw(key, (quoted + "\"").c_str());
    }
    ~JsonLine() { std::printf("%s}\n", m_text.c_str()); }

private:
    JsonLine& raw(const char* key, const char* value) {
        m_text += ",\"";
        m_text += key;
        m_text += "\":";
        m_text += value;
        return *this;
    }
    std::string m_text;
};

// A listener that prints each object of type T with print(T&).
template <class T>
class Printer : public Listener<T> {
public:
    using Function = void (*)(const T&);
    explicit Printer(Function f) : m_print(f) {}
    void OnUpdate(T& value) override { m_print(value); }

private:
    Function m_print;
};

using namespace CNMEA_GPS;
using namespace CNMEA_Instruments;

void printAis(const char* sentence, const CNEMA_AIS::CAIS_Sentence& m) {
    JsonLine j(sentence);
    j.letter("channel", m.channel).number("msg_type", m.msg_type).number("mmsi", m.mmsi);
    if (m.ship_type_text[0]) j.text("ship_type_text", m.ship_type_text);
    auto position = [&] { j.number("longitude", m.longitude).number("latitude", m.latitude); };
    auto dimensions = [&] {
        j.number("to_bow", m.to_bow).number("to_stern", m.to_stern);
        j.number("to_port", m.to_port).number("to_starboard", m.to_starboard);
    };
    auto motion = [&] {
        j.real("speed", m.speed);
        position();
        j.real("course", m.course).number("heading", m.heading).number("time_stamp", m.time_stamp);
    };
    switch (m.msg_type) {
        case 1:
        case 2:
        case 3:
            j.number("nav_status", m.nav_status).real("rate_of_turn", m.rate_of_turn);
            j.flag("rate_of_turn_valid", m.rate_of_turn_valid);
            motion();
            break;
        case 4:
        case 11:
            j.number("year", m.year).number("month", m.month).number("day", m.day);
            j.number("hour", m.hour).number("minute", m.minute).number("second", m.second);
            position();
            break;
        case 5:
            j.number("imo", m.imo).text("callsign", m.callsign).text("name", m.name);
            j.number("ship_type", m.ship_type);
            dimensions();
            j.number("eta_month", m.eta_month).number("eta_day", m.eta_day);
            j.number("eta_hour", m.eta_hour).number("eta_minute", m.eta_minute);
            j.real("draught", m.draught).text("destination", m.destination);
            break;
        case 9:
            j.number("altitude", m.altitude).real("speed", m.speed);
            position();
            j.real("course", m.course).number("time_stamp", m.time_stamp);
            break;
        case 18:
        case 19:
            motion();
            if (m.msg_type == 19) {
                j.text("name", m.name).number("ship_type", m.ship_type);
                dimensions();
            }
            break;
        case 21:
            j.number("aid_type", m.aid_type).text("name", m.name);
            position();
            j.number("dimension", m.dimension);
            break;
        case 24:
            j.number("part_number", m.part_number);
            if (m.part_number == 0) j.text("name", m.name);
            if (m.part_number == 1) {
                j.number("ship_type", m.ship_type).text("vendor_id", m.vendor_id);
                j.text("callsign", m.callsign);
                dimensions();
            }
            break;
        default:
            break;
    }
}

// Every sentence class, listening while the command runs.
struct AllPrinters {
    Printer<RMC> rmc{[](const RMC& s) {
        JsonLine("RMC")
            .letter("talker", s.talker)
            .flag("valid", s.valid)
            .number("latitude", s.latitude)
            .number("longitude", s.longitude)
            .number("time", s.time, 13)
            .real("speed", s.speed)
            .real("course", s.course)
            .real("magnetic_variation", s.magnetic_variation);
    }};
    Printer<GGA> gga{[](const GGA& s) {
        JsonLine("GGA")
            .letter("talker", s.talker)
            .number("latitude", s.latitude)
            .number("longitude", s.longitude)
            .real("altitude", s.altitude)
            .real("hdop", s.hdop)
            .number("satellites_used", s.satellites_used)
            .number("fix_quality", s.fix_quality);
    }};
    Printer<VTG> vtg{[](const VTG& s) {
        JsonLine("VTG").letter("talker", s.talker).real("speed", s.speed).real("course", s.course);
    }};
    Printer<GSA> gsa{[](const GSA& s) {
        JsonLine j("GSA");
        j.letter("talker", s.talker).letter("mode", s.mode).number("fix_type", s.fix_type);
        j.numbers("prn", s.prn, 12);
        j.real("pdop", s.pdop).real("hdop", s.hdop).real("vdop", s.vdop);
    }};
    Printer<GSV> gsv{[](const GSV& s) {
        JsonLine j("GSV");
        j.letter("talker", s.talker).number("message_count", s.message_count);
        j.number("message_number", s.message_number);
        j.number("satellites_in_view", s.satellites_in_view);
        std::string list = "[";
        for (int k = 0; k < 4; ++k) {
            const GSV::Satellite& v = s.satellites[k];
            list += std::string(k ? "," : "") + "{\"prn\":" + std::to_string(v.prn) +
                    ",\"snr\":" + std::to_string(v.snr) +
                    ",\"elevation\":" + std::to_string(v.elevation) +
                    ",\"azimuth\":" + std::to_string(v.azimuth) + "}";
        }
        j.json("satellites", list + "]");
    }};
    Printer<MWV> mwv{[](const MWV& s) {
        JsonLine("MWV")
            .number("reference", s.reference)
            .real("wind_speed", s.wind_speed)
            .real("wind_angle", s.wind_angle);
    }};
    Printer<MWD> mwd{[](const MWD& s) {
        JsonLine("MWD").real("wind_speed", s.wind_speed).real("wind_direction", s.wind_direction);
    }};
    Printer<VHW> vhw{[](const VHW& s) {
        JsonLine("VHW")
            .flag("has_speed", s.has_speed)
            .flag("has_magnetic_heading", s.has_magnetic_heading)
            .real("speed_through_water", s.speed_through_water)
            .real("magnetic_heading", s.magnetic_heading);
    }};
    Printer<HDG> hdg{[](const HDG& s) {
        JsonLine("HDG")
            .real("heading", s.heading)
            .real("variation", s.variation)
            .real("deviation", s.deviation);
    }};
    Printer<DPT> dpt{[](const DPT& s) {
        JsonLine("DPT")
            .real("depth", s.depth)
            .real("offset_waterline", s.offset_waterline)
            .real("offset_keel", s.offset_keel);
    }};
    Printer<DBT> dbt{[](const DBT& s) { JsonLine("DBT").real("depth", s.depth); }};
    Printer<MTW> mtw{[](const MTW& s) { JsonLine("MTW").real("temperature", s.temperature); }};
    Printer<RPM> rpm{
        [](const RPM& s) { JsonLine("RPM").real("rpm1", s.rpm1).real("rpm2", s.rpm2); }};
    Printer<RSA> rsa{[](const RSA& s) {
        JsonLine("RSA")
            .real("rudder_angle", s.rudder_angle)
            .real("smoothed_angle", s.smoothed_angle)
            .real("smoothing_factor", s.smoothing_factor);
    }};
    Printer<XDR> xdr{[](const XDR& s) {
        JsonLine j("XDR");
        j.letter("type1", s.type1).real("value1", s.value1).text("name1", s.name1);
        j.letter("type2", s.type2).real("value2", s.value2).text("name2", s.name2);
    }};
    Printer<CNEMA_AIS::VDM> vdm{[](const CNEMA_AIS::VDM& s) { printAis("VDM", s); }};
    Printer<CNEMA_AIS::VDO> vdo{[](const CNEMA_AIS::VDO& s) { printAis("VDO", s); }};
    Printer<CNMEA_DSC::DSC> dsc{[](const CNMEA_DSC::DSC& s) {
        JsonLine("DSC")
            .number("format_specifier", s.format_specifier)
            .number("mmsi", s.mmsi)
            .number("category", s.category)
            .number("nature", s.nature)
            .number("comm_type", s.comm_type)
            .number("latitude", s.latitude)
            .number("longitude", s.longitude)
            .number("quadrant", s.quadrant)
            .number("distress_mmsi", s.distress_mmsi)
            .number("distress_nature", s.distress_nature)
            .letter("acknowledgement", s.acknowledgement)
            .flag("expansion", s.expansion);
    }};
    Printer<CNMEA_DSC::DSE> dse{[](const CNMEA_DSC::DSE& s) {
        JsonLine("DSE")
            .number("total", s.total)
            .number("number", s.number)
            .number("mmsi", s.mmsi)
            .number("flags", s.flags)
            .number("enhanced_lat", s.enhanced_lat)
            .number("enhanced_lon", s.enhanced_lon)
            .real("course", s.course)
            .real("speed", s.speed);
    }};
    Printer<NMEA_POVX::SetStartLine> startLine{[](const NMEA_POVX::SetStartLine& s) {
        JsonLine("POVX,SetStartLine")
            .number("left_lat", s.left_lat)
            .number("left_lon", s.left_lon)
            .number("right_lat", s.right_lat)
            .number("right_lon", s.right_lon);
    }};
    Printer<NMEA_POVX::SetStartTimer> startTimer{[](const NMEA_POVX::SetStartTimer& s) {
        JsonLine("POVX,SetStartTimer")
            .number("start_time", s.start_time, 13)
            .number("period", s.period);
    }};
    Printer<NMEA_POVX::AcknowledgeNotifications> acknowledge{
        [](const NMEA_POVX::AcknowledgeNotifications&) { JsonLine("POVX,ACKALLALERTS"); }};
};

int runDecode(const QStringList& args);
const OvtoolCommand decodeCommand("nmea decode", "FILE",
                                  "print each accepted NMEA sentence of a file as JSON", runDecode);

int runDecode(const QStringList& args) {
    if (args.size() != 1) return ovtoolUsageError(decodeCommand);
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly)) {
        ovtoolError(QString("cannot open %1").arg(args.first()));
        return 1;
    }
    AllPrinters printers;
    LivePositionPrinter position(false);
    std::vector<char> buffer;
    g_lineNumber = 0;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        ++g_lineNumber;
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        // Binary protocols mixed into a log can put NUL bytes before a sentence.
        const qsizetype nul = line.lastIndexOf('\0');
        if (nul >= 0) line.remove(0, nul + 1);
        buffer.assign(line.begin(), line.end());
        buffer.push_back(0);
        CNMEASentence::DispatchSentence(buffer.data(), nullptr);
        position.Flush();
    }
    return 0;
}

}  // namespace
