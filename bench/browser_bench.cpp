// The file browser pane with many recordings: opening a card of 5000 front +
// rear pairs until the tree and the first group's list are painted (warm
// cache), and scrolling a list of 1000 rows one row and one page at a time.
// Run by hand (Release build), each figure the median of RUNS runs:
//   QT_QPA_PLATFORM=offscreen build-release/bench/browser_bench [RUNS]
// The card is made once into $TMPDIR/kolvista-browser-bench-1 and kept for
// later runs: one tiny real recording per camera, hard-linked (or copied) to
// every name, since the catalogue checks each file's AVI structure.

#include "cardmaker.h"
#include "catalogue.h"
#include "file_list_ctrl.h"
#include "filer_container_dlg.h"
#include "folder_tree_ctrl.h"
#include "settings_store.h"
#include "source_kind.h"
#include "ui_fonts.h"
#include "ui_scale.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include <unistd.h>

namespace {

using namespace kv;

constexpr int kRecordings = 5000;
constexpr int kDriveLength = 60; // recordings per drive; each drive starts with an 'S'

// A drive of one-minute recordings after another, numbered from 1.
QString NameOf(int index, char camera) {
    const bool driveStart = index % kDriveLength == 0;
    // A pause of ten minutes between drives keeps the times increasing.
    const int minutes = index + (index / kDriveLength) * 10;
    const cardmaker::LocalTime start =
        cardmaker::AddSeconds(cardmaker::LocalTime{2022, 8, 20, 9, 0, 0}, minutes * 60LL);
    return cardmaker::MakeRecordingName(
        driveStart ? QStringLiteral("A__S") : QStringLiteral("A___"), start, index + 1, camera);
}

QString WriteTemplate(const QString& dir, const QString& name, bool front) {
    cardmaker::RecordingSpec recipe;
    recipe.fileName = name;
    recipe.width = 160;
    recipe.height = 96;
    recipe.seconds = 3.0;
    recipe.telemetry =
        front ? cardmaker::TelemetryForm::ExactCount : cardmaker::TelemetryForm::None;
    const QString path = dir + "/" + name;
    QString error;
    if (!cardmaker::WriteRecording(recipe, path, &error)) {
        std::fprintf(stderr, "cannot make %s: %s\n", qPrintable(path), qPrintable(error));
        std::exit(1);
    }
    return path;
}

void LinkOrCopy(const QString& from, const QString& to) {
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
        return;
    }
    if (!QFile::copy(from, to)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(to));
        std::exit(1);
    }
}

// The card, made once; a card left unfinished by an earlier run is made again.
QString BenchCard() {
    const QString base = QDir::tempPath() + "/kolvista-browser-bench-1";
    const QString card = base + "/CARD";
    const QString done = base + "/complete";
    if (QFileInfo::exists(done)) {
        return card;
    }
    std::fprintf(stderr, "making %s (%d recordings) ...\n", qPrintable(card), kRecordings);
    QDir(base).removeRecursively();
    const QString front = card + "/Normal/Front";
    const QString rear = card + "/Normal/Rear";
    QDir().mkpath(front);
    QDir().mkpath(rear);
    QDir().mkpath(base + "/templates");
    const QString frontTemplate = WriteTemplate(base + "/templates", NameOf(0, 'F'), true);
    const QString rearTemplate = WriteTemplate(base + "/templates", NameOf(0, 'R'), false);
    for (int i = 0; i < kRecordings; ++i) {
        LinkOrCopy(frontTemplate, front + "/" + NameOf(i, 'F'));
        LinkOrCopy(rearTemplate, rear + "/" + NameOf(i, 'R'));
    }
    QFile mark(done);
    if (!mark.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(done));
        std::exit(1);
    }
    return card;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// -- Opening the card.

struct OpenResult {
    double ms = 0.0;
    int groups = 0;
    int rows = 0;
};

OpenResult OpenCard(browser::CFilerContainerDlg& pane, const QString& card) {
    QElapsedTimer timer;
    timer.start();
    pane.OpenSource(card, SourceKind::Card);
    pane.SelectDefaultFolder();
    const int rows = pane.LoadFolder(pane.tree()->currentItem());
    QApplication::processEvents();
    const QPixmap shot = pane.grab();
    OpenResult result;
    result.ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    result.rows = rows;
    if (QTreeWidgetItem* top = pane.tree()->topLevelItem(0)) {
        result.groups = top->childCount();
    }
    if (shot.isNull()) {
        std::fprintf(stderr, "the pane did not paint\n");
        std::exit(1);
    }
    return result;
}

// -- Scrolling the list.

// The repaints of one pass through the list: wall-clock and this thread's
// processor time of each, in ms. On a busy machine a slow wall-clock repaint
// with little processor time was kept waiting rather than working.
struct Steps {
    std::vector<double> wall;
    std::vector<double> cpu;
};

