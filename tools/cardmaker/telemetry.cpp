// The telemetry block of front files: header and record encoding, and the
// scripted drive or parking stay the records describe.

#include "cardmaker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace kv::cardmaker {

namespace {

// ---------------------------------------------------------------------------
// Field writers. Every field has a fixed width; the writers never spill.

void PutText(QByteArray& out, int offset, const char* text, int width) {
    for (int i = 0; i < width; ++i) {
        out[offset + i] = text[i];
    }
}

void PutNumber(QByteArray& out, int offset, int width, const char* format, long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    PutText(out, offset, buffer, width);
}

void PutBlanks(QByteArray& out, int offset, int width) {
    for (int i = 0; i < width; ++i) {
        out[offset + i] = ' ';
    }
}

// Degrees and minutes text: DDMM.MMMM (latitude, 2 degree digits) or DDDMM.MMMM (longitude).
void PutDegreesMinutes(QByteArray& out, int offset, double degrees, int degreeDigits) {
    const double a = std::fabs(degrees);
    long long whole = static_cast<long long>(std::floor(a));
    long long tenThousandths = std::llround((a - static_cast<double>(whole)) * 600000.0);
    if (tenThousandths >= 600000) {
        ++whole;
        tenThousandths -= 600000;
    }
    char buffer[64]; // room for any long long, so the text is never cut
    std::snprintf(buffer, sizeof buffer, "%0*lld%02lld.%04lld", degreeDigits, whole,
                  tenThousandths / 10000, tenThousandths % 10000);
    PutText(out, offset, buffer, degreeDigits + 7);
}

// The exact value of the degrees-and-minutes text that PutDegreesMinutes writes for `degrees`.
double QuantizeDegrees(double degrees) {
    const double a = std::fabs(degrees);
    double whole = std::floor(a);
    long long tenThousandths = std::llround((a - whole) * 600000.0);
    if (tenThousandths >= 600000) {
        whole += 1.0;
        tenThousandths -= 600000;
    }
    const double q = whole + static_cast<double>(tenThousandths) / 600000.0;
    return degrees < 0 ? -q : q;
}

// ---------------------------------------------------------------------------
// Deterministic noise.

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A value in [-amplitude, amplitude] fixed by (seed, index, channel).
int Noise(std::uint64_t seed, int index, int channel, int amplitude) {
    if (amplitude <= 0) {
        return 0;
    }
    const std::uint64_t h = Mix(seed * 1000003ull + static_cast<std::uint64_t>(index) * 97ull +
                                static_cast<std::uint64_t>(channel));
    return static_cast<int>(h % static_cast<std::uint64_t>(2 * amplitude + 1)) - amplitude;
}

// ---------------------------------------------------------------------------
// The drive. Positions on the script are "slots": one slot is one recording of the
// session at its nominal length (RecordingSpec::sessionPace real seconds).

struct Knot {
    double slot;
    double kmh;
};

// Speed over one drive: start from rest, city traffic, an expressway stretch above
// 100 km/h, a tunnel, a hard stop at a crossing, pulling away hard, a sharp turn, parking.
constexpr Knot kSpeed[] = {
    {0.00, 0},   {0.35, 0},   {1.00, 38},  {2.00, 52},  {2.80, 92}, {3.30, 112},
    {3.80, 106}, {4.30, 72},  {5.00, 60},  {6.00, 62},  {7.00, 45}, {8.00, 50},
    {9.00, 42},  {9.45, 46},  {9.60, 6},   {9.75, 0},   {10.20, 0}, {10.45, 34},
    {11.00, 40}, {11.40, 38}, {11.60, 30}, {12.00, 20}, {12.30, 0}, {13.00, 0},
};
constexpr double kDrivePeriod = 13.0;

constexpr double kColdStartEnd = 0.30; // no fix yet: everything blank
constexpr double kVoltageReady = 0.15; // supply voltage not yet measured
constexpr double kTunnelBegin = 5.45;  // no fix, last position kept
constexpr double kTunnelEnd = 6.55;
constexpr double kHardBraking = 9.55;       // drive support 'B'
constexpr double kHardAcceleration = 10.30; // drive support 'A'
constexpr double kSharpTurn = 11.50;        // drive support 'H'
constexpr double kEmergencyStop = 11.90;    // emergency recording stop

double Wrap(double slot) {
    const double w = std::fmod(slot, kDrivePeriod);
    return w < 0 ? w + kDrivePeriod : w;
}

double SpeedAt(double slot) {
    const double u = Wrap(slot);
    for (std::size_t k = 1; k < std::size(kSpeed); ++k) {
        if (u <= kSpeed[k].slot) {
            const Knot& a = kSpeed[k - 1];
            const Knot& b = kSpeed[k];
            return a.kmh + (b.kmh - a.kmh) * (u - a.slot) / (b.slot - a.slot);
        }
    }
    return kSpeed[std::size(kSpeed) - 1].kmh;
}

// km/h per slot.
double SpeedSlopeAt(double slot) {
    const double u = Wrap(slot);
    for (std::size_t k = 1; k < std::size(kSpeed); ++k) {
        if (u < kSpeed[k].slot) {
            const Knot& a = kSpeed[k - 1];
            const Knot& b = kSpeed[k];
            return (b.kmh - a.kmh) / (b.slot - a.slot);
        }
    }
    return 0.0;
}

// The integral of the speed from slot 0 to `slot`, in km/h x slots.
double SpeedIntegral(double slot) {
    double area = 0.0;
    double periodArea = 0.0;
    for (std::size_t k = 1; k < std::size(kSpeed); ++k) {
        periodArea +=
            (kSpeed[k].kmh + kSpeed[k - 1].kmh) / 2.0 * (kSpeed[k].slot - kSpeed[k - 1].slot);
    }
    const double periods = std::floor(slot / kDrivePeriod);
    area += periods * periodArea;
    const double u = slot - periods * kDrivePeriod;
    for (std::size_t k = 1; k < std::size(kSpeed); ++k) {
        const Knot& a = kSpeed[k - 1];
        const Knot& b = kSpeed[k];
        if (u <= a.slot) {
            break;
        }
        const double end = std::min(u, b.slot);
        const double endSpeed = a.kmh + (b.kmh - a.kmh) * (end - a.slot) / (b.slot - a.slot);
        area += (a.kmh + endSpeed) / 2.0 * (end - a.slot);
    }
    return area;
}

struct LatLon {
    double lat;
    double lon;
};

// Tokyo Station southwards along the old Tokaido road to Kawasaki.
constexpr LatLon kRoute[] = {
    {35.68124, 139.76712}, {35.67170, 139.76503}, {35.66631, 139.75830}, {35.65564, 139.75700},
    {35.64575, 139.74760}, {35.62850, 139.73870}, {35.60600, 139.73500}, {35.58840, 139.72790},
    {35.56260, 139.71600}, {35.53130, 139.69690},
};
constexpr LatLon kParkingLot = {35.65858, 139.74543};

constexpr double kMetresPerDegreeLat = 111320.0;
double MetresPerDegreeLon() {
    return kMetresPerDegreeLat * std::cos(35.6 * std::numbers::pi / 180.0);
}

double SegmentLength(const LatLon& a, const LatLon& b) {
    const double dy = (b.lat - a.lat) * kMetresPerDegreeLat;
    const double dx = (b.lon - a.lon) * MetresPerDegreeLon();
    return std::sqrt(dx * dx + dy * dy);
}

// The point `metres` along the route; past its end the car drives back.
LatLon RoutePoint(double metres) {
    double total = 0.0;
    for (std::size_t k = 1; k < std::size(kRoute); ++k) {
        total += SegmentLength(kRoute[k - 1], kRoute[k]);
    }
    double d = std::fmod(metres, 2.0 * total);
    if (d > total) {
        d = 2.0 * total - d;
    }
    for (std::size_t k = 1; k < std::size(kRoute); ++k) {
        const double len = SegmentLength(kRoute[k - 1], kRoute[k]);
        if (d <= len || k + 1 == std::size(kRoute)) {
            const double f = len > 0 ? std::clamp(d / len, 0.0, 1.0) : 0.0;
            return {kRoute[k - 1].lat + (kRoute[k].lat - kRoute[k - 1].lat) * f,
                    kRoute[k - 1].lon + (kRoute[k].lon - kRoute[k - 1].lon) * f};
        }
        d -= len;
    }
    return kRoute[0];
}

LatLon DrivePosition(double slot, double pace) {
    return RoutePoint(SpeedIntegral(slot) * pace / 3.6);
}

// True when the scripted moment `eventSlot` falls into the record that covers
// [slot, slot + width).
bool Covers(double slot, double width, double eventSlot) {
    const double periods = std::floor(slot / kDrivePeriod);
    for (double p = periods - 1; p <= periods + 1; ++p) {
        const double e = eventSlot + p * kDrivePeriod;
        if (slot <= e && e < slot + width) {
            return true;
        }
    }
    return false;
}

constexpr std::uint16_t kNoData = 0x2020;
constexpr std::uint16_t kUnchanged = 0x3FFF;

void NoVehicleData(TelemetryScriptRecord& r) {
    r.vehicleBytes = {0x20, 0x20, 0x20, 0x20};
    r.vehicleWords.fill(kNoData);
}

// Peak milli-G of a G-sensor trigger per axis, and the shape around it.
int TriggerPeak(char axis) {
    switch (axis) {
    case 'X':
        return -860; // hit from the front: strong deceleration
    case 'Y':
        return 720;
    default:
        return -940; // 'Z': a hard bump
    }
}

} // namespace

