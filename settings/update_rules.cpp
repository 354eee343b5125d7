#include "update_rules.h"

#include "ansi_text.h"
#include "ui_texts.h"
#include "viewer_version.h"

#include <QUrl>

#include <algorithm>

namespace kv::settings {
namespace {

// One chunk as the site's text is read: Shift_JIS up to its first zero byte.
QString DecodeChunk(QByteArrayView chunk) {
    const qsizetype zero = chunk.indexOf('\0');
    if (zero >= 0) {
        chunk = chunk.first(zero);
    }
    return FromShiftJis(chunk.toByteArray());
}

QString Cut(QString text, qsizetype length) {
    if (text.size() > length) {
        // Never inside a surrogate pair.
        if (length > 0 && text.at(length - 1).isHighSurrogate()) {
            --length;
        }
        text.truncate(length);
    }
    return text;
}

UiText TitleOf(UpdateKind kind) {
    switch (kind) {
    case UpdateKind::Firmware:
        return UiText::FirmwareItem;
    case UpdateKind::Viewer:
        return UiText::ViewerItem;
    case UpdateKind::GpsData:
        break;
    }
    return UiText::GpsDataItem;
}

QStringView PageOf(UpdateKind kind) {
    switch (kind) {
    case UpdateKind::Firmware:
        return kFirmwarePagePath;
    case UpdateKind::Viewer:
        return kViewerPagePath;
    case UpdateKind::GpsData:
        break;
    }
    return kGpsPagePath;
}

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

} // namespace

std::optional<QString> VersionTextFromBody(const QByteArray& body, QStringView marker) {
    if (!marker.isEmpty()) {
        const QString first = DecodeChunk(
            QByteArrayView(body).first(std::min<qsizetype>(body.size(), kVersionChunkSize)));
        const qsizetype at = first.indexOf(marker);
        if (at < 0) {
            return std::nullopt;
        }
        return Cut(first.mid(at + marker.size()), kMaxVersionText);
    }
    if (body.isEmpty()) {
        return QString();
    }
    const qsizetype lastStart = (body.size() - 1) / kVersionChunkSize * kVersionChunkSize;
    return Cut(DecodeChunk(QByteArrayView(body).sliced(lastStart)), kMaxVersionText);
}

QString CutAtThirdDot(QStringView text) {
    qsizetype from = 0;
    for (int dots = 0; dots < 3; ++dots) {
        const qsizetype at = text.indexOf(u'.', from);
        if (at < 0) {
            return text.toString();
        }
        if (dots == 2) {
            return text.first(at).toString();
        }
        from = at + 1;
    }
    return text.toString();
}

QString FormatGpsDate(QStringView number) {
    QString date;
    date.reserve(number.size() + number.size() / 2);
    for (qsizetype i = 0; i < number.size(); ++i) {
        date.append(number.at(i));
        const qsizetype written = i + 1;
        if (written % 2 == 0 && written != 6 && written < number.size()) {
            date.append(u'/');
        }
    }
    return date;
}

QString SiteAddress(QStringView host) {
    QString site = host.trimmed().toString();
    if (site.isEmpty()) {
        return site;
    }
    if (!site.contains(QStringLiteral("://"))) {
        site.prepend(QStringLiteral("https://"));
    }
    const QUrl url(site, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https") ||
        !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()) {
        return {};
    }
    site = url.toString(QUrl::FullyEncoded);
    while (site.endsWith(u'/')) {
        site.chop(1);
    }
    return site;
}

QString EscapeNoticeText(QStringView text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            escaped += QStringLiteral("&amp;");
            break;
        case u'<':
            escaped += QStringLiteral("&lt;");
            break;
        case u'>':
            escaped += QStringLiteral("&gt;");
            break;
        case u'"':
            escaped += QStringLiteral("&quot;");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::vector<UpdateItem> FindUpdates(const RecorderStrings& recorder, const VersionFetcher& fetch) {
    std::vector<UpdateItem> items;
    if (recorder.model == kFirmwareModel) {
        if (const auto text = fetch(kFirmwareTextPath, kVersionMarker)) {
            const QString latest = CutAtThirdDot(*text);
            if (!recorder.firmware.isEmpty()) {
                const QString current = CutAtThirdDot(recorder.firmware);
                if (latest != current) {
                    items.push_back({UpdateKind::Firmware, current + QStringLiteral(".0"),
                                     latest + QStringLiteral(".0")});
                }
            }
        }
    }
    if (const auto text = fetch(kViewerTextPath, kVersionMarker)) {
        if (*text != kViewerVersion) {
            items.push_back({UpdateKind::Viewer, kViewerVersion.toString(), *text});
        }
    }
    if (!recorder.gpsData.isEmpty()) {
        const auto text = fetch(kGpsTextPath, QStringView());
        if (!text) {
            return {}; // an unreadable GPS-data text silences the whole notice
        }
        // The site's file may end its one line with a line end.
        const QString latest = FormatGpsDate(text->trimmed());
        const QString current = FormatGpsDate(recorder.gpsData);
        if (latest != current) {
            items.push_back({UpdateKind::GpsData, current, latest});
        }
    }
    return items;
}

QString ComposeUpdateNotice(std::span<const UpdateItem> items, QStringView site) {
    if (items.empty()) {
        return {};
    }
    const QString intro =
        Text(UiText::UpdateAvailable) + QStringLiteral("\r\n") + Text(UiText::DownloadHint);
    const QByteArray currentLabel = Utf8(Text(UiText::CurrentVersion));
    const QByteArray newLabel = Utf8(Text(UiText::NewVersion));
    QString notice;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const UpdateItem& item = items[i];
        const QByteArray title = Utf8(Text(TitleOf(item.kind)));
        const QByteArray page = Utf8(site.toString() + PageOf(item.kind).toString());
        const QByteArray current = Utf8(EscapeNoticeText(item.current));
        const QByteArray latest = Utf8(EscapeNoticeText(item.latest));
        if (i == 0) {
            notice = QString::asprintf(
                Utf8(Text(UiText::UpdateFirstBlock)).constData(), Utf8(intro).constData(),
                title.constData(), currentLabel.constData(), current.constData(),
                newLabel.constData(), latest.constData(), page.constData(), page.constData());
        } else {
            notice += QString::asprintf(Utf8(Text(UiText::UpdateNextBlock)).constData(),
                                        title.constData(), currentLabel.constData(),
                                        current.constData(), newLabel.constData(),
                                        latest.constData(), page.constData(), page.constData());
        }
    }
    if (items.size() > 1) {
        notice += QStringLiteral("\r\n");
    }
    return Cut(notice, kMaxNoticeLength);
}

QString RunUpdateRules(const RecorderStrings& recorder, const VersionFetcher& fetch,
                       QStringView site) {
    const std::vector<UpdateItem> items = FindUpdates(recorder, fetch);
    return ComposeUpdateNotice(items, site);
}

} // namespace kv::settings
