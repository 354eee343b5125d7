#include "journey.h"

#include "file_command_ports.h"
#include "file_list_ctrl.h"
#include "file_select_dlg.h"
#include "message_dialog.h"
#include "movie_static.h"
#include "screenshot_folder.h"
#include "skin_button.h"
#include "wait_for.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdio>

namespace kv::e2e {

namespace {

constexpr int kScanMs = 40;
constexpr int kDialogSettleMs = 250; // a dialog is answered after this long on screen

const char* const kSeenAt = "e2eSeenAt";
const char* const kAnswered = "e2eAnswered";

// The milliseconds since the widget was first seen on screen.
qint64 OnScreenFor(QWidget* w, const QElapsedTimer& clock) {
    const QVariant seen = w->property(kSeenAt);
    if (!seen.isValid()) {
        w->setProperty(kSeenAt, clock.elapsed());
        return 0;
    }
    return clock.elapsed() - seen.toLongLong();
}

QElapsedTimer& Clock() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock;
}

// Clicks from the event queue, so that a modal loop the click starts runs
// outside the watcher's timer (a timer does not fire inside its own handler).
void ClickLater(QAbstractButton* button) {
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}

} // namespace

DialogWatcher::DialogWatcher(std::function<void(const QString&)> shot) : shot_(std::move(shot)) {
    connect(&timer_, &QTimer::timeout, this, &DialogWatcher::Scan);
    timer_.start(kScanMs);
}

bool DialogWatcher::Saw(const QString& text) const {
    return Texts().contains(text);
}

QStringList DialogWatcher::Texts() const {
    QStringList texts;
    for (const SeenMessage& m : messages) {
        texts << m.text;
    }
    return texts;
}

void DialogWatcher::Scan() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->property(kAnswered).toBool()) {
            continue;
        }
        if (auto* message = qobject_cast<CMsgDlg*>(w)) {
            if (OnScreenFor(w, Clock()) < kDialogSettleMs) {
                continue;
            }
            w->setProperty(kAnswered, true);
            messages.push_back({message->captionText, message->messageText});
            shot_(QStringLiteral("message"));
            int answer = 1;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            QPushButton* button = answer == 2 && message->CancelButton()->isVisible()
                                      ? message->CancelButton()
                                      : message->OkButton();
            ClickLater(button);
        } else if (auto* select = qobject_cast<browser::CFileSelectDlg*>(w)) {
            if (OnScreenFor(w, Clock()) < kDialogSettleMs) {
                continue;
            }
            w->setProperty(kAnswered, true);
            ++selectionDialogs;
            for (int row : rowsToTick) {
                select->SetTicked(row, true);
            }
            shot_(QStringLiteral("selection"));
            ClickLater(select->okButton());
        }
    }
}

void Journey::SetUp() {
    ASSERT_TRUE(root.isValid());
    const QString r = root.path();
    startFolder = r + QStringLiteral("/start");
    configFolder = r + QStringLiteral("/config");
    out = r + QStringLiteral("/out");
    for (const QString& f : {startFolder, configFolder, out, r + QStringLiteral("/tmp")}) {
        QDir().mkpath(f);
    }
    // The repair folder, the trash and the settings stay inside the journey's
    // folder (the repair folder goes to the runtime folder when there is one).
    for (const auto& [name, value] :
         {std::pair{"TMPDIR", r + QStringLiteral("/tmp")}, std::pair{"XDG_RUNTIME_DIR", QString()},
          std::pair{"XDG_DATA_HOME", r + QStringLiteral("/share")},
          std::pair{"XDG_CONFIG_HOME", configFolder}}) {
        savedEnv_.emplace_back(name, qgetenv(name));
        qputenv(name, value.toLocal8Bit());
    }
    store = LocateSettings(startFolder, configFolder);

    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    shotFolder_ = ScreenshotFolder() + QStringLiteral("/e2e/") +
                  QString::fromUtf8(test->test_suite_name()) + QLatin1Char('.') +
                  QString::fromUtf8(test->name());
    QDir(shotFolder_).removeRecursively();
    QDir().mkpath(shotFolder_);
}

