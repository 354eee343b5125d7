#include "notice_markup.h"

#include <QRegularExpression>

namespace kv::settings {

namespace {

const QRegularExpression& AnchorPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"re(<a\s+href\s*=\s*"([^"]*)"\s*>(.*?)</a>)re"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// Notice text as it reads: the escapes of outside text undone.
QString Unescaped(QStringView text) {
    QString plain = text.toString();
    plain.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    plain.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    plain.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    plain.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return plain;
}

// Plain notice text as rich text: escaped, line ends as breaks.
QString PlainToHtml(QStringView text) {
    QString html = Unescaped(text).toHtmlEscaped();
    html.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    html.replace(u'\n', QStringLiteral("<br>"));
    html.remove(u'\r');
    return html;
}

} // namespace

bool LinkAllowedOn(const QUrl& address, const QUrl& site) {
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || !site.isValid() || site.host().isEmpty() ||
        (scheme != u"http" && scheme != u"https")) {
        return false;
    }
    return address.host().compare(site.host(), Qt::CaseInsensitive) == 0 &&
           address.port(-1) == site.port(-1) && address.userInfo().isEmpty();
}

std::vector<NoticeLink> NoticeLinks(QStringView notice, const QUrl& site) {
    std::vector<NoticeLink> links;
    QRegularExpressionMatchIterator it = AnchorPattern().globalMatch(notice.toString());
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (LinkAllowedOn(QUrl(match.captured(1)), site)) {
            links.push_back({match.captured(1), match.captured(2)});
        }
    }
    return links;
}

QString NoticeToHtml(QStringView notice, const QUrl& site) {
    QString html = QStringLiteral("<div style=\"white-space:pre-wrap\">");
    qsizetype done = 0;
    QRegularExpressionMatchIterator it = AnchorPattern().globalMatch(notice.toString());
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (!LinkAllowedOn(QUrl(match.captured(1)), site)) {
            continue; // stays text, with what follows
        }
        html += PlainToHtml(notice.sliced(done, match.capturedStart() - done));
        html += QStringLiteral("<a href=\"%1\">%2</a>")
                    .arg(match.captured(1).toHtmlEscaped(), PlainToHtml(match.captured(2)));
        done = match.capturedEnd();
    }
    html += PlainToHtml(notice.sliced(done));
    html += QStringLiteral("</div>");
    return html;
}

} // namespace kv::settings
