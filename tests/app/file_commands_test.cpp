// The main window's file commands end to end over real recordings: the CSV
// list, joining, deleting into a private trash, still images through the fake
// engines, and keeping repaired copies.

#include "file_command_fixture.h"

#include "csv_export.h"
#include "repair.h"

#include <QByteArray>

#include <algorithm>

#include <atomic>
#include <thread>

namespace kv::app::test {
namespace {

using Message = ScriptedMessageSink::Message;

const Message kCompleted{QStringLiteral("完了しました。"), QStringLiteral("終了"), 0};
const Message kOverwrite{QStringLiteral("同名のファイルが存在します。続行しますか？"),
                         QStringLiteral("確認"), 4};

Message Error(const char* text) {
    return {QString::fromUtf8(text), QStringLiteral("ERROR"), 0};
}

// The question about existing outputs, naming them.
Message Overwriting(const QStringList& names) {
    return {kOverwrite.text + u'\n' + names.join(u'\n'), kOverwrite.caption, kOverwrite.style};
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// An environment variable set for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), saved_(qgetenv(name)) {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedEnv() {
        if (had_) {
            qputenv(name_, saved_);
        } else {
            qunsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray saved_;
};

// ---------------------------------------------------------------------------
// CSV list.

TEST_F(FileCommandsTest, CsvListOfTheSourceIsWrittenAndTheRecordingReopensWhereItWas) {
    ShowRecording(1, 42);
    ChooseFolder(out_);
    commands_->ExportCsvCommand();
    ASSERT_TRUE(RunUntilEnded());

    const QString path = out_ + u'/' + CsvFileName(list_.shown.front());
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Dv_20261205_093000.csv")));
    const QByteArray csv = ReadAll(path);
    EXPECT_EQ(csv.count("\r\n"), 4); // the header and three recordings
    for (const QString& name : RecordingNames()) {
        EXPECT_TRUE(csv.contains(name.toLatin1())) << name.toStdString();
    }
    EXPECT_EQ(pickTitles_, QStringList{QStringLiteral("出力先フォルダーを選択してください。")});
    EXPECT_EQ(Setting(u"CSV_FOLDER"), out_);
    EXPECT_EQ(messages.messages, std::vector<Message>{kCompleted});

    // The bar went from 0 to 100 over the hidden main panel, with the
    // controls off meanwhile; everything is back at the end.
    ASSERT_FALSE(window_.positions.empty());
    EXPECT_EQ(window_.positions.front(), 0);
    EXPECT_EQ(window_.positions.back(), 100);
    EXPECT_TRUE(std::is_sorted(window_.positions.begin(), window_.positions.end()));
    EXPECT_TRUE(window_.log.contains(QStringLiteral("ShowProgressBar")));
    EXPECT_TRUE(window_.log.contains(QStringLiteral("HideMainPanel")));
    EXPECT_FALSE(window_.barShown);
    EXPECT_TRUE(window_.controlsEnabled);
    EXPECT_TRUE(window_.mainPanelShown);

    // The engines let go of the files during the export; the shown
    // recording opens again and returns to its frame.
    EXPECT_GE(LastCall(0, QStringLiteral("Close")), 0);
    EXPECT_TRUE(controller->resumePending);
    EXPECT_EQ(controller->currentRecording, 1);
    FinishOpening();
    EXPECT_EQ(LastOpen(0), list_.shown[1].frontPath);
    EXPECT_GE(LastCall(0, QStringLiteral("SeekFrame 42")), 0);
    EXPECT_FALSE(controller->resumePending);
}

TEST_F(FileCommandsTest, CsvListThatIsNotWrittenEndsWithItsMessages) {
    struct Case {
        const char* what;
        bool folderChosen;
        bool emptySource;
        bool existingFile;
        std::deque<int> answers;
        std::vector<Message> expected;
    };
    const std::vector<Case> cases = {
        {"the folder dialog is cancelled", false, false, false, {}, {}},
        {"a file of that name exists and the answer is no", true, false, true, {2}, {kOverwrite}},
        {"the source holds no recordings",
         true,
         true,
         false,
         {},
         {Error("動画ファイルがありません。"), Error("CSVファイルが作成できません。")}},
    };
    const QString name = CsvFileName(list_.shown.front());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages.messages.clear();
        messages.answers = c.answers;
        window_.log.clear();
        QDir(out_).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(out_));
        list_.source = c.emptySource ? dir_.filePath(QStringLiteral("empty")) : source_;
        if (c.existingFile) {
            ASSERT_TRUE(WriteText(out_ + u'/' + name, "the list made before"));
        }
        if (c.folderChosen) {
            ChooseFolder(out_);
        }

        commands_->ExportCsvCommand();
        QCoreApplication::processEvents();

        EXPECT_EQ(messages.messages, c.expected);
        EXPECT_FALSE(window_.log.contains(QStringLiteral("DisableControls"))); // no worker
        EXPECT_FALSE(commands_->OperationRunning());
        EXPECT_EQ(Files(out_), c.existingFile ? QStringList{name} : QStringList{});
        if (c.existingFile) {
            EXPECT_EQ(ReadAll(out_ + u'/' + name), "the list made before");
        }
        EXPECT_TRUE(Setting(u"CSV_FOLDER").isEmpty());
    }
}

TEST_F(FileCommandsTest, CancelledCsvListStopsAtTheNextRecordingAndLeavesNothing) {
    // The worker is held after its first line until the flag is cleared.
    std::atomic<bool> firstLine{false};
    OperationFrame& frame = commands_->frame();
    frame.onWorkerProgress = [&](std::int64_t, std::int64_t) {
        firstLine = true;
        const QDeadlineTimer hangGuard(kWaitLimitMs);
        while (frame.running() && !hangGuard.hasExpired()) {
            std::this_thread::yield();
        }
    };
    ChooseFolder(out_);
    commands_->ExportCsvCommand();
    ASSERT_TRUE(commands_->OperationRunning());
    const QDeadlineTimer hangGuard(kWaitLimitMs);
    while (!firstLine && !hangGuard.hasExpired()) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(firstLine);

    EXPECT_TRUE(commands_->CancelOperation());
    EXPECT_TRUE(window_.controlsEnabled);
    ASSERT_TRUE(RunUntilEnded());

    EXPECT_EQ(Files(out_), QStringList{});
    EXPECT_EQ(messages.messages, std::vector<Message>{});
    EXPECT_TRUE(Setting(u"CSV_FOLDER").isEmpty());
    EXPECT_FALSE(window_.barShown);
    EXPECT_TRUE(window_.mainPanelShown);
    EXPECT_FALSE(commands_->CancelOperation()); // nothing runs any more
}

// ---------------------------------------------------------------------------
// Join.

TEST_F(FileCommandsTest, JoinOfThreeRecordingsWritesBothFilesAndRewindsThePlayer) {
    ShowRecording(1, 42);
    ticked_ = list_.shown;
    ChooseFolder(out_);
    commands_->JoinCommand();
    ASSERT_TRUE(RunUntilEnded());

    ASSERT_EQ(selections_.size(), 1u);
    EXPECT_EQ(selections_[0].mode, browser::SelectMode::Join);
    EXPECT_EQ(selections_[0].shown.size(), 3u);
    EXPECT_EQ(pickTitles_,
              QStringList{QStringLiteral("バックアップフォルダーを選択してください。")});
    const QString front = out_ + u'/' + list_.shown[0].frontName;
    const QString rear = out_ + u'/' + list_.shown[0].rearName;
    EXPECT_EQ(Files(out_), (QStringList{QFileInfo(front).fileName(), QFileInfo(rear).fileName()}));
    std::int64_t sources = 0;
    for (const RecordingEntry& entry : list_.shown) {
        sources += QFileInfo(entry.frontPath).size();
        EXPECT_EQ(entry.exported, 1) << entry.frontName.toStdString();
    }
    EXPECT_GT(QFileInfo(front).size(), sources * 9 / 10); // the chunks of all three
    EXPECT_EQ(Setting(u"CONNECT_FOLDER"), out_);
    EXPECT_EQ(messages.messages, std::vector<Message>{kCompleted});
    EXPECT_TRUE(commands_->jobs().empty());

    // Rewound before the engines closed, and again at the end.
    const int closed = LastCall(0, QStringLiteral("Close"));
    ASSERT_GE(closed, 0);
    EXPECT_GT(LastCall(0, QStringLiteral("SeekFrame 0")), closed);
    EXPECT_GT(LastCall(1, QStringLiteral("SeekFrame 0")), LastCall(1, QStringLiteral("Close")));
    EXPECT_FALSE(commands_->frame().restoreMark());
    EXPECT_TRUE(window_.log.contains(QStringLiteral("StopTick")));
    EXPECT_TRUE(timers.Running(playback::kOpenTimer)); // the recording opens again
}

TEST_F(FileCommandsTest, JoinThatDoesNotHappenLeavesTheFolderAlone) {
    struct Case {
        const char* what;
        bool ticked;
        bool firstFrontMissing;
        bool frontExists;
        std::deque<int> answers;
        std::int64_t freeBytes;
        std::vector<Message> expected;
        bool rewoundAtEnd;
    };
    const std::int64_t plenty = std::int64_t{1} << 40;
    const std::vector<Case> cases = {
        {"the selection is cancelled", false, false, false, {}, plenty, {}, true},
        {"the front output exists and the answer is no",
         true,
         false,
         true,
         {2},
         plenty,
         {Overwriting({list_.shown[0].frontName})},
         true},
        {"the folder has no room",
         true,
         false,
         false,
         {},
         0,
         {Error("動画の連結に失敗しました。")},
         true},
        {"the first recording cannot be loaded",
         true,
         true,
         false,
         {},
         plenty,
         {Error("動画の連結に失敗しました。")},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        availableBytes_ = [free = c.freeBytes](const QString&) { return free; };
        MakeCommands();
        messages.messages.clear();
        messages.answers = c.answers;
        ended_ = 0;
        QDir(out_).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(out_));
        list_.Load();
        ticked_ = list_.shown;
        if (!c.ticked) {
            ticked_.reset();
        }
        if (c.firstFrontMissing) {
            ticked_->front().frontPath =
                dir_.filePath(QStringLiteral("gone/") + ticked_->front().frontName);
        }
        const QString front = out_ + u'/' + list_.shown[0].frontName;
        if (c.frontExists) {
            ASSERT_TRUE(WriteText(front, "joined before"));
        }
        ChooseFolder(out_);
        for (auto& calls : {&Fake(0).calls, &Fake(1).calls}) {
            calls->clear();
        }

        commands_->JoinCommand();
        ASSERT_TRUE(RunUntilEnded());

        EXPECT_EQ(messages.messages, c.expected);
        EXPECT_EQ(Files(out_),
                  c.frontExists ? QStringList{QFileInfo(front).fileName()} : QStringList{});
        if (c.frontExists) {
            EXPECT_EQ(ReadAll(front), "joined before");
        }
        EXPECT_TRUE(Setting(u"CONNECT_FOLDER").isEmpty());
        EXPECT_TRUE(commands_->jobs().empty());
        EXPECT_FALSE(commands_->frame().restoreMark());
        // The end rewinds after the rewind at the start, unless the join
        // failed before its first recording was loaded.
        EXPECT_EQ(Fake(0).calls.count(QStringLiteral("SeekFrame 0")), c.rewoundAtEnd ? 2 : 1);
        EXPECT_TRUE(window_.controlsEnabled);
        EXPECT_TRUE(window_.mainPanelShown);
    }
}

// The card's own recording folders are refused without a question, and the
// question about existing outputs names the front and the rear output; only
// yes replaces them, both.
TEST_F(FileCommandsTest, JoinNeverWritesOverTheCardAndAsksOnceAboutBothOutputs) {
    const Message ontoSources = Error("選択したフォルダーに連結する動画ファイルがあります。"
                                      "別のフォルダーを選択してください。");
    const Message intoCard =
        Error("SDカードの録画フォルダーには保存できません。別のフォルダーを選択してください。");
    struct Case {
        const char* what;
        QString folder;
        bool frontExists;
        bool rearExists;
        std::deque<int> answers;
        std::vector<Message> expected;
        bool replaced;
    };
    const QString frontName = list_.shown[0].frontName;
    const QString rearName = list_.shown[0].rearName;
    const QString parking = source_ + "/Parking/Front";
    ASSERT_TRUE(QDir().mkpath(parking));
    const std::vector<Case> cases = {
        {"the card's own front folder",
         source_ + "/Normal/Front",
         false,
         false,
         {1},
         {ontoSources},
         false},
        {"the card's own rear folder",
         source_ + "/Normal/Rear",
         false,
         false,
         {1},
         {intoCard},
         false},
        {"another recording folder of the card", parking, false, false, {1}, {intoCard}, false},
        {"both outputs exist and the answer is no",
         out_,
         true,
         true,
         {2},
         {Overwriting({frontName, rearName})},
         false},
        {"only the rear output exists and the answer is no",
         out_,
         false,
         true,
         {2},
         {Overwriting({rearName})},
         false},
        {"both outputs exist and the answer is yes",
         out_,
         true,
         true,
         {1},
         {Overwriting({frontName, rearName}), kCompleted},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CopyRecordings();
        ASSERT_TRUE(QDir().mkpath(parking));
        list_.Load();
        QDir(out_).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(out_));
        if (c.frontExists) {
            ASSERT_TRUE(WriteText(out_ + u'/' + frontName, "joined before"));
        }
        if (c.rearExists) {
            ASSERT_TRUE(WriteText(out_ + u'/' + rearName, "joined before"));
        }
        std::vector<QByteArray> sources;
        for (const RecordingEntry& entry : list_.shown) {
            sources.push_back(ReadAll(entry.frontPath) + ReadAll(entry.rearPath));
        }
        messages.messages.clear();
        messages.answers = c.answers;
        ended_ = 0;
        ticked_ = list_.shown;
        ChooseFolder(c.folder);

        commands_->JoinCommand();
        ASSERT_TRUE(RunUntilEnded());

        EXPECT_EQ(messages.messages, c.expected);
        for (std::size_t i = 0; i < list_.shown.size(); ++i) {
            EXPECT_EQ(ReadAll(list_.shown[i].frontPath) + ReadAll(list_.shown[i].rearPath),
                      sources[i])
                << list_.shown[i].frontName.toStdString();
        }
        EXPECT_EQ(Files(parking), QStringList{});
        for (const auto& [name, existed] :
             {std::pair{frontName, c.frontExists}, std::pair{rearName, c.rearExists}}) {
            const QString output = out_ + u'/' + name;
            if (c.replaced) {
                EXPECT_GT(QFileInfo(output).size(), 1000) << name.toStdString();
            } else if (existed) {
                EXPECT_EQ(ReadAll(output), "joined before") << name.toStdString();
            } else {
                EXPECT_FALSE(QFileInfo::exists(output)) << name.toStdString();
            }
        }
        EXPECT_TRUE(commands_->jobs().empty());
        EXPECT_TRUE(window_.controlsEnabled);
    }
}

// ---------------------------------------------------------------------------
// Delete.

// A trash of the test's own, on the volume of its files.
class PrivateTrashTest : public FileCommandsTest {
protected:
    QStringList Trashed() const {
        return QDir(dir_.filePath(QStringLiteral("share/Trash/files")))
            .entryList(QDir::Files, QDir::Name);
    }