LocalTime TelemetryScriptRecord::EffectiveTime() const {
    return addedSeconds < 0 ? time : AddSeconds(time, addedSeconds);
}

QByteArray EncodeTelemetryHeader(const TelemetryHeaderSpec& h) {
    QByteArray out(32, '\0');
    PutNumber(out, 0, 4, "%04lld", std::clamp(h.thresholdX, 0, 9999));
    PutNumber(out, 4, 4, "%04lld", std::clamp(h.thresholdY, 0, 9999));
    PutNumber(out, 8, 4, "%04lld", std::clamp(h.thresholdZ, 0, 9999));
    PutNumber(out, 12, 4, "%04lld", std::clamp(h.threshold4, 0, 9999));
    out[16] = h.thresholdMark;
    PutText(out, 17, "000000", 6);
    out[23] = h.quality;
    out[24] = '0';
    out[25] = h.vehicleDataKind;
    out[26] = h.speedDisplay ? '1' : '\0';
    out[27] = h.gpsDisplay ? '1' : '\0';
    return out; // bytes 28-31 stay zero
}

QByteArray EncodeTelemetryRecord(const TelemetryScriptRecord& r) {
    QByteArray out(static_cast<int>(kTelemetryRecordLength), ' ');
    PutNumber(out, 0, 8, "%08lld", r.sequence % 100000000u);
    out[8] = r.gpsStatus;
    if (r.positionBlank) {
        PutBlanks(out, 9, 9);
        out[18] = '\0';
        PutBlanks(out, 19, 10);
        out[29] = '\0';
    } else {
        PutDegreesMinutes(out, 9, r.latitude, 2);
        out[18] = r.latitude < 0 ? '\0' : 'N';
        PutDegreesMinutes(out, 19, r.longitude, 3);
        out[29] = r.longitude < 0 ? '\0' : 'E';
    }
    if (r.speedKmh < 0) {
        PutBlanks(out, 30, 4);
    } else {
        PutNumber(out, 30, 4, "%4lld", std::min(r.speedKmh, 9999));
    }
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d%02d", r.time.year % 100 % 100,
                  std::clamp(r.time.month, 0, 99), std::clamp(r.time.day, 0, 99),
                  std::clamp(r.time.hour, 0, 99), std::clamp(r.time.minute, 0, 99),
                  std::clamp(r.time.second, 0, 99));
    PutText(out, 34, stamp, 12);
    if (r.addedSeconds < 0) {
        PutText(out, 47, "*  ", 3);
    } else {
        PutNumber(out, 47, 3, "%03lld", std::min(r.addedSeconds, 999));
    }
    if (r.voltageTenths < 0) {
        PutBlanks(out, 51, 3);
    } else {
        PutNumber(out, 51, 3, "%03lld", std::min(r.voltageTenths, 999));
    }
    PutNumber(out, 62, 5, "%05lld", std::clamp(r.accelX, -9999, 99999));
    PutNumber(out, 67, 5, "%05lld", std::clamp(r.accelY, -9999, 99999));
    PutNumber(out, 72, 5, "%05lld", std::clamp(r.accelZ, -9999, 99999));
    out[77] = r.manual;
    out[78] = r.axis;
    out[79] = r.driveSupport;
    out[80] = r.emergencyStop;
    out[81] = r.parkingEvent;
    out[82] = r.speeding;
    out[83] = r.approaching;
    for (int i = 0; i < 4; ++i) {
        out[84 + i] = static_cast<char>(r.vehicleBytes[static_cast<std::size_t>(i)]);
    }
    for (int i = 0; i < 18; ++i) {
        const std::uint16_t w = r.vehicleWords[static_cast<std::size_t>(i)];
        out[88 + 2 * i] = static_cast<char>(w & 0xFF);
        out[89 + 2 * i] = static_cast<char>(w >> 8);
    }
    out[128] = r.statusMark;
    out[129] = static_cast<char>(r.nibbles);
    return out;
}

