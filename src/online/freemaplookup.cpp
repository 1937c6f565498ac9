#include "online/freemaplookup.h"

#include <QDir>
#include <cctype>

#include "app/base/typeserializer.h"
#include "online/webbinarycgi_nb.h"
#include "online/webserver_nb.h"

namespace {

constexpr int32_t kMaxMaps = 10000;

}  // namespace

bool ReadMapList(CTypeSerializer& reply, std::vector<FreeMapOffer>& offers) {
    offers.clear();
    int32_t count = 0;
    if (!reply.get(&count, sizeof count) || count < 0 || count > kMaxMaps) return false;
    for (int32_t i = 0; i < count; ++i) {
        FreeMapOffer offer;
        if (!reply.get(offer.title) || !reply.get(offer.serverPath) ||
            !reply.get(&offer.scale, sizeof offer.scale) ||
            !reply.get(&offer.price, sizeof offer.price))
            return false;
        offers.push_back(std::move(offer));
    }
    return true;
}

std::string FreeMapFileName(const std::string& serverPath) {
    if (("/" + serverPath + "/").find("/../") != std::string::npos) return {};
    const std::string name = serverPath.substr(serverPath.rfind('/') + 1);
    if (name.size() < 5 || name.size() > 120 || name.front() == '.') return {};
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
            return {};
    const std::string ext = name.substr(name.size() - 4);
    return ext == ".ktl" || ext == ".KTL" ? name : std::string();
}

const FreeMapOffer* BestFreeMap(const std::vector<FreeMapOffer>& offers) {
    const FreeMapOffer* best = nullptr;
    for (const FreeMapOffer& o : offers)
        if (o.price == 0 && o.scale > 0 && !FreeMapFileName(o.serverPath).empty() &&
            (!best || o.scale < best->scale))
            best = &o;
    return best;
}

void FetchBestFreeMap(const QUrl& service, double lat, double lon, const std::string& folder,
                      std::function<void(const std::string& path)> done) {
    const bool secure = service.scheme() == "https";
    if (service.host().isEmpty()) return done({});
    auto* request =
        new CWebBinaryCGI_NB(service.host(), kMapStoreCgi, false, secure, service.port(0));
    const int32_t command = kMapListCommand, version = kMapListVersion;
    request->put(&command, sizeof command);
    request->put(&version, sizeof version);
    request->put(&lat, sizeof lat);
    request->put(&lon, sizeof lon);
    const bool sent = request->Send([service, folder, done](CWebBinaryCGI_NB* reply, bool ok) {
        std::vector<FreeMapOffer> offers;
        const FreeMapOffer* best =
            ok && ReadMapList(*reply, offers) ? BestFreeMap(offers) : nullptr;
        if (!best) return done({});
        QDir().mkpath(QString::fromStdString(folder));
        const std::string path = folder + "/" + FreeMapFileName(best->serverPath);
        auto* web =
            new CWebServer_NB(service.host(), false, service.scheme() == "https", service.port(0));
        // Called once, also when the request could not start; the client
        // goes once its callback has run.
        web->SetCompletion([web, path, done](int result) {
            web->deleteLater();
            done(result == 1 ? path : std::string());
        });
        const QString serverPath = QString::fromStdString(best->serverPath);
        web->GetFile(serverPath.startsWith('/') ? serverPath : '/' + serverPath,
                     QString::fromStdString(path));
    });
    if (!sent) {
        delete request;
        done({});
    }
}
