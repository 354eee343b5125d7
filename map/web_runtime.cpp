#include "web_runtime.h"

#include "message_box.h"
#include "ui_texts.h"

#include <QFileInfo>
#include <QLibraryInfo>

namespace kv::map {

namespace {

// The Debian packages of the two files.
constexpr char kHelperPackage[] = "libqt6webenginecore6-bin";
constexpr char kResourcesPackage[] = "libqt6webengine6-data";

QString HelperProcessPath() {
    const QString configured = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    if (!configured.isEmpty()) {
        return configured;
    }
    return QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) +
           QStringLiteral("/QtWebEngineProcess");
}

QString ResourcesFile() {
    QString folder = qEnvironmentVariable("QTWEBENGINE_RESOURCES_PATH");
    if (folder.isEmpty()) {
        folder = QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources");
    }
    return folder + QStringLiteral("/qtwebengine_resources.pak");
}

} // namespace

WebEngineCheck CheckWebEngine() {
    const QFileInfo helper(HelperProcessPath());
    if (!helper.isFile() || !helper.isExecutable()) {
        return {WebEngineCheck::Problem::HelperMissing, helper.filePath(),
                QString::fromLatin1(kHelperPackage)};
    }
    const QFileInfo resources(ResourcesFile());
    if (!resources.isFile()) {
        return {WebEngineCheck::Problem::ResourcesMissing, resources.filePath(),
                QString::fromLatin1(kResourcesPackage)};
    }
    return {};
}

bool IsWebEngineAvailable() {
    return CheckWebEngine().available();
}

WebEngineCheck ProcessFailure() {
    return {WebEngineCheck::Problem::ProcessFailed, HelperProcessPath(),
            QString::fromLatin1(kHelperPackage)};
}

QString RuntimeNoticeText(const WebEngineCheck& check) {
    return Text(UiText::RuntimeExplanation) + QStringLiteral("\r\n\r\n") +
           Text(UiText::RuntimeRemedyFormat).arg(check.path, check.package);
}

bool ShowRuntimeMissingNotice(const WebEngineCheck& check, const CompactNotice& compactNotice,
                              MessageSink* messages) {
    if (check.available()) {
        return false;
    }
    const QString caption = Text(UiText::RuntimeMissing);
    const QString text = RuntimeNoticeText(check);
    if (compactNotice) {
        compactNotice(caption, text);
        return true;
    }
    if (messages) {
        messages->ShowMessage(text, caption, 0);
        return true;
    }
    return false;
}

} // namespace kv::map
