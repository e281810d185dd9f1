// quelta-serve's change bodies on any bytes: the body check, then the colour set of a PUT to
// /api/colours and the point of a POST to /api/calibrate. Promises checked: a refusal always
// says why; an accepted set is valid and comes back the same through its own JSON form; an
// accepted point names a colour of the set and lies in the coordinates' range.
#include "ColourSet.h"
#include "ColoursJson.h"
#include "FuzzCheck.h"
#include "RequestGuard.h"

#include <QByteArray>
#include <QJsonDocument>

#include <cstdint>

namespace {

void CheckColours(const QJsonObject& object) {
    QString problem;
    const std::optional<CColourSet> set = ColoursFromObject(object, problem);
    if (!set) {
        FUZZ_CHECK(!problem.isEmpty(), "a refused set says why");
        return;
    }
    FUZZ_CHECK(!ColourSetProblem(*set), "an accepted set is valid");
    // What GET /api/colours then shows, as a PUT, is the same set.
    const QJsonObject shown = ColoursObject(*set);
    const QJsonDocument written(shown);
    const QJsonObject read = QJsonDocument::fromJson(written.toJson()).object();
    const std::optional<CColourSet> again = ColoursFromObject(read, problem);
    FUZZ_CHECK(again && *again == *set, "a set comes back the same through its JSON");
}

void CheckCalibration(const QJsonObject& object) {
    CColourSet set;
    set.Colours.emplace_back().Name = "vermell";
    set.Colours.emplace_back().Name = "verd";
    QString problem;
    const std::optional<CCalibrationPoint> point = CalibrationFromObject(object, set, problem);
    if (!point) {
        FUZZ_CHECK(!problem.isEmpty(), "a refused point says why");
        return;
    }
    FUZZ_CHECK(point->Colour >= 0 && point->Colour < 2, "the point names a colour of the set");
    FUZZ_CHECK(point->X >= 0 && point->X <= MaxCoordinate && point->Y >= 0 &&
                   point->Y <= MaxCoordinate,
               "the point is in range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CRefusal refusal{QHttpServerResponder::StatusCode::BadRequest, {}};
    const std::optional<QJsonObject> object = ChangeObject(body, refusal);
    if (!object) {
        FUZZ_CHECK(!refusal.Reason.isEmpty(), "a refused body says why");
        return 0;
    }
    CheckColours(*object);
    CheckCalibration(*object);
    return 0;
}
