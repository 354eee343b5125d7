#include "selection_rules.h"

#include "message_box.h"
#include "ui_texts.h"

#include <algorithm>
#include <cstddef>

namespace kv::browser {
namespace {

std::size_t At(int i) {
    return static_cast<std::size_t>(i);
}

int RowCount(const RecordingList& rows) {
    return static_cast<int>(rows.size());
}

bool HasAviExtension(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || dot < slash) {
        return false;
    }
    return path.mid(dot).contains(u".AVI", Qt::CaseInsensitive);
}

} // namespace

RecordingList CapSelectionSource(const RecordingList& list, MessageSink& messages) {
    if (list.size() <= At(kMaxSelectionEntries)) {
        return list;
    }
    messages.ShowMessage(Text(UiText::TooManyToShow), Text(UiText::ErrorCaption), 0);
    return RecordingList(list.begin(), list.begin() + kMaxSelectionEntries);
}

RecordingList SelectionRows(const RecordingList& source, SelectMode mode) {
    if (mode != SelectMode::Join) {
        return source;
    }
    RecordingList rows;
    for (const RecordingEntry& entry : source) {
        const QString& path = entry.frontPath.isEmpty() ? entry.rearPath : entry.frontPath;
        if (HasAviExtension(path)) {
            rows.push_back(entry);
        }
    }
    return rows;
}

bool IsDamagedRow(const RecordingEntry& entry) {
    return entry.frontDamaged == 1 || entry.rearDamaged == 1;
}

bool IsUnrepairedRow(const RecordingEntry& entry) {
    return entry.frontUnrepaired != 0 || entry.rearUnrepaired != 0;
}

SelectionTotals TotalsOf(const RecordingList& rows, const std::vector<bool>& ticked) {
    SelectionTotals totals;
    const std::size_t n = std::min(rows.size(), ticked.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (!ticked[i]) {
            continue;
        }
        const RecordingEntry& entry = rows[i];
        totals.frontBytes += entry.frontExpectedLength;
        totals.rearBytes += entry.rearExpectedLength;
        totals.frontFiles += entry.frontExpectedLength != 0 ? 1 : 0;
        totals.rearFiles += entry.rearExpectedLength != 0 ? 1 : 0;
    }
    return totals;
}

SelectionVerdict JudgeTotals(const SelectionTotals& totals, SelectMode mode) {
    SelectionVerdict v;
    if (mode != SelectMode::Join) {
        v.frontMegabytes = (totals.frontBytes + totals.rearBytes) / kBytesPerMegabyte;
        v.okEnabled = totals.frontFiles > 0 || totals.rearFiles > 0;
        return v;
    }
    v.frontMegabytes = totals.frontBytes / kBytesPerMegabyte;
    v.rearMegabytes = totals.rearBytes / kBytesPerMegabyte;
    v.frontTooBig = v.frontMegabytes > kJoinMaxMegabytes;
    v.rearTooBig = v.rearMegabytes > kJoinMaxMegabytes;
    v.frontTooMany = totals.frontFiles > kJoinMaxFiles;
    v.rearTooMany = totals.rearFiles > kJoinMaxFiles;
    v.okEnabled = totals.frontFiles > 1 || totals.rearFiles > 1;
    return v;
}

QString JoinLimitMessage(const SelectionVerdict& verdict) {
    if (verdict.frontTooBig || verdict.rearTooBig) {
        return Text(UiText::SizeOver);
    }
    if (verdict.frontTooMany || verdict.rearTooMany) {
        return Text(UiText::TooManyFiles);
    }
    return {};
}

JoinRun FindJoinRun(const RecordingList& rows, const std::vector<bool>& ticked) {
    const int n = std::min(RowCount(rows), static_cast<int>(ticked.size()));
    JoinRun run;
    for (int i = 0; i < n; ++i) {
        if (ticked[At(i)] && !IsUnrepairedRow(rows[At(i)])) {
            run.start = i;
            break;
        }
    }
    if (run.start < 0) {
        return {};
    }
    for (int i = run.start + 1; i < n; ++i) {
        if (!ticked[At(i)] || IsUnrepairedRow(rows[At(i)])) {
            run.end = i;
            return run;
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        if (!IsUnrepairedRow(rows[At(i)])) {
            run.end = i + 1;
            break;
        }
    }
    return run;
}

void ApplyJoinTick(const RecordingList& rows, std::vector<bool>& ticked, JoinRun before, int c) {
    const int n = std::min(RowCount(rows), static_cast<int>(ticked.size()));
    if (c < 0 || c >= n) {
        return;
    }
    const bool on = ticked[At(c)];
    auto damaged = [&rows](int i) { return IsDamagedRow(rows[At(i)]); };
    if (before.start < 0) {
        if (on && damaged(c)) {
            ticked[At(c)] = false;
        }
        return;
    }
    if (c < before.start) {
        for (int i = 0; i < c; ++i) {
            if (ticked[At(i)] && (!on || damaged(i))) {
                ticked[At(i)] = false;
            }
        }
        for (int i = c; i < before.start; ++i) {
            ticked[At(i)] = on && !damaged(i);
        }
        return;
    }
    if (c < before.end) {
        if (c != before.start) {
            for (int i = c; i < std::min(before.end, n); ++i) {
                ticked[At(i)] = on && !damaged(i);
            }
        }
        return;
    }
    for (int i = before.end; i < c; ++i) {
        ticked[At(i)] = on && !damaged(i);
    }
    for (int i = c; i < n; ++i) {
        if (ticked[At(i)] && (!on || damaged(i))) {
            ticked[At(i)] = false;
        }
    }
}

std::vector<bool> SelectAllTicks(const RecordingList& rows, SelectMode mode, bool on) {
    std::vector<bool> ticks(rows.size(), on);
    if (on && mode == SelectMode::Join) {
        // One run, as a click keeps it: from the first sound row up to the
        // next damaged one. Rows on both sides of a damaged recording would
        // join into one file with that recording's time left out.
        bool started = false;
        bool ended = false;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const bool damaged = IsDamagedRow(rows[i]);
            ended = ended || (started && damaged);
            started = started || !damaged;
            ticks[i] = started && !ended;
        }
    }
    return ticks;
}

RecordingList TickedEntries(const RecordingList& rows, const std::vector<bool>& ticked) {
    RecordingList out;
    const std::size_t n = std::min(rows.size(), ticked.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (ticked[i]) {
            out.push_back(rows[i]);
        }
    }
    return out;
}

} // namespace kv::browser
