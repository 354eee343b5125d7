#pragma once

// The demo card maker: writes recorder SD cards (and single recordings) in the
// recorder's exact file layout, with real H.264 video, IMA ADPCM audio and a
// scripted telemetry block, so the viewer and its tests have known input.
//
// Everything here is deterministic: the same options give the same bytes.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kv::cardmaker {

// ---------------------------------------------------------------------------
// Fixed numbers of the recorder's files.

constexpr std::uint32_t kNormalHeaderLength = 384;    // video + audio stream lists
constexpr std::uint32_t kTimeLapseHeaderLength = 280; // video stream list only
constexpr std::uint32_t kTelemetryRecordLength = 130;
constexpr std::uint32_t kTelemetryFramingLength = 68; // "CSMDAT", header, count, trailer
constexpr std::uint32_t kFullLengthSlots = 4600;
constexpr std::uint32_t kFullLengthBlockLength =
    kTelemetryFramingLength + kTelemetryRecordLength * kFullLengthSlots; // 598068
constexpr int kAudioSampleRate = 8000;
constexpr int kAudioBlockAlign = 256;
constexpr int kAudioSamplesPerBlock = 505;
constexpr std::uint32_t kAudioAverageBytesPerSecond = 4055;

// A wall-clock time as the recorder writes it (local time, no zone).
struct LocalTime {
    int year = 2000; // full year
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

// `t` moved by `seconds` in plain calendar arithmetic (no daylight saving).
LocalTime AddSeconds(const LocalTime& t, std::int64_t seconds);
// Seconds from 2000-01-01 00:00:00 to `t`, in the same arithmetic.
std::int64_t SecondsSince2000(const LocalTime& t);

// ---------------------------------------------------------------------------
// File names.

// The recorder's 30-character name test: "[APT_][GMD_][T_][S_]-YYMMDD-hhmmss-NNNNNN[FR].AVI"
// with a mode letter (first character A, P or T) or a time-lapse mark (third 'T').
bool IsValidRecordingName(const QString& name);
bool IsTimeLapseName(const QString& name);    // first or third character 'T'
bool IsParkingGroupName(const QString& name); // 'P' first, or 'T' third and first not A/T
bool IsFrontName(const QString& name);        // camera letter 'F'
// The start time written into a valid name.
LocalTime StartTimeFromName(const QString& name);
int FileNumberFromName(const QString& name);
// Builds a name: `kind` is the four leading characters ("A__S", "P_T_", ...).
QString MakeRecordingName(const QString& kind, const LocalTime& start, int fileNumber, char camera);
// The same name with the other camera letter.
QString CounterpartName(const QString& name);

// ---------------------------------------------------------------------------
// Telemetry.

enum class TelemetryForm {
    None,       // no block (rear files)
    FullLength, // 598068 bytes: count 0xFFFF, 4600 slots, "CSMEND" record, trailer count 4600
    ExactCount, // 68 + 130 N bytes: count N, N records, trailer count N
};

// The 32 header bytes after "CSMDAT".
struct TelemetryHeaderSpec {
    int thresholdX = 500; // milli-G, written as 4-digit text
    int thresholdY = 500;
    int thresholdZ = 700;
    int threshold4 = 300;
    char thresholdMark = 'M';   // thresholds are meaningful only with 'M' or 'D'
    char quality = 'H';         // 'H' high, other = low
    char vehicleDataKind = '3'; // '3' vehicle words carry data, '2' / 'N' they do not
    bool speedDisplay = true;   // byte 26: 0x00 off, '1' on
    bool gpsDisplay = true;     // byte 27: 0x00 off, '1' on
};

// One 130-byte record as written. Text fields that the recorder leaves blank
// are flagged here; the encoder writes them as spaces.
struct TelemetryScriptRecord {
    std::uint32_t sequence = 0; // bytes 0-7 as "%08u"; never begins with "CSMEND"
    char gpsStatus = 'V';       // byte 8: 'A' valid fix
    bool positionBlank = true;  // latitude/longitude text all blanks, hemisphere bytes 0x00
    double latitude = 0.0;      // signed degrees; exact value of the written DDMM.MMMM text
    double longitude = 0.0;     // signed degrees; exact value of the written DDDMM.MMMM text
    int speedKmh = -1;          // bytes 30-33 "%4d"; -1 = four blanks
    LocalTime time;             // bytes 34-45 as written
    int addedSeconds = 0;       // bytes 47-49 "%03d"; -1 = '*' (nothing added)
    int voltageTenths = -1;     // bytes 51-53 "%03d"; -1 = three blanks
    int accelX = 0;             // bytes 62-66 milli-G, "%05d" (sign takes a digit's place)
    int accelY = 0;             // bytes 67-71
    int accelZ = 0;             // bytes 72-76
    char manual = ' ';          // byte 77: 'D' manual recording
    char axis = ' ';            // byte 78: 'X', 'Y', 'Z' G-sensor trigger
    char driveSupport = 'N';    // byte 79: 'H', 'A', 'B', 'N'
    char emergencyStop = ' ';   // byte 80: 'D'
    char parkingEvent = ' ';    // byte 81: 'D'
    char speeding = ' ';        // byte 82: 'D'
    char approaching = ' ';     // byte 83: 'D'
    std::array<std::uint8_t, 4> vehicleBytes{};   // bytes 84-87
    std::array<std::uint16_t, 18> vehicleWords{}; // bytes 88-123, little-endian; 0x2020 no data
    char statusMark = 'R';                        // byte 128
    std::uint8_t nibbles = 0;                     // byte 129

