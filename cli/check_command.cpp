// kolvista-cli check: recordings whose clock, camera lengths or telemetry
// do not agree.

#include "commands.h"
#include "recording_sources.h"
#include "time_check.h"

namespace kv::cli {

namespace {

int Check(const QString& source, QTextStream& out, QTextStream& err) {
    RecordingList entries;
    if (!RecordingsOfSource(source, entries, err)) {
        return kExitBadInput;
    }
    int flagged = 0;
    int unchecked = 0;
    for (const RecordingEntry& e : entries) {
        const TimeCheck c = CheckRecordingTime(e.frontPath, e.rearPath);
        if (!c.checked) {
            out << c.name << "  not checked: " << c.notChecked << "\n";
            ++unchecked;
            continue;
        }
        for (const QString& finding : c.findings) {
            out << c.name << "  " << finding << "\n";
        }
        flagged += c.findings.isEmpty() ? 0 : 1;
    }
    out << "checked " << entries.size() - static_cast<std::size_t>(unchecked) << " of "
        << entries.size() << " recordings: " << flagged << " with findings";
    if (unchecked > 0) {
        out << ", " << unchecked << " not checked";
    }
    out << "\n";
    // A recording that could not be checked needs a look as much as a finding.
    return flagged > 0 || unchecked > 0 ? kExitFindings : kExitOk;
}

const CommandRegistrar check({"check",
                              "SOURCE   (clock offset over 2 min, front/rear length, "
                              "telemetry coverage)",
                              [](const QStringList& a) { return a.size() == 1; },
                              [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                  return Check(a[0], out, err);
                              }});

} // namespace

} // namespace kv::cli
