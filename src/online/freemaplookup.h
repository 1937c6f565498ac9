// The best free map at a place, from the map-list service: the map view asks
// for it when no installed map covers the place.
//
// Request to "/cgi-bin/mapstore3.cgi" (typed serializer): int32 101 (map
// list), int32 5 (version), double latitude, double longitude.
// Reply: int32 count N (0..kMaxMaps), then N times: string title, string
// server path of the map file, double scale (nautical miles per pixel),
// int32 price (0: free).
// The most detailed free map is fetched whole into the downloaded-maps
// folder, under the last component of its server path, which must be a
// plain "*.ktl" name.
#pragma once

#include <QUrl>
#include <functional>
#include <string>
#include <vector>

class CTypeSerializer;

struct FreeMapOffer {
    std::string title, serverPath;
    double scale = 0;
    int32_t price = 0;
};

constexpr int kMapListCommand = 101;
constexpr int kMapListVersion = 5;
constexpr char kMapStoreCgi[] = "/cgi-bin/mapstore3.cgi";

// Reads the list; false for a reply cut short or a count out of range.
bool ReadMapList(CTypeSerializer& reply, std::vector<FreeMapOffer>& offers);
// The most detailed free offer whose file name is safe, or null.
const FreeMapOffer* BestFreeMap(const std::vector<FreeMapOffer>& offers);
// The local file name of an offer: the last component of its server path,
// "" unless that is a plain "*.ktl" name and the path has no "..".
std::string FreeMapFileName(const std::string& serverPath);

// Asks `service` (scheme, host, port) for the list at the place and fetches
// the best free map into `folder`; done(path) follows once, path "" when
// there is none or something failed.
void FetchBestFreeMap(const QUrl& service, double lat, double lon, const std::string& folder,
                      std::function<void(const std::string& path)> done);