    // The time the record stands for: `time` plus `addedSeconds` (when not '*').
    LocalTime EffectiveTime() const;
};

// The 32 header bytes (not including "CSMDAT" or the count).
QByteArray EncodeTelemetryHeader(const TelemetryHeaderSpec& header);
// Exactly 130 bytes.
QByteArray EncodeTelemetryRecord(const TelemetryScriptRecord& record);

// ---------------------------------------------------------------------------
// One recording file.

enum class Damage {
    None,
    PowerLoss,     // RIFF size 0, movi size 0, stream counts 0, every chunk complete up to the
                   // end of the file, no index, no telemetry block
    CutInsideMovi, // complete header (RIFF and movi sizes of the whole recording), file cut in
                   // the middle of a chunk payload about half-way through the chunk stream
};

struct RecordingSpec {
    QString fileName = "A__S-261205-093000-000101F.AVI"; // decides layout, camera and script
    int width = 1280;                                    // even, 16..4096
    int height = 720;
    std::uint32_t rate = 30; // video dwRate / dwScale
    std::uint32_t scale = 1;
    double seconds = 10.0; // of video; frames = round(seconds * rate / scale)
    bool audio = true;     // must be false for a time-lapse name
    TelemetryForm telemetry = TelemetryForm::FullLength;
    TelemetryHeaderSpec header;
    Damage damage = Damage::None;

