#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <span>
#include <vector>

// What the update check compares and what it tells the user: the version
// texts on the maker's web site, the recorder's own versions from its
// configuration file on the card, and the notice the update dialog shows.
// Nothing here touches the network.
namespace kv::settings {

// Paths on the maker's web site.
inline constexpr QStringView kFirmwareTextPath = u"/taiou/dr_updata/rx-210/rx-210_sw_version.txt";
inline constexpr QStringView kFirmwarePagePath = u"/taiou/dr_updata/rx-210/rx-210.html";
inline constexpr QStringView kViewerTextPath = u"/0_recorder/viewer/kolvista/kolvista_version.txt";
inline constexpr QStringView kViewerPagePath = u"/0_recorder/viewer/kolvista/viewer.html";
inline constexpr QStringView kGpsTextPath = u"/gps_data/drgps_01.txt";
inline constexpr QStringView kGpsPagePath = u"/taiou/gps_data/dr_01/dr01.html";

// The firmware and viewer texts carry their version after this marker, which
// must lie in the text's first chunk; the GPS-data text is the version itself.
inline constexpr QStringView kVersionMarker = u"VER:";
// Only this recorder model looks for new firmware.
inline constexpr QStringView kFirmwareModel = u"4620-KTR";

// Version texts are read in chunks of this many bytes.
inline constexpr qsizetype kVersionChunkSize = 1024;
// Longest version text taken from a download, in UTF-16 units.
inline constexpr qsizetype kMaxVersionText = 259;
// Longest notice, in UTF-16 units.
inline constexpr qsizetype kMaxNoticeLength = 1300;

// The recorder's strings from "DRFormatConfig.dfc" on the card; all empty
// without a card.
struct RecorderStrings {
    QString firmware; // firmware version, "M.m.p"
    QString gpsData;  // GPS-data number, six digits (yymmdd); empty when none
    QString spare;    // reserved, unused
    QString model;    // model code
};

// The kinds a notice can announce, in the order it lists them.
enum class UpdateKind { Firmware, Viewer, GpsData };

struct UpdateItem {
    UpdateKind kind = UpdateKind::Viewer;
    QString current;
    QString latest;
    bool operator==(const UpdateItem&) const = default;
};

// The version text of a downloaded body. With a marker: the text after the
// marker in the first chunk, which is decoded as Shift_JIS up to its first
// zero byte; nothing when the marker is not there. Without a marker: the last
// chunk, decoded the same way (empty for an empty body). Either is cut to
// kMaxVersionText. Line ends stay in the text.
std::optional<QString> VersionTextFromBody(const QByteArray& body, QStringView marker);

// The text up to (not including) its third "."; the whole text when it has
// fewer. "1.2.3.4" gives "1.2.3".
QString CutAtThirdDot(QStringView text);

// A GPS-data number written as a date: "/" between the characters after the
// 2nd, 4th, 8th, 10th, ... (every second one except the 6th), never at the
// end. "211015" gives "21/10/15".
QString FormatGpsDate(QStringView number);

// The web site's address for a host setting: "https://" + host, or the
// setting itself when it names its scheme (http or https only); encoded as a
// URL (no blanks, quotes or angle brackets), no trailing "/". Empty for an
// empty host, another scheme or a setting that is no web address.
QString SiteAddress(QStringView host);

// Text taken from outside (the site's version texts, the card's versions) as
// it stands in a notice: "&", "<", ">" and '"' written as "&amp;", "&lt;",
// "&gt;" and "&quot;", so that it can never form a link.
QString EscapeNoticeText(QStringView text);

// Fetches the version text at a path of the web site (VersionTextFromBody
// with the marker, empty for none); nothing on any failure.
using VersionFetcher = std::function<std::optional<QString>(QStringView path, QStringView marker)>;

// The comparisons of one check, in order: the firmware (model kFirmwareModel
// only; both versions cut at their third "." and, when they differ, shown with
// ".0" appended; no item without the recorder's version), the viewer (the
// whole text after the marker against kViewerVersion) and the GPS data (only
// with the recorder's number, the site's text without surrounding blanks and
// line ends; both shown as dates). A kind whose text cannot
// be fetched gives no item, except the GPS data: when its text cannot be
// fetched the check ends without any item. Exact, case-sensitive comparisons.
std::vector<UpdateItem> FindUpdates(const RecorderStrings& recorder, const VersionFetcher& fetch);

// The notice for items (none: empty): the introduction, then one block per
// item with its title, the current and the new version (EscapeNoticeText) and
// the link to its download page on site; ends with "\r\n" when there is more
// than one block; cut to kMaxNoticeLength.
QString ComposeUpdateNotice(std::span<const UpdateItem> items, QStringView site);

// The whole check over fetch: FindUpdates, then the notice for site.
QString RunUpdateRules(const RecorderStrings& recorder, const VersionFetcher& fetch,
                       QStringView site);

} // namespace kv::settings
