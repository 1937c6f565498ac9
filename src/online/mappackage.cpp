#include "online/mappackage.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "app/base/fileutils.h"
#include "app/base/typeserializer.h"

namespace {

constexpr size_t kMaxNameLength = 1024;

std::string withSlashes(std::string folder) {
    if (folder.empty() || folder.front() != '/') folder.insert(folder.begin(), '/');
    if (folder.back() != '/') folder += '/';
    return folder;
}

bool readEntry(CTypeSerializer& in, int64_t largest, MapPackageEntry& entry, std::string& error) {
    if (!in.get(entry.name) || !in.get(&entry.size, sizeof entry.size)) {
        error = "The package ends in the middle of its file list";
        return false;
    }
    if (entry.size == 0) return true;
    if (!packageNameIsSafe(entry.name)) {
        error = "The package names a file outside its folder: " + entry.name;
        return false;
    }
    if (entry.size < 0 || entry.size > largest) {
        error = "The package lists " + entry.name + " with a size beyond the allowed one";
        return false;
    }
    entry.checksums.resize(size_t(chunkCount(entry.size)));
    if (!in.get(entry.checksums.data(), int(entry.checksums.size() * sizeof(uint32_t)))) {
        error = "The package ends in the middle of the checksums of " + entry.name;
        return false;
    }
    return true;
}

}  // namespace

uint32_t chunkChecksum(const void* data, size_t length) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    uint32_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum += bytes[i];
    return sum;
}

int64_t chunkCount(int64_t size) {
    return size <= 0 ? 0 : (size + kPackageChunkSize - 1) / kPackageChunkSize;
}

bool packageNameIsSafe(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength || name.front() == '/') return false;
    if (name.find('\0') != std::string::npos || name.find('\\') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

int64_t MapPackage::totalBytes() const {
    int64_t total = 0;
    for (const MapPackageEntry& e : files) total += e.size;
    return total;
}

int64_t MapPackage::totalChunks() const {
    int64_t total = 0;
    for (const MapPackageEntry& e : files) total += chunkCount(e.size);
    return total;
}

bool ReadMapPackageBytes(const std::string& bytes, MapPackage& package, std::string& error) {
    package = MapPackage();
    CTypeBufferIn in(bytes);
    int32_t magic = 0, count = 0;
    if (!in.get(&magic, sizeof magic) || magic != kMapPackageMagic) {
        error = "This is not a map package";
        return false;
    }
    if (!in.get(package.host) || !in.get(package.folder) || !in.get(package.comment) ||
        !in.get(&package.largestSize, sizeof package.largestSize) ||
        !in.get(&count, sizeof count)) {
        error = "The package's header is cut short";
        return false;
    }
    if (package.host.empty() || count < 0 || count > kMaxPackageFiles) {
        error = "The package's header is damaged";
        return false;
    }
    package.folder = withSlashes(package.folder);
    // The package's own limit counts only below the program's.
    const int64_t largest = std::min(package.largestSize, kMaxPackageFileSize);
    for (int32_t i = 0; i < count; ++i) {
        MapPackageEntry entry;
        if (!readEntry(in, largest, entry, error)) return false;
        if (entry.size == 0) break;
        package.files.push_back(std::move(entry));
    }
    return true;
}

bool ReadMapPackage(const std::string& path, MapPackage& package, std::string& error) {
    std::string bytes;
    if (!read_whole_file(path, bytes)) {
        error = "Could not read the package " + path;
        return false;
    }
    return ReadMapPackageBytes(bytes, package, error);
}

std::string MapPackageBytes(const MapPackage& package) {
    CTypeBufferOut out;
    const int32_t magic = kMapPackageMagic, count = int32_t(package.files.size());
    out.put(&magic, sizeof magic);
    out.put(package.host);
    out.put(package.folder);
    out.put(package.comment);
    out.put(&package.largestSize, sizeof package.largestSize);
    out.put(&count, sizeof count);
    for (const MapPackageEntry& e : package.files) {
        out.put(e.name);
        out.put(&e.size, sizeof e.size);
        out.put(e.checksums.data(), int(e.checksums.size() * sizeof(uint32_t)));
    }
    return out.bytes();
}

bool WriteMapPackage(const std::string& path, const MapPackage& package) {
    return write_to_file(path, MapPackageBytes(package));
}

bool MakeMapPackage(const std::string& folder, const std::string& host,
                    const std::string& serverFolder, MapPackage& package, std::string& error) {
    package = MapPackage();
    package.host = host;
    package.folder = withSlashes(serverFolder);
    const QString root = QFileInfo(QString::fromStdString(folder)).absoluteFilePath();
    if (!QFileInfo(root).isDir()) {
        error = "Not a folder: " + folder;
        return false;
    }
    std::vector<std::string> names;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = path.mid(root.size() + 1);
        if (name.startsWith('.') || name.contains("/.") || name.endsWith(".ovpkg")) continue;
        names.push_back(name.toStdString());
    }
    std::sort(names.begin(), names.end());
    std::vector<char> buffer(static_cast<size_t>(kPackageChunkSize));
    for (const std::string& name : names) {
        QFile file(root + '/' + QString::fromStdString(name));
        if (!file.open(QIODevice::ReadOnly) || file.size() == 0) continue;
        MapPackageEntry entry{name, file.size(), {}};
        for (int64_t done = 0; done < entry.size;) {
            const qint64 n = file.read(buffer.data(), qint64(buffer.size()));
            if (n <= 0) {
                error = "Could not read " + name;
                return false;
            }
            entry.checksums.push_back(chunkChecksum(buffer.data(), size_t(n)));
            done += n;
        }
        package.largestSize = std::max(package.largestSize, entry.size);
        package.files.push_back(std::move(entry));
    }
    return true;
}
