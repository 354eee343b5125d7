// Arbitrary bytes as the update check's version texts from the maker's web
// site, the recorder's strings from the card and the host setting: reading a
// version text, the comparisons and the notice must take anything, keep their
// length limits and list each kind at most once, in order.

#include "update_rules.h"

#include <QUrl>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace kv::settings;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

QByteArray Bytes(FuzzedDataProvider& in, std::size_t most) {
    const std::string s = in.ConsumeRandomLengthString(most);
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

QString Text(FuzzedDataProvider& in) {
    return QString::fromUtf8(Bytes(in, 64));
}

void CheckVersionText(const QByteArray& body) {
    for (QStringView marker : {kVersionMarker, QStringView()}) {
        const auto text = VersionTextFromBody(body, marker);
        Require(marker.isEmpty() ? text.has_value() : true);
        if (text) {
            Require(text->size() <= kMaxVersionText && !text->contains(QChar(0)));
        }
    }
}

void CheckTextRules(const QString& text) {
    const QString cut = CutAtThirdDot(text);
    Require(text.startsWith(cut) && cut.count(u'.') <= 2);
    Require(cut.size() == text.size() || text.at(cut.size()) == u'.');

    const QString date = FormatGpsDate(text);
    if (!text.contains(u'/')) {
        QString undone = date;
        undone.remove(u'/');
        Require(undone == text);
    }
    Require(!date.endsWith(u'/') || text.endsWith(u'/'));

    // The site: an http or https address with a host (https unless the host
    // names its scheme), encoded, so nothing in it can end an attribute or
    // start markup; never a trailing "/".
    const QString site = SiteAddress(text);
    Require(!site.endsWith(u'/'));
    if (!site.isEmpty()) {
        const QUrl url(site);
        Require(url.isValid() && !url.host().isEmpty());
        Require(site.startsWith(u"https://") ||
                (site.startsWith(u"http://") && text.contains(u"://")));
        for (const QChar c : site) {
            Require(c != u'"' && c != u'<' && c != u'>' && !c.isSpace());
        }
    }
    Require(!text.trimmed().isEmpty() || site.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto failures = in.ConsumeIntegral<std::uint8_t>();
    RecorderStrings recorder;
    recorder.model = in.ConsumeBool() ? kFirmwareModel.toString() : Text(in);
    recorder.firmware = Text(in);
    recorder.gpsData = Text(in);
    const QString host = Text(in);
    const QByteArray firmwareBody = Bytes(in, 3000);
    const QByteArray viewerBody = Bytes(in, 3000);
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray gpsBody(rest.data(), static_cast<qsizetype>(rest.size()));

    CheckVersionText(firmwareBody);
    CheckVersionText(viewerBody);
    CheckVersionText(gpsBody);
    for (const QString& text : {recorder.firmware, recorder.gpsData, host, recorder.model}) {
        CheckTextRules(text);
    }

    // The site as the check reads it: a failed fetch (bit per text) gives nothing.
    int fetches = 0;
    const VersionFetcher fetch = [&](QStringView path,
                                     QStringView marker) -> std::optional<QString> {
        ++fetches;
        int which = 2;
        const QByteArray* body = &gpsBody;
        if (path == kFirmwareTextPath) {
            which = 0;
            body = &firmwareBody;
        } else if (path == kViewerTextPath) {
            which = 1;
            body = &viewerBody;
        }
        if ((failures >> which & 1) != 0) {
            return std::nullopt;
        }
        return VersionTextFromBody(*body, marker);
    };
    const std::vector<UpdateItem> items = FindUpdates(recorder, fetch);
    Require(fetches <= 3 && items.size() <= 3);
    for (std::size_t i = 0; i < items.size(); ++i) {
        Require(items[i].current != items[i].latest);
        Require(i == 0 || items[i - 1].kind < items[i].kind);
    }
    const QString site = SiteAddress(host);
    const QString notice = ComposeUpdateNotice(items, site);
    Require(notice.size() <= kMaxNoticeLength && notice.isEmpty() == items.empty());
    Require(RunUpdateRules(recorder, fetch, site) == notice);
    return 0;
}
