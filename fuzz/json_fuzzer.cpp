// Arbitrary text as a message of the map page: the flat JSON reader of
// CJsonHolder must take any text, never keep a double quote in a key or a
// value, and read back exactly what it writes for the objects it writes
// whole (every entry but the last followed by a comma).

#include "json_holder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool SameEntries(const kv::map::CJsonHolder& a, const kv::map::CJsonHolder& b) {
    if (a.entries().size() != b.entries().size()) {
        return false;
    }
    auto j = b.entries().begin();
    for (auto i = a.entries().begin(); i != a.entries().end(); ++i, ++j) {
        if (i->first != j->first || i->second.value != j->second.value ||
            i->second.separator != j->second.separator) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString utf8 =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString utf16 =
        QString(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    for (const QString& text : {utf8, utf16}) {
        kv::map::CJsonHolder holder;
        holder.Parse(text);
        bool whole = true;
        std::size_t n = 0;
        for (const auto& [key, entry] : holder.entries()) {
            Require(!key.contains(u'"') && !entry.value.contains(u'"'));
            Require(entry.separator.isEmpty() || entry.separator == u",");
            Require(holder.Contains(key) && holder.Value(key) == entry.value);
            ++n;
            whole = whole && (n == holder.entries().size() || !entry.separator.isEmpty());
        }
        const QString written = holder.Write();
        Require(written.startsWith(u'{') && written.endsWith(u'}'));
        kv::map::CJsonHolder again;
        again.Parse(written);
        if (whole) {
            Require(SameEntries(holder, again));
        }
        // Parsing adds to what is held: the text again changes nothing.
        kv::map::CJsonHolder twice = holder;
        twice.Parse(text);
        Require(SameEntries(holder, twice));
    }
    return 0;
}
