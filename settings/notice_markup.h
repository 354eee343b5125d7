#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

#include <vector>

// The text of a notice in the update dialog: plain text with CR LF line ends
// in which links are anchor elements (<a href="address">label</a>) and text
// from outside is escaped (EscapeNoticeText). Only an anchor whose address
// lies on the notice's own site is a link; anything else is shown as it
// stands.
namespace kv::settings {

// http or https on the site's host (and port, when the site names one).
// Nothing is allowed without a site.
bool LinkAllowedOn(const QUrl& address, const QUrl& site);

struct NoticeLink {
    QString address;
    QString label;
    bool operator==(const NoticeLink&) const = default;
};

// The links of a notice, in order: its anchors with an address on site.
std::vector<NoticeLink> NoticeLinks(QStringView notice, const QUrl& site);

// The notice as rich text for a label: the plain text with its escapes
// undone and escaped again for the label, line ends and runs of spaces kept,
// each link an anchor; any other anchor shown as text.
QString NoticeToHtml(QStringView notice, const QUrl& site);

} // namespace kv::settings