    ScopedEnv home_{"HOME", dir_.path()};
    ScopedEnv data_{"XDG_DATA_HOME", dir_.filePath(QStringLiteral("share"))};
};

TEST_F(PrivateTrashTest, TickedRecordingsGoToTheTrashAndTheSourceIsReadAgain) {
    struct Case {
        const char* what;
        int kind;
        bool reopened;
    };
    const std::vector<Case> cases = {
        {"folder source", kSourceFolder, true},
        {"single-file source", kSourceFile, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CopyRecordings();
        QDir(dir_.filePath(QStringLiteral("share"))).removeRecursively();
        list_.Load();
        MakeCommands();
        messages.messages.clear();
        list_.kind = c.kind;
        list_.calls.clear();
        ended_ = 0;
        selections_.clear();
        ShowRecording(1, 42);
        const RecordingEntry kept = list_.shown[2];
        ticked_ = RecordingList{list_.shown[0], list_.shown[1]};

        commands_->DeleteCommand();
        ASSERT_TRUE(RunUntilEnded());

        ASSERT_EQ(selections_.size(), 1u);
        EXPECT_EQ(selections_[0].mode, browser::SelectMode::Delete);
        EXPECT_EQ(selections_[0].all.size(), 3u);
        QStringList gone;
        for (int i = 0; i < 2; ++i) {
            gone << RecordingNames()[i] << cardmaker::CounterpartName(RecordingNames()[i]);
        }
        gone.sort();
        EXPECT_EQ(Trashed(), gone);
        EXPECT_TRUE(QFileInfo::exists(kept.frontPath));
        EXPECT_TRUE(QFileInfo::exists(kept.rearPath));
        EXPECT_EQ(messages.messages, std::vector<Message>{kCompleted});
        EXPECT_TRUE(commands_->jobs().empty());
        // The recording being played was let go of before its files went.
        EXPECT_GE(LastCall(0, QStringLiteral("Close")), 0);
        EXPECT_TRUE(window_.log.contains(QStringLiteral("StopTick")));

        if (c.reopened) {
            EXPECT_EQ(list_.calls,
                      (QStringList{QStringLiteral("OpenSource 2"), QStringLiteral("SelectRow 0")}));
            EXPECT_EQ(list_.openedPath, source_);
            // Before the source was read again the rows were gone from the list.
            ASSERT_EQ(list_.listBeforeOpen.size(), 1u);
            EXPECT_EQ(list_.listBeforeOpen[0].frontPath, kept.frontPath);
            EXPECT_EQ(list_.listBeforeOpen[0].sequence, 0);
        } else {
            EXPECT_EQ(list_.calls, QStringList{});
            ASSERT_EQ(list_.shown.size(), 1u);
            EXPECT_EQ(list_.shown[0].frontPath, kept.frontPath);
            ASSERT_EQ(list_.all.size(), 1u);
            EXPECT_EQ(list_.all[0].sequence, 0);
        }
    }
}

TEST_F(PrivateTrashTest, CancelledSelectionDeletesNothingAndSelectsTheRowAgain) {
    ShowRecording(2, 0);
    ticked_.reset();
    commands_->DeleteCommand();
    ASSERT_TRUE(RunUntilEnded());

    EXPECT_EQ(list_.calls,
              (QStringList{QStringLiteral("SetCurrentIndex -1"), QStringLiteral("SelectRow 2")}));
    EXPECT_EQ(Trashed(), QStringList{});
    EXPECT_EQ(ListRecordings(source_).size(), 3u);
    EXPECT_EQ(messages.messages, std::vector<Message>{});
    EXPECT_FALSE(window_.log.contains(QStringLiteral("DisableControls")));
}

// ---------------------------------------------------------------------------
// Still images.

TEST_F(FileCommandsTest, StillImagesAreSavedByBothEnginesUnderTheRecordingsName) {
    struct Case {
        const char* what;
        bool rearOnly;
        bool folderChosen;
        bool engineOpen;
        bool imageExists;
        std::deque<int> answers;
        QStringList frontSaved; // file names engine 0 is asked to write
        QStringList rearSaved;
        std::vector<Message> expected;
        bool remembered;
    };
    const QString f = QStringLiteral("261205-093003-F-000123.jpg");
    const QString r = QStringLiteral("261205-093003-R-000123.jpg");
    const Message failed = Error("画像の保存に失敗しました。");
    const std::vector<Case> cases = {
        {"both cameras", false, true, true, false, {}, {f}, {r}, {kCompleted}, true},
        {"a recording with only its rear file",
         true,
         true,
         true,
         false,
         {},
         {r},
         {f},
         {kCompleted},
         true},
        {"an existing image and the answer yes",
         false,
         true,
         true,
         true,
         {1},
         {f},
         {r},
         {kOverwrite, kCompleted},
         true},
        {"an existing image and the answer no",
         false,
         true,
         true,
         true,
         {2},
         {},
         {},
         {kOverwrite},
         false},
        {"no engine can save",
         false,
         true,
         false,
         false,
         {},
         {QStringLiteral("261205-093003-F-000000.jpg")},
         {QStringLiteral("261205-093003-R-000000.jpg")},
         {failed},
         false},
        {"the folder dialog is cancelled", false, false, true, false, {}, {}, {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(out_).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(out_));
        QFile::remove(store_.filePath);
        list_.Load();
        if (c.rearOnly) {
            list_.shown[1].frontPath.clear();
            list_.shown[1].frontName.clear();
        }
        if (c.engineOpen) {
            ShowRecording(1, 123);
        } else {
            controller->CloseRecording();
            list_.selected = 1;
        }
        messages.messages.clear();
        messages.answers = c.answers;
        window_.log.clear();
        if (c.imageExists) {
            ASSERT_TRUE(WriteText(out_ + u'/' + (c.rearOnly ? r : f), "saved before"));
        }
        if (c.folderChosen) {
            ChooseFolder(out_);
        }
        for (auto& calls : {&Fake(0).calls, &Fake(1).calls}) {
            calls->clear();
        }

        commands_->ExportSnapshotCommand();

        QStringList asked[2];
        for (int camera = 0; camera < 2; ++camera) {
            for (const QString& call : Fake(camera).calls.filter(QStringLiteral("SaveFrame "))) {
                EXPECT_EQ(QFileInfo(call.mid(10)).absolutePath(), out_);
                asked[camera] << QFileInfo(call.mid(10)).fileName();
            }
        }
        EXPECT_EQ(asked[0], c.frontSaved);
        EXPECT_EQ(asked[1], c.rearSaved);
        EXPECT_EQ(messages.messages, c.expected);
        EXPECT_EQ(Setting(u"SNAPSHOT_FOLDER"), c.remembered ? out_ : QString());
        EXPECT_TRUE(window_.log.contains(QStringLiteral("DisableControls")));
        EXPECT_TRUE(window_.controlsEnabled);
    }
}

TEST_F(FileCommandsTest, StillImageIsNotTakenWhileTheWindowRefusesCommands) {
    FileCommandPorts ports{window_,    list_,      *controller, engine::FakeEngine(),
                           engines[0], engines[1], messages,    store_};
    ports.commandsRefused = [] { return true; };
    ports.pickFolder = [this](QWidget*, const QString& title, const QString&) {
        pickTitles_ << title;
        return FolderPick{true, out_};
    };
    FileCommands refusing(ports);
    ShowRecording(1, 5);
    refusing.ExportSnapshotCommand();
    EXPECT_EQ(pickTitles_, QStringList{});
    EXPECT_EQ(Fake(0).calls.filter(QStringLiteral("SaveFrame")), QStringList{});
    EXPECT_TRUE(window_.log.isEmpty());
}

// ---------------------------------------------------------------------------
// Repaired copies.

TEST_F(PrivateTrashTest, RepairedCopiesAreMovedKeptOrDroppedAsTheUserAnswers) {
    struct Case {
        const char* what;
        int answer;
        bool folderChosen;
        bool moved;
    };
    const std::vector<Case> cases = {
        {"yes and a folder", 1, true, true},
        {"yes and no folder", 1, false, false},
        {"no", 2, true, false},
    };
    const QString temp = dir_.filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkpath(temp));
    ScopedEnv tmpdir("TMPDIR", temp);
    ScopedEnv runtime("XDG_RUNTIME_DIR", QString());
    const QStringList copies = {RecordingNames()[0], RecordingNames()[1]};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(out_).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(out_));
        QFile::remove(store_.filePath);
        ASSERT_EQ(CheckRepairFolder(true), QString());
        for (const QString& name : copies) {
            ASSERT_TRUE(WriteText(RepairFolder() + u'/' + name, name.toLatin1()));
        }
        messages.messages.clear();
        messages.answers = {c.answer};
        picks_.clear();
        pickTitles_.clear();
        if (c.folderChosen) {
            ChooseFolder(out_);
        }

        const RepairOffer offer = commands_->OfferRepairedFiles();

        EXPECT_TRUE(offer.asked);
        ASSERT_FALSE(messages.messages.empty());
        EXPECT_EQ(messages.messages.front(),
                  (Message{QStringLiteral("破損が修復された一時ファイルがあります。"
                                          "消去の前に整理して保存しますか？"),
                           QStringLiteral("確認"), 4}));
        EXPECT_EQ(pickTitles_,
                  c.answer == 1
                      ? QStringList{QStringLiteral("移動先フォルダーを選択してください。")}
                      : QStringList{});
        EXPECT_EQ(Files(out_), c.moved ? copies : QStringList{});
        EXPECT_EQ(Setting(u"REPAIR_FOLDER"), c.moved ? out_ : QString());
        // Copies the user wanted but put nowhere stay for the next offer.
        const bool kept = c.answer == 1 && !c.folderChosen;
        EXPECT_EQ(Files(RepairFolder()), kept ? copies : QStringList{});
    }
}

} // namespace
} // namespace kv::app::test
