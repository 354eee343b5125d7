// kolvista-mkcard: writes a complete demo recorder card into a folder.

#include "cardmaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <cstdio>

namespace {

using kv::cardmaker::CardOptions;

constexpr int kBadArguments = 2;
constexpr int kWriteFailed = 1;

const char kUsage[] =
    "Usage: kolvista-mkcard --out DIR [options]\n"
    "Writes a recorder SD card (Normal/Front, Normal/Rear, Parking/Front, Parking/Rear,\n"
    "DRFormatConfig.dfc) with demo recordings into DIR.\n"
    "\n"
    "  --out DIR        folder to write the card into (created when missing; files of\n"
    "                   the same names are replaced, other files are left alone)\n"
    "  --front WxH      front camera picture size (default 1280x720)\n"
    "  --rear WxH       rear camera picture size (default 640x360)\n"
    "  --fps RATE       frame rate of normal recordings: 30, 30000/1001, 29.97, 29.1, ...\n"
    "                   (default 30; time-lapse recordings are always 15 fps)\n"
    "  --seconds N      length of each recording in seconds (default 10)\n"
    "  --count N        number of regular recordings (default 20)\n"
    "  --damaged        add a power-loss, a cut, a too-short and a rear-less recording\n"
    "  --tiny           160x96 pictures and 3 s recordings, for test fixtures\n"
    "  --jobs N         parallel encoders (default: one per processor)\n"
    "  --crf N          H.264 quality, 0-51 (default 23; 16 with --tiny)\n"
    "  --grain N        noise of +-N luma steps on the background, 0-100 (default 0),\n"
    "                   for recordings as costly to decode as real ones\n"
    "  --kbps N         constant bitrate in kbit/s instead of --crf (default 0 = crf)\n"
    "  --help           show this text\n";

void PrintError(const QString& message) {
    std::fprintf(stderr, "kolvista-mkcard: %s\n", qPrintable(message));
}

bool ParseSize(const QString& text, int* width, int* height) {
    static const QRegularExpression shape(QStringLiteral("^([0-9]{1,5})[xX]([0-9]{1,5})$"));
    const auto m = shape.match(text);
    if (!m.hasMatch()) {
        return false;
    }
    *width = m.captured(1).toInt();
    *height = m.captured(2).toInt();
    return true;
}

// "30", "30000/1001", or a decimal such as "29.97" or "29.1".
bool ParseRate(const QString& text, std::uint32_t* rate, std::uint32_t* scale) {
    static const QRegularExpression fraction(QStringLiteral("^([0-9]{1,10})/([0-9]{1,10})$"));
    static const QRegularExpression whole(QStringLiteral("^[0-9]{1,4}$"));
    static const QRegularExpression decimal(QStringLiteral("^[0-9]{1,4}\\.[0-9]{1,6}$"));
    if (const auto m = fraction.match(text); m.hasMatch()) {
        bool okRate = false;
        bool okScale = false;
        const qulonglong r = m.captured(1).toULongLong(&okRate);
        const qulonglong s = m.captured(2).toULongLong(&okScale);
        if (!okRate || !okScale || r == 0 || s == 0 || r > 1000000000ull || s > 1000000000ull) {
            return false;
        }
        *rate = static_cast<std::uint32_t>(r);
        *scale = static_cast<std::uint32_t>(s);
        return true;
    }
    if (whole.match(text).hasMatch()) {
        *rate = text.toUInt();
        *scale = 1;
        return *rate > 0;
    }
    if (decimal.match(text).hasMatch()) {
        const double fps = text.toDouble();
        if (fps <= 0.0) {
            return false;
        }
        // The NTSC-style rates are exact fractions.
        for (const std::uint32_t base : {24000u, 30000u, 60000u}) {
            if (std::fabs(fps - base / 1001.0) < 0.006) {
                *rate = base;
                *scale = 1001;
                return true;
            }
        }
        *rate = 1000000;
        *scale = static_cast<std::uint32_t>(std::llround(1e6 / fps));
        return *scale > 0;
    }
    return false;
}

bool ParseInt(const QString& text, int* value) {
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

    bool tiny = false;
    for (const QString& a : args) {
        if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == QStringLiteral("--tiny")) {
            tiny = true;
        }
    }

    CardOptions options = tiny ? kv::cardmaker::TinyCardOptions() : CardOptions{};
    QString out;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QStringLiteral("--damaged")) {
            options.damaged = true;
            continue;
        }
        if (a == QStringLiteral("--tiny")) {
            continue;
        }
        static const QStringList withValue = {
            QStringLiteral("--out"),  QStringLiteral("--front"),   QStringLiteral("--rear"),
            QStringLiteral("--fps"),  QStringLiteral("--seconds"), QStringLiteral("--count"),
            QStringLiteral("--jobs"), QStringLiteral("--crf"),     QStringLiteral("--grain"),
            QStringLiteral("--kbps")};
        if (!withValue.contains(a)) {
            PrintError(QStringLiteral("unknown option \"%1\" (see --help)").arg(a));
            return kBadArguments;
        }
        if (i + 1 >= args.size()) {
            PrintError(QStringLiteral("%1 needs a value").arg(a));
            return kBadArguments;
        }
        const QString value = args[++i];
        bool ok = true;
        if (a == QStringLiteral("--out")) {
            out = value;
            ok = !value.isEmpty();
        } else if (a == QStringLiteral("--front")) {
            ok = ParseSize(value, &options.frontWidth, &options.frontHeight);
        } else if (a == QStringLiteral("--rear")) {
            ok = ParseSize(value, &options.rearWidth, &options.rearHeight);
        } else if (a == QStringLiteral("--fps")) {
            ok = ParseRate(value, &options.rate, &options.scale);
        } else if (a == QStringLiteral("--seconds")) {
            options.seconds = value.toDouble(&ok);
        } else if (a == QStringLiteral("--count")) {
            ok = ParseInt(value, &options.count);
        } else if (a == QStringLiteral("--jobs")) {
            ok = ParseInt(value, &options.jobs) && options.jobs >= 0;
        } else if (a == QStringLiteral("--crf")) {
            ok = ParseInt(value, &options.crf);
        } else if (a == QStringLiteral("--grain")) {
            ok = ParseInt(value, &options.grain);
        } else if (a == QStringLiteral("--kbps")) {
            ok = ParseInt(value, &options.bitrateKbps);
        }
        if (!ok) {
            PrintError(QStringLiteral("bad value \"%1\" for %2 (see --help)").arg(value, a));
            return kBadArguments;
        }
    }
    if (out.isEmpty()) {
        PrintError(QStringLiteral("--out DIR is required (see --help)"));
        return kBadArguments;
    }

    QString error;
    if (!kv::cardmaker::CheckCardOptions(options, &error)) {
        PrintError(error);
        return kBadArguments;
    }
    QElapsedTimer timer;
    timer.start();
    if (!kv::cardmaker::WriteCard(options, out, &error)) {
        PrintError(error);
        return kWriteFailed;
    }
    const auto plan = kv::cardmaker::PlanCard(options);
    int files = 0;
    for (const auto& r : plan) {
        files += r.hasRear ? 2 : 1;
    }
    std::printf("kolvista-mkcard: wrote %zu recordings (%d files) to %s in %.1f s\n", plan.size(),
                files, qPrintable(QDir::toNativeSeparators(QDir(out).absolutePath())),
                static_cast<double>(timer.elapsed()) / 1000.0);
    return 0;
}
