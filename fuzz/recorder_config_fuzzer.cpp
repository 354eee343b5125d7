// Arbitrary bytes as the recorder's configuration file on a card
// ("DRFormatConfig.dfc"): the parser must take any bytes, refuse exactly the
// short files, and give a firmware version of three numbers and a GPS-data
// number of at least six characters or none.

#include "recorder_config.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QRegularExpression version(QStringLiteral("^-?\\d+\\.-?\\d+\\.-?\\d+$"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto config = kv::browser::ParseRecorderConfig(bytes);
    Require(config.has_value() == (bytes.size() >= kv::browser::kRecorderConfigMinSize));
    if (config) {
        Require(version.match(config->version).hasMatch());
        Require(config->number.isEmpty() || config->number.size() >= 6);
        Require(config->spare.isEmpty());
        Require(!config->name.contains(QChar(0)));
        // Only the first 68 bytes count.
        Require(kv::browser::ParseRecorderConfig(bytes.left(kv::browser::kRecorderConfigMinSize)) ==
                config);
    }
    return 0;
}