void Journey::TearDown() {
    if (HasFailure() && window) {
        Shot(QStringLiteral("failure"));
    }
    if (HasFailure()) {
        std::fprintf(stderr, "Screenshots of this journey (%s):\n",
                     qPrintable(QDir::toNativeSeparators(shotFolder_)));
        for (const QString& s : shots_) {
            std::fprintf(stderr, "  %s\n", qPrintable(s));
        }
        if (dialogs) {
            std::fprintf(stderr, "Messages shown: %s\n",
                         qPrintable(dialogs->Texts().join(QStringLiteral(" | "))));
        }
    }
    host.reset();
    window.reset();
    dialogs.reset();
    box.reset();
    for (const auto& [name, value] : savedEnv_) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
}

QString Journey::MakeCard(const QString& name, const QStringList& arguments) {
    const QString card = root.path() + QLatin1Char('/') + name;
    QProcess mkcard;
    mkcard.start(QStringLiteral(KV_MKCARD),
                 QStringList{QStringLiteral("--tiny"), QStringLiteral("--out"), card} + arguments);
    if (!mkcard.waitForFinished(120000) || mkcard.exitStatus() != QProcess::NormalExit ||
        mkcard.exitCode() != 0) {
        ADD_FAILURE() << "kolvista-mkcard failed: " << mkcard.readAllStandardError().toStdString();
        return {};
    }
    return card;
}

void Journey::StartViewer() {
    window = std::make_unique<app::CQuillonDlg>(UiScale(1.0, 1.0), store, engine::FfmpegEngine());
    window->Initialise();
    box = std::make_unique<CMsgBox>(window.get(), window->Scale(), window->Fonts().pt10());
    dialogs = std::make_unique<DialogWatcher>([this](const QString& name) { Shot(name); });
    host = std::make_unique<app::PlaybackHost>(*window, *box);
    window->Browser()->SetVolumeLister(&slot);
    // The folder chooser is the desktop's; the journey picks its output folder.
    host->SetCommandDialogs(
        app::DialogSelectionRunner(window.get(), window->Scale(), window->Fonts().pt10(), *box),
        [this](QWidget*, const QString&, const QString&) {
            return FolderPick{true, out};
        });
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(WaitFor([&] { return window->deferredDone(); }));
}

bool Journey::OpenAtStart() {
    return host->OpenInitialSource({QStringLiteral("kolvista")});
}

void Journey::CloseViewer() {
    window->close();
}

void Journey::Shot(const QString& name) {
    QApplication::processEvents();
    QPixmap picture;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (QGuiApplication::platformName() != QStringLiteral("offscreen") && screen) {
        picture = screen->grabWindow(0);
    }
    if (picture.isNull() && window) {
        picture = window->grab();
    }
    const QString file = QDir(shotFolder_)
                             .filePath(QStringLiteral("%1-%2.png")
                                           .arg(shots_.size() + 1, 2, 10, QLatin1Char('0'))
                                           .arg(name));
    if (!picture.save(file)) {
        ADD_FAILURE() << "could not save the screenshot " << file.toStdString();
    }
    shots_ << file;
}

void Journey::Click(int button) {
    CSkinButton* b = window->ToolButton(button);
    ASSERT_TRUE(b->isVisible() && b->isEnabled())
        << "tool button " << button << " cannot be clicked";
    QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
}

std::int64_t Journey::Frame(int camera) const {
    return window->Panel(camera)->PictureFrame();
}

QStringList Journey::ListedNames() const {
    QStringList names;
    for (const RecordingEntry& e : window->RecordingListCtrl()->shownEntries()) {
        names << (e.frontName.isEmpty() ? e.rearName : e.frontName);
    }
    return names;
}

QStringList Journey::FilesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << QDir(folder).relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

QByteArray Journey::Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace kv::e2e
