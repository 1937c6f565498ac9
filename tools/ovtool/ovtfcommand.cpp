// ovtool ovtf dump FILE: any .ovtf file as JSON.
// ovtool ovtf save-loop FILE COUNT: saves a self-checking file COUNT times,
// each generation replacing the last; crash tests kill it mid-save and check
// that FILE is always one whole generation.
#include <QJsonDocument>
#include <vector>

#include "app/base/fileutils.h"
#include "overlays/ovtfdump.h"
#include "overlays/serializable.h"
#include "ovtoolcommand.h"

namespace {

int runDump(const QStringList& args);
int runSaveLoop(const QStringList& args);

const OvtoolCommand dumpCommand("ovtf dump", "FILE",
                                "describe an .ovtf file as JSON (sections, records, fields)",
                                runDump);
const OvtoolCommand saveLoopCommand("ovtf save-loop", "FILE COUNT",
                                    "save a self-checking .ovtf file COUNT times (crash tests)",
                                    runSaveLoop);

int runDump(const QStringList& args) {
    if (args.size() != 1) return ovtoolUsageError(dumpCommand);
    std::string bytes;
    if (!read_whole_file(args[0].toStdString(), bytes)) {
        ovtoolError(QString("can't read %1").arg(args[0]));
        return 1;
    }
    const QJsonObject description = DescribeOvtf(bytes);
    ovtoolPrint(QString::fromUtf8(QJsonDocument(description).toJson(QJsonDocument::Indented)));
    if (!description["file_header"].toBool()) {
        ovtoolError(QString("%1 is not an .ovtf file").arg(args[0]));
        return 1;
    }
    return 0;
}

// Generation g holds 50,000 + g % 1000 words, word i = g * 2654435761 + i.
constexpr uint32_t kSaveLoopMagic = 0x5A7E1009;

struct SaveLoopFile : CSerializable {
    uint32_t generation = 0;
    std::vector<uint32_t> words;

    void fill(uint32_t g) {
        generation = g;
        words.resize(50000 + g % 1000);
        for (size_t i = 0; i < words.size(); ++i) words[i] = g * 2654435761u + uint32_t(i);
    }
    bool Serialize(IOStream& s) override {
        Section section(s);
        int32_t count = int32_t(words.size());
        if (!s.declare(generation) || !s.declare(count) || count < 0 || count > 1000000)
            return false;
        if (s.isReading()) words.assign(size_t(count), 0);
        return s.declare_array(words.data(), 4, count) && section.Close();
    }
};

int runSaveLoop(const QStringList& args) {
    bool ok = false;
    const int count = args.size() == 2 ? args[1].toInt(&ok) : 0;
    if (!ok || count < 0) return ovtoolUsageError(saveLoopCommand);
    const std::string path = args[0].toStdString();
    SaveLoopFile file;
    // Carry on from the generation on disk, so a reader sees them only grow.
    uint32_t generation = file.ReadFile(path, kSaveLoopMagic) ? file.generation : 0;
    for (int i = 0; i < count; ++i) {
        file.fill(++generation);
        if (!file.WriteFile(path, kSaveLoopMagic)) {
            ovtoolError(QString("can't save %1").arg(args[0]));
            return 1;
        }
    }
    return 0;
}

}  // namespace
