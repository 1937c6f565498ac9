#include "data/mastrotation.h"

#include <cctype>
#include <cmath>
#include <string>

namespace {

bool namesMast(const char* name) {
    std::string upper(name);
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    return upper.find("MAST") != std::string::npos;
}

}  // namespace

bool CMastRotation::MastAngle(const CNMEA_Instruments::XDR& xdr, float& degrees) {
    if (xdr.type1 == 'A' && namesMast(xdr.name1) && std::isfinite(xdr.value1)) {
        degrees = xdr.value1;
        return true;
    }
    if (xdr.type2 == 'A' && namesMast(xdr.name2) && std::isfinite(xdr.value2)) {
        degrees = xdr.value2;
        return true;
    }
    return false;
}

std::shared_ptr<CMastRotation> CMastRotation::Shared() {
    static std::weak_ptr<CMastRotation> shared;
    std::shared_ptr<CMastRotation> sensor = shared.lock();
    if (!sensor) shared = sensor = std::make_shared<CMastRotation>();
    return sensor;
}

void CMastRotation::OnUpdate(CNMEA_Instruments::XDR& xdr) {
    if (!MastAngle(xdr, angle)) return;
    valid = true;
    Listener<CMastRotation>::Dispatch(*this);
}