struct ScrollResult {
    Steps byRow;
    Steps byPage;
};

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Sets the bar to each value in turn and times the repaint that follows.
void ScrollThrough(browser::CFileListCtrl& list, int step, Steps& steps) {
    QScrollBar* bar = list.verticalScrollBar();
    bar->setValue(bar->minimum());
    QApplication::processEvents();
    for (int value = bar->minimum(); value <= bar->maximum(); value += step) {
        bar->setValue(value);
        const double cpuStart = ThreadCpuMs();
        QElapsedTimer timer;
        timer.start();
        list.viewport()->repaint();
        steps.wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        steps.cpu.push_back(ThreadCpuMs() - cpuStart);
    }
}

ScrollResult ScrollList(browser::CFileListCtrl& list) {
    ScrollResult result;
    ScrollThrough(list, 1, result.byRow);
    ScrollThrough(list, std::max(1, list.verticalScrollBar()->pageStep()), result.byPage);
    return result;
}

double Slowest(const std::vector<double>& ms) {
    return *std::max_element(ms.begin(), ms.end());
}

void PrintSteps(const char* what, const Steps& steps) {
    const std::size_t at = static_cast<std::size_t>(
        std::max_element(steps.wall.begin(), steps.wall.end()) - steps.wall.begin());
    std::printf("    %-8s %4zu repaints: median %6.3f ms, slowest %6.3f ms (repaint %zu, "
                "processor %.3f ms of it); most processor time in one %6.3f ms\n",
                what, steps.wall.size(), Median(steps.wall), steps.wall[at], at + 1, steps.cpu[at],
                Slowest(steps.cpu));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QString card = BenchCard();

    QTemporaryDir settings;
    const UiScale scale(1.0, 1.0);
    const UiFonts fonts = UiFonts::ForWidget(nullptr, scale);

    // 1. The card opened until the tree and the first group's list are painted.
    std::vector<double> openMs;
    {
        browser::CFilerContainerDlg pane(scale, fonts, LocateSettings(settings.path(), QString()));
        pane.resize(452, 620);
        pane.show();
        QApplication::processEvents();
        const OpenResult warm = OpenCard(pane, card); // untimed: fills the caches
        std::printf("card of %d recordings (%s): %d groups, %d rows in the first\n", kRecordings,
                    qPrintable(QGuiApplication::platformName()), warm.groups, warm.rows);
        for (int i = 0; i < runs; ++i) {
            const OpenResult r = OpenCard(pane, card);
            openMs.push_back(r.ms);
            std::printf("  open run %d: %.1f ms\n", i + 1, r.ms);
        }
    }
    std::printf("open card to painted tree and list: median %.1f ms of %d runs (aim: under 1000)\n",
                Median(openMs), runs);

    // 2. A list of 1000 rows scrolled one row and one page at a time.
    const QString front = card + "/Normal/Front/";
    const QString rear = card + "/Normal/Rear/";
    Catalogue catalogue;
    RecordingList entries;
    for (int i = 0; i < kMaxListEntries; ++i) {
        MakeEntry(catalogue, front + NameOf(i, 'F'), rear + NameOf(i, 'R'), entries);
    }
    for (std::size_t i = 0; i < entries.size(); i += 10) {
        entries[i].frontDamaged = 1; // its repaired copy is looked for while painting
    }
    browser::CFileListCtrl list;
    list.setFont(fonts.pt13());
    list.SetScale(scale);
    list.InitColumns();
    for (int i = 0; i < browser::kKindFilterCount; ++i) {
        list.SetKindFilter(i, true);
    }
    list.SetAllEntries(std::move(entries));
    list.Refill();
    list.resize(228, 600);
    list.show();
    QApplication::processEvents();
    std::printf("list of %zu rows at 228 x 600, %d rows a page:\n", list.shownEntries().size(),
                list.verticalScrollBar()->pageStep());
    std::vector<double> rowMedians, rowSlowest, rowCpu, pageMedians, pageSlowest, pageCpu;
    for (int i = 0; i < runs; ++i) {
        const ScrollResult r = ScrollList(list);
        std::printf("  scroll run %d:\n", i + 1);
        PrintSteps("by row", r.byRow);
        PrintSteps("by page", r.byPage);
        rowMedians.push_back(Median(r.byRow.wall));
        rowSlowest.push_back(Slowest(r.byRow.wall));
        rowCpu.push_back(Slowest(r.byRow.cpu));
        pageMedians.push_back(Median(r.byPage.wall));
        pageSlowest.push_back(Slowest(r.byPage.wall));
        pageCpu.push_back(Slowest(r.byPage.cpu));
    }
    const auto summary = [runs](const char* what, const std::vector<double>& medians,
                                const std::vector<double>& slowest,
                                const std::vector<double>& cpu) {
        std::printf("scroll %-7s repaint median %.3f ms, slowest %.3f ms, most processor time "
                    "%.3f ms (medians of %d runs; slowest of all %.3f ms; aim: none over 16)\n",
                    what, Median(medians), Median(slowest), Median(cpu), runs, Slowest(slowest));
    };
    summary("by row:", rowMedians, rowSlowest, rowCpu);
    summary("by page:", pageMedians, pageSlowest, pageCpu);
    return 0;
}
