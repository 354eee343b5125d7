#include "web_runtime.h"

#include "message_box.h"
#include "ui_texts.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>

namespace kv::map {

namespace {

// The maker's web site.
constexpr char kMakerSite[] = "https://www.kolvista.example";

QString HelperProcessPath() {
    const QString configured = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    if (!configured.isEmpty()) {
        return configured;
    }
    return QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) +
           QStringLiteral("/QtWebEngineProcess");
}

QString ResourcesPath() {
    const QString configured = qEnvironmentVariable("QTWEBENGINE_RESOURCES_PATH");
    if (!configured.isEmpty()) {
        return configured;
    }
    return QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources");
}

} // namespace

bool IsWebEngineAvailable() {
    const QFileInfo helper(HelperProcessPath());
    const QFileInfo resources(ResourcesPath() + QStringLiteral("/qtwebengine_resources.pak"));
    return helper.isFile() && helper.isExecutable() && resources.isFile();
}

QString RuntimeDownloadPage() {
    return QString::fromLatin1(kMakerSite) + QStringLiteral("/0_recorder/viewer/dn_webview2.html");
}

QString RuntimeNoticeText() {
    const QByteArray page = RuntimeDownloadPage().toUtf8();
    return QString::asprintf(Text(UiText::RuntimeLinkFormat).toUtf8().constData(),
                             Text(UiText::RuntimeExplanation).toUtf8().constData(),
                             page.constData(), page.constData());
}

bool ShowRuntimeMissingNotice(bool available, const CompactNotice& compactNotice,
                              MessageSink* messages) {
    if (available) {
        return false;
    }
    const QString caption = Text(UiText::RuntimeMissing);
    const QString text = RuntimeNoticeText();
    if (compactNotice) {
        compactNotice(caption, text);
        return true;
    }
    if (messages) {
        // A message shows no links: the anchor becomes its address.
        QString plain = text;
        plain.replace(QRegularExpression(QStringLiteral("<a href=\"([^\"]*)\">[^<]*</a>")),
                      QStringLiteral("\\1"));
        messages->ShowMessage(plain, caption, 0);
        return true;
    }
    return false;
}

} // namespace kv::map