int TelemetryRecordCount(const RecordingSpec& recipe) {
    // Records cover the whole video: ceil(video ms / record interval).
    const long long frames = FrameCount(recipe);
    // Video ms = frames * scale * 1000 / rate; intervals of 100 ms or of 200/3 ms.
    const long long num =
        IsTimeLapseName(recipe.fileName) ? frames * recipe.scale * 15 : frames * recipe.scale * 10;
    const long long den = static_cast<long long>(recipe.rate);
    return den > 0 ? static_cast<int>((num + den - 1) / den) : 0;
}

std::vector<TelemetryScriptRecord> TelemetryScript(const RecordingSpec& recipe) {
    const QString& name = recipe.fileName;
    const int count = TelemetryRecordCount(recipe);
    std::vector<TelemetryScriptRecord> records(static_cast<std::size_t>(std::max(count, 0)));
    if (count <= 0 || name.size() != 30) {
        return records;
    }

    const bool timeLapse = IsTimeLapseName(name);
    const bool parking = IsParkingGroupName(name);
    const char trigger = static_cast<char>(name[1].unicode());
    const LocalTime start = StartTimeFromName(name);
    const std::uint64_t seed = static_cast<std::uint64_t>(FileNumberFromName(name));
    const double realStep = timeLapse ? 1.0 : 0.1;
    const double pace = recipe.sessionPace > 0 ? recipe.sessionPace : 10.0;
    const double width = realStep / pace; // slots per record
    const int middle = count / 2;
    const char axis = trigger == 'G' ? (recipe.triggerAxis ? recipe.triggerAxis : 'X') : 0;
    const bool vehicleData = recipe.header.vehicleDataKind == '3';
    const std::uint32_t sequenceBase =
        static_cast<std::uint32_t>(std::llround(recipe.sessionSeconds / realStep));

    const LatLon tunnelEntry = DrivePosition(kTunnelBegin, pace);

    for (int i = 0; i < count; ++i) {
        TelemetryScriptRecord& r = records[static_cast<std::size_t>(i)];
        const double t = recipe.sessionSeconds + i * realStep;
        const double slot = t / pace;
        const double u = Wrap(slot);

        r.sequence = sequenceBase + static_cast<std::uint32_t>(i);
        r.time = AddSeconds(start, timeLapse ? i : i / 10);
        r.addedSeconds = 0;
        r.accelX = Noise(seed, i, 1, parking ? 4 : 12);
        r.accelY = Noise(seed, i, 2, parking ? 4 : 10);
        r.accelZ = Noise(seed, i, 3, parking ? 4 : 15);

        if (parking) {
            // Parked: a fixed spot with GPS jitter, engine off, the battery slowly draining.
            if (slot < 0.20) {
                r.gpsStatus = 'V';
                r.positionBlank = true;
                r.speedKmh = -1;
                r.addedSeconds = -1;
                r.nibbles = 0x00;
            } else {
                r.gpsStatus = 'A';
                r.positionBlank = false;
                r.latitude = QuantizeDegrees(kParkingLot.lat + Noise(seed, i, 4, 20) * 1e-6);
                r.longitude = QuantizeDegrees(kParkingLot.lon + Noise(seed, i, 5, 20) * 1e-6);
                r.speedKmh = 0;
                r.nibbles = static_cast<std::uint8_t>(((5 + (i / 41) % 3) << 4) | 1);
            }
            r.voltageTenths = std::max(118, 124 - static_cast<int>(slot / 3.0));
            r.driveSupport = 'N';
            r.statusMark = 'r';
            NoVehicleData(r);
            if (!timeLapse && name[0] == 'P' && i == middle) {
                r.parkingEvent = 'D';
            }
        } else {
            const double kmh = SpeedAt(slot);
            const bool coldStart = u < kColdStartEnd;
            const bool tunnel = u >= kTunnelBegin && u < kTunnelEnd;
            if (coldStart) {
                r.gpsStatus = 'V';
                r.positionBlank = true;
                r.speedKmh = -1;
                r.addedSeconds = -1;
                r.nibbles = 0x00;
            } else if (tunnel) {
                r.gpsStatus = 'V';
                r.positionBlank = false;
                r.latitude = QuantizeDegrees(tunnelEntry.lat);
                r.longitude = QuantizeDegrees(tunnelEntry.lon);
                r.speedKmh = -1;
                r.nibbles = 0x10;
            } else {
                const LatLon p = DrivePosition(slot, pace);
                r.gpsStatus = 'A';
                r.positionBlank = false;
                r.latitude = QuantizeDegrees(p.lat);
                r.longitude = QuantizeDegrees(p.lon);
                r.speedKmh = static_cast<int>(std::lround(kmh));
                r.nibbles = static_cast<std::uint8_t>(((7 + (i / 53) % 4) << 4) | (1 + i / 97 % 2));
                // Now and then the recorder writes the previous second and adds one.
                if (i % 37 == 11) {
                    r.time = AddSeconds(r.time, -1);
                    r.addedSeconds = 1;
                }
            }
            r.voltageTenths = u < kVoltageReady
                                  ? -1
                                  : 139 +
                                        static_cast<int>(std::lround(2.0 * std::sin(slot * 0.7))) +
                                        Noise(seed, i, 6, 1);

            // Longitudinal acceleration follows the speed profile.
            const double metresPerSecond2 = SpeedSlopeAt(slot) / 3.6 / pace;
            r.accelX += static_cast<int>(std::lround(metresPerSecond2 / 9.80665 * 1000.0));
            r.accelX = std::clamp(r.accelX, -1500, 1500);
            r.accelY += static_cast<int>(std::lround(60.0 * std::sin(slot * 2.3)));

            r.speeding = kmh > 100.0 ? 'D' : ' ';
            r.driveSupport = 'N';
            if (Covers(slot, width, kHardBraking)) {
                r.driveSupport = 'B';
            } else if (Covers(slot, width, kHardAcceleration)) {
                r.driveSupport = 'A';
            } else if (Covers(slot, width, kSharpTurn)) {
                r.driveSupport = 'H';
                r.accelY = 480 + Noise(seed, i, 7, 20);
            }
            if (Covers(slot, width, kEmergencyStop)) {
                r.emergencyStop = 'D';
            }
            if (trigger == 'M' && i == middle) {
                r.manual = 'D';
            }
            if (trigger == 'D' && i >= middle && i < middle + 3) {
                r.approaching = 'D';
            }
            r.statusMark = trigger == 'M' ? 'M' : 'R';

            if (vehicleData) {
                const int rpm = 750 + static_cast<int>(kmh * 28.0);
                const int gear = kmh < 1 ? 0 : std::min(6, 1 + static_cast<int>(kmh / 20.0));
                r.vehicleBytes = {0x01, static_cast<std::uint8_t>(gear), 0x00,
                                  static_cast<std::uint8_t>(i & 0xFF)};
                r.vehicleWords.fill(kNoData);
                r.vehicleWords[0] =
                    static_cast<std::uint16_t>(40 + std::min(88.0, 60.0 + slot * 8));
                r.vehicleWords[1] = static_cast<std::uint16_t>(std::lround(kmh) + 11);
                r.vehicleWords[2] =
                    static_cast<std::uint16_t>(std::clamp(15 + r.accelX / 10, 0, 100) * 100);
                r.vehicleWords[3] =
                    i % 25 == 24 ? kUnchanged : static_cast<std::uint16_t>(rpm / 10);
                r.vehicleWords[7] = static_cast<std::uint16_t>(620 - static_cast<int>(slot));
            } else {
                NoVehicleData(r);
            }
        }

        if (axis && i >= middle - 1 && i <= middle + 1) {
            const int peak = TriggerPeak(axis);
            const int value = i == middle ? peak : (i < middle ? peak * 2 / 5 : peak / 2);
            int& field = axis == 'X' ? r.accelX : axis == 'Y' ? r.accelY : r.accelZ;
            field = value + Noise(seed, i, 8, 15);
            if (i == middle) {
                r.axis = axis;
                if (parking) {
                    r.parkingEvent = 'D';
                }
            }
        }
    }
    return records;
}

} // namespace kv::cardmaker
