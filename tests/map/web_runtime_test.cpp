// The web engine check and its notice: what is missing, the package that
// brings it, and the notice only when something is.

#include "message_box.h"
#include "web_runtime.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::map {
namespace {

// Points the check at files of a temporary folder for one test.
class EngineFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        savedHelper_ = qgetenv("QTWEBENGINEPROCESS_PATH");
        savedResources_ = qgetenv("QTWEBENGINE_RESOURCES_PATH");
        qputenv("QTWEBENGINEPROCESS_PATH", Helper().toUtf8());
        qputenv("QTWEBENGINE_RESOURCES_PATH", dir_.path().toUtf8());
    }
    void TearDown() override {
        Restore("QTWEBENGINEPROCESS_PATH", savedHelper_);
        Restore("QTWEBENGINE_RESOURCES_PATH", savedResources_);
    }
    static void Restore(const char* name, const QByteArray& value) {
        if (value.isEmpty()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }

    QString Helper() const { return dir_.filePath(QStringLiteral("QtWebEngineProcess")); }
    QString Resources() const { return dir_.filePath(QStringLiteral("qtwebengine_resources.pak")); }
    void Make(const QString& path, bool executable) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        if (executable) {
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        }
    }

    QTemporaryDir dir_;
    QByteArray savedHelper_;
    QByteArray savedResources_;
};

TEST_F(EngineFiles, SaysWhatIsMissingAndWhichPackageBringsIt) {
    using P = WebEngineCheck::Problem;
    WebEngineCheck check = CheckWebEngine();
    EXPECT_EQ(check.problem, P::HelperMissing);
    EXPECT_EQ(check.path, Helper());
    EXPECT_EQ(check.package, QStringLiteral("libqt6webenginecore6-bin"));

    Make(Helper(), false); // there, but it cannot run
    EXPECT_EQ(CheckWebEngine().problem, P::HelperMissing);

    Make(Helper(), true);
    check = CheckWebEngine();
    EXPECT_EQ(check.problem, P::ResourcesMissing);
    EXPECT_EQ(check.path, Resources());
    EXPECT_EQ(check.package, QStringLiteral("libqt6webengine6-data"));
    EXPECT_FALSE(IsWebEngineAvailable());

    Make(Resources(), false);
    EXPECT_TRUE(CheckWebEngine().available());
    EXPECT_TRUE(IsWebEngineAvailable());

    const WebEngineCheck failed = ProcessFailure();
    EXPECT_EQ(failed.problem, P::ProcessFailed);
    EXPECT_EQ(failed.path, Helper());
}

TEST_F(EngineFiles, TheNoticeNamesTheFileAndThePackageOnlyWhenSomethingIsWrong) {
    ScriptedMessageSink messages;
    QString caption;
    QString text;
    const CompactNotice compact = [&](const QString& c, const QString& t) {
        caption = c;
        text = t;
    };
    Make(Helper(), true);
    Make(Resources(), false);
    EXPECT_FALSE(ShowRuntimeMissingNotice(CheckWebEngine(), compact, &messages));
    EXPECT_TRUE(caption.isEmpty());

    ASSERT_TRUE(QFile::remove(Resources()));
    EXPECT_TRUE(ShowRuntimeMissingNotice(CheckWebEngine(), compact, &messages));
    EXPECT_EQ(caption, QStringLiteral("地図の表示に必要な Qt WebEngine を起動できません。"));
    EXPECT_TRUE(text.contains(Resources())) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("libqt6webengine6-data"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("WebView2")));
    EXPECT_FALSE(text.contains(QStringLiteral("<a "))); // nothing to click: a package to install

    // Without the compact notice it is a message with the same text.
    EXPECT_TRUE(ShowRuntimeMissingNotice(ProcessFailure(), nullptr, &messages));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, caption);
    EXPECT_TRUE(messages.messages[0].text.contains(Helper()));
    EXPECT_TRUE(messages.messages[0].text.contains(QStringLiteral("libqt6webenginecore6-bin")));
}

} // namespace
} // namespace kv::map
