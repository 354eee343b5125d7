#include "entry_printing.h"

namespace kv::cli {

void PrintEntries(const RecordingList& entries, QTextStream& out) {
    for (const RecordingEntry& e : entries) {
        out << QString::asprintf("%5d  ", e.sequence) << e.rowName() << "  front "
            << (e.frontPath.isEmpty() ? "-"
                : e.frontDamaged      ? "damaged"
                                      : "ok")
            << "  rear "
            << (e.rearPath.isEmpty() ? "-"
                : e.rearDamaged      ? "damaged"
                                     : "ok")
            << "  expected " << e.frontExpectedLength << " / " << e.rearExpectedLength << "\n";
    }
}

} // namespace kv::cli