    // Place of the recording in its session (a drive, or a stay in a parking
    // lot): real seconds from the start of the session to the first frame, and
    // the real seconds the session's script is stretched to per recording slot
    // (so short test recordings still pass every scripted event).
    double sessionSeconds = 0.0;
    double sessionPace = 10.0;
    char triggerAxis = 0; // 'X', 'Y' or 'Z': a G-sensor trigger in the middle (impact names)
    int crf = 23;         // libx264 quality
    // Sensor-like noise on the background, +-grain luma steps, new every frame (0 = none).
    // Real footage is full of fine detail, which the plain pictures lack; with grain 10
    // and a bitrate the recording has a real recorder's size and decoding cost. The
    // stamp stays clean.
    int grain = 0;
    // Constant bitrate in kbit/s, with CABAC and the loop filter as recorders encode,
    // instead of the fast crf encoding (0 = crf).
    int bitrateKbps = 0;
};

int FrameCount(const RecordingSpec& recipe);
std::uint32_t HeaderLength(const RecordingSpec& recipe); // 384 or 280
// Records the telemetry block holds: one per 100 ms of video, one per 66.666664 ms of video
// for time-lapse names (each of those stands for one second of real time).
int TelemetryRecordCount(const RecordingSpec& recipe);
// The records written into the block, in order.
std::vector<TelemetryScriptRecord> TelemetryScript(const RecordingSpec& recipe);

// What WriteRecording put into the file.
struct RecordingReport {
    std::int64_t fileSize = 0;
    std::uint32_t headerLength = 0;
    std::uint32_t moviSize = 0;  // M of the complete recording (also for damaged files)
    std::uint32_t indexSize = 0; // I of the complete recording (counted in its RIFF size);
                                 // 0 for a power-loss file
    int videoChunks = 0;         // chunks the complete recording has
    int audioChunks = 0;
    int keyFrames = 0;
    int telemetryRecords = 0; // 0 when the file holds no block
    std::int64_t telemetryBlockLength = 0;
    std::int64_t chunkStreamEnd = 0; // file offset just after the last chunk of the complete file
    std::int64_t cutAt = -1;         // CutInsideMovi: length of the cut file
};

// Writes one recording to `path` (through "<path>.part", renamed when complete).
bool WriteRecording(const RecordingSpec& recipe, const QString& path, QString* error,
                    RecordingReport* report = nullptr);

// ---------------------------------------------------------------------------
// Pictures. Every frame shows the camera letter, the frame number and the file
// name in a built-in bitmap font; the frame number can be read back.

struct FrameStamp {
    char camera = 0; // 'F' or 'R'
    int frame = -1;
};

// Reads the camera letter and frame number from a decoded luma plane of a picture made by
// this tool (any size it writes); nothing when the stamp cannot be read with confidence.
std::optional<FrameStamp> ReadFrameStamp(const std::uint8_t* luma, int stride, int width,
                                         int height);

// ---------------------------------------------------------------------------
// A whole card.

enum class CardVariant {
    Regular,
    PowerLoss,     // both files Damage::PowerLoss
    CutInsideMovi, // both files Damage::CutInsideMovi
    MissingRear,   // front file only
    TooShort,      // sound files of 2.0 s or less (60 frames at 30 fps)
};

struct CardOptions {
    int frontWidth = 1280;
    int frontHeight = 720;
    int rearWidth = 640;
    int rearHeight = 360;
    std::uint32_t rate = 30; // normal recordings; time-lapse recordings are 15 fps
    std::uint32_t scale = 1;
    double seconds = 10.0; // per recording
    int count = 20;        // regular recordings
    bool damaged = false;  // add one recording of each damaged variant
    int crf = 23;
    int grain = 0;       // see RecordingSpec::grain
    int bitrateKbps = 0; // see RecordingSpec::bitrateKbps (applies to both cameras)
    int jobs = 0;        // parallel encoders; 0 = one per hardware thread
    QByteArray modelCode = "KV-DR01";
    QByteArray firmware = "010203";
    QByteArray gpsDataNumber = "211015"; // six digits, or six blanks for none
};

// The options of a small test-fixture card: 160x96 pictures, 3 s recordings.
CardOptions TinyCardOptions();

struct CardRecording {
    QString group; // "Normal" or "Parking"
    RecordingSpec front;
    RecordingSpec rear;
    bool hasRear = true;
    CardVariant variant = CardVariant::Regular;

    QString FrontPath() const; // relative to the card root, '/' separated
    QString RearPath() const;
};

// The recordings WriteCard writes, in file-number order.
std::vector<CardRecording> PlanCard(const CardOptions& options);
// The 128 bytes of "DRFormatConfig.dfc".
QByteArray RecorderConfigBytes(const CardOptions& options);
// Whether WriteCard accepts the options (sizes, frame rate, length, count, configuration fields).
bool CheckCardOptions(const CardOptions& options, QString* error);
// Writes the four card folders, "DRFormatConfig.dfc" and every planned recording.
bool WriteCard(const CardOptions& options, const QString& folder, QString* error);

} // namespace kv::cardmaker
