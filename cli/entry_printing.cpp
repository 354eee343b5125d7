#include "entry_printing.h"

namespace kv::cli {

namespace {

const char* State(const QString& path, std::int32_t verdict) {
    if (path.isEmpty()) {
        return "-";
    }
    switch (verdict) {
    case 0:
        return "ok";
    case 1:
        return "damaged";
    default:
        return "unreadable";
    }
}

} // namespace

void PrintEntries(const RecordingList& entries, QTextStream& out) {
    for (const RecordingEntry& e : entries) {
        out << QString::asprintf("%5d  ", e.sequence) << e.rowName() << "  front "
            << State(e.frontPath, e.frontDamaged) << "  rear " << State(e.rearPath, e.rearDamaged)
            << "  expected " << e.frontExpectedLength << " / " << e.rearExpectedLength << "\n";
    }
}

} // namespace kv::cli
