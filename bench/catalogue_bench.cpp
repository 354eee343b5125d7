// Scanning a card of 5000 recordings (front and rear files with real
// headers), against `find CARD -name '*.AVI'` over the same tree in the same
// run. The ratio of the medians is the figure to watch.

#include "avi_bytes.h"
#include "catalogue.h"
#include "memory_tree.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using namespace kv;

struct Card {
    QTemporaryDir dir;
    Card() {
        test::AviSpec recipe;
        recipe.chunks = test::SimpleChunks(10, true);
        const QByteArray rear = test::MakeAvi(recipe);
        recipe.telemetry = test::ExactBlock(std::vector<QByteArray>(10, test::TypicalRecord()));
        const QByteArray front = test::MakeAvi(recipe);
        for (const char* folder :
             {"Normal/Front", "Normal/Rear", "Parking/Front", "Parking/Rear"}) {
            QDir().mkpath(dir.path() + u'/' + QLatin1String(folder));
        }
        for (int n = 1; n <= 5000; ++n) {
            const bool parking = n > 4000;
            const char* head =
                n % 30 == 1 ? (parking ? "P__S" : "A__S") : (parking ? "P___" : "A___");
            const int day = 1 + n / 1000;
            const QString group = parking ? QStringLiteral("Parking") : QStringLiteral("Normal");
            for (char camera : {'F', 'R'}) {
                const QString name = QStringLiteral("%1-2612%2-120000-%3%4.AVI")
                                         .arg(QLatin1String(head))
                                         .arg(day, 2, 10, QChar(u'0'))
                                         .arg(n, 6, 10, QChar(u'0'))
                                         .arg(QChar(camera));
                test::WriteFile(
                    dir.path() + u'/' + group +
                        (camera == 'F' ? QStringLiteral("/Front") : QStringLiteral("/Rear")),
                    name, camera == 'F' ? front : rear);
            }
        }
    }
};

Card& TheCard() {
    static Card card;
    return card;
}

void BM_Find(benchmark::State& state) {
    const QByteArray command =
        "find '" + TheCard().dir.path().toLocal8Bit() + "' -name '*.AVI' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0) {
            state.SkipWithError("find failed");
            break;
        }
    }
}
BENCHMARK(BM_Find)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CollectAll(benchmark::State& state) {
    Catalogue catalogue;
    std::size_t found = 0;
    for (auto _ : state) {
        RecordingList entries;
        int files = 0;
        CollectAll(catalogue, TheCard().dir.path(), entries, files, 0);
        found = entries.size();
    }
    state.counters["recordings"] = static_cast<double>(found);
}
BENCHMARK(BM_CollectAll)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScanSourceCard(benchmark::State& state) {
    Catalogue catalogue;
    int items = 0;
    for (auto _ : state) {
        MemoryTree tree;
        RecordingList entries, folders;
        ScanContext context{catalogue, tree, entries};
        context.folderEntries = &folders;
        context.cardLayout = true;
        ScanSource(TheCard().dir.path(), kTreeRoot, 0, context);
        items = tree.ItemCount();
    }
    state.counters["tree_items"] = items;
}
BENCHMARK(BM_ScanSourceCard)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
