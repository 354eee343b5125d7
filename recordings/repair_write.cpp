// Writing a repaired copy: everything goes to a temporary name beside the
// target, which becomes the target only when the copy is complete. A copy
// that failed part-way would otherwise sit under the final name, and the
// player takes an existing copy as a good one without looking at it.

#include "repair.h"
#include "repair_detail.h"

#include "byte_order.h"
#include "durable_file.h"
#include "kernel_copy.h"
#include "telemetry_layout.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kv {

namespace {

constexpr char kFiller[] = "CCCCCCCC";

// The copy's tail after its index: "CCCCCCCC", then an empty telemetry block,
// that is the 40-byte "CSMDAT" head with a zero record count and the 28-byte
// "CSMEND" trailer with a zero slot count. The trailer is the source's last
// 28 bytes when they are one (the recorder closed its telemetry), else a
// fresh one. The filler and trailer alone would do for a player, but the
// descriptor loader (info, join, the CSV list) finds a front file's
// telemetry as a whole block at the file's end and refuses a file without
// one, so a copy carries the block the recorder's own files carry, only
// without records.
QByteArray EmptyTelemetryBlock(const unsigned char* sourceEnd) {
    using namespace telemetry;
    QByteArray block(static_cast<qsizetype>(kFramingLength), '\0');
    auto* b = reinterpret_cast<unsigned char*>(block.data());
    std::memcpy(b, kBlockTag, kTagLength);
    unsigned char* trailer = b + kHeadLength;
    if (std::memcmp(sourceEnd, kEndTag, kTagLength) == 0) {
        std::memcpy(trailer, sourceEnd, kTrailerLength);
    } else {
        std::memcpy(trailer, kEndTag, kTagLength);
    }
    WriteBe32(trailer + kTrailerCountOffset, 0);
    return block;
}

OperationResult Fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return kOperationFailed;
}

bool WriteAll(QFile& out, const void* data, std::uint64_t length) {
    const auto* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const qint64 written = out.write(bytes, static_cast<qint64>(length));
        if (written <= 0) {
            return false;
        }
        bytes += written;
        length -= static_cast<std::uint64_t>(written);
    }
    return true;
}

} // namespace

OperationResult WriteRepaired(MappedFile& source, const RepairContext& context,
                              const QString& target, const OperationControl* control,
                              QString* error) {
    const std::uint32_t payloadStart = avi::PayloadStart(context.timeLapse);
    if (context.header.size() != static_cast<qsizetype>(payloadStart) ||
        context.index.size() < 8 + static_cast<qsizetype>(avi::kIndexEntryLength) ||
        context.moviSize < 4) {
        return Fail(error, QStringLiteral("no index has been built"));
    }
    const std::uint64_t size = source.size;
    const std::uint64_t chunkBytes = context.moviSize - 4;
    if (size < telemetry::kTrailerLength || payloadStart + chunkBytes > size) {
        return Fail(error, QStringLiteral("the indexed chunks run past the end of the source"));
    }
    unsigned char sourceEnd[telemetry::kTrailerLength];
    if (!ReadMapped(source, size - telemetry::kTrailerLength, sourceEnd,
                    telemetry::kTrailerLength)) {
        return Fail(error,
                    QStringLiteral("cannot read the end of the source: %1").arg(source.lastError));
    }
    const QByteArray block = EmptyTelemetryBlock(sourceEnd);

    const QString partial = repair_detail::PartialName(target);
    QFile out(partial);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        return Fail(error, QStringLiteral("cannot create %1: %2").arg(partial, out.errorString()));
    }
#if defined(Q_OS_UNIX)
    // A copy for the player is the user's alone, as its folder is.
    if (repair_detail::InRepairFolder(target) && ::fchmod(out.handle(), 0600) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        out.close();
        QFile::remove(partial);
        return Fail(error, QStringLiteral("cannot make %1 private: %2").arg(partial, reason));
    }
#endif
    const auto abandon = [&](OperationResult result, const QString& text) {
        out.close();
        QFile::remove(partial);
        if (result == kOperationFailed) {
            Fail(error, text);
        }
        return result;
    };
    const auto writeFailed = [&] {
        return abandon(kOperationFailed,
                       QStringLiteral("cannot write %1: %2").arg(partial, out.errorString()));
    };

    if (!WriteAll(out, context.header.constData(), payloadStart)) {
        return writeFailed();
    }
    // The chunks, window by window: in the kernel while it can, else read and written.
#if defined(Q_OS_UNIX)
    bool inKernel = true;
#else
    bool inKernel = false; // the read and write below do it all
#endif
    for (std::uint64_t done = 0; done < chunkBytes;) {
        if (control && control->Cancelled()) {
            return abandon(kOperationCancelled, {});
        }
        const std::uint64_t length = std::min(kRepairCopyWindow, chunkBytes - done);
        std::uint64_t copied = 0;
#if defined(Q_OS_UNIX)
        if (inKernel) {
            std::int64_t target = static_cast<std::int64_t>(payloadStart + done);
            const KernelCopy result =
                CopyInKernel(source.fd, payloadStart + done, out.handle(), &target, length, copied);
            if (result == KernelCopy::Failed) {
                const QString reason = QString::fromLocal8Bit(std::strerror(errno));
                return abandon(kOperationFailed,
                               QStringLiteral("cannot write %1: %2").arg(partial, reason));
            }
            inKernel = result == KernelCopy::Done;
        }
#endif
        if (copied < length) {
            const std::uint64_t at = payloadStart + done + copied;
            MappedView view = MapWindow(source, at, length - copied);
            if (!view || view.length() != length - copied) {
                return abandon(kOperationFailed,
                               QStringLiteral("cannot read the source: %1").arg(source.lastError));
            }
            if (!out.seek(static_cast<qint64>(at)) ||
                !WriteAll(out, view.data(), length - copied)) {
                return writeFailed();
            }
        }
        done += length;
        if (control) {
            control->Progress(static_cast<std::int64_t>(done),
                              static_cast<std::int64_t>(chunkBytes));
        }
    }
    if (!out.seek(static_cast<qint64>(payloadStart + chunkBytes))) {
        return writeFailed();
    }
    if (!WriteAll(out, context.index.constData(),
                  static_cast<std::uint64_t>(context.index.size())) ||
        !WriteAll(out, kFiller, sizeof kFiller - 1) ||
        !WriteAll(out, block.constData(), static_cast<std::uint64_t>(block.size()))) {
        return writeFailed();
    }
    // On the disk before it takes the final name: the player takes an
    // existing copy as a good one.
    QString why;
    if (!FlushFileData(out.handle(), &why)) {
        return abandon(kOperationFailed, QStringLiteral("cannot write %1: %2").arg(partial, why));
    }
    out.close();
    if (out.error() != QFileDevice::NoError) {
        return abandon(kOperationFailed,
                       QStringLiteral("cannot close %1: %2").arg(partial, out.errorString()));
    }
    if (control && control->Cancelled()) {
        return abandon(kOperationCancelled, {});
    }
    std::error_code ec;
    std::filesystem::rename(repair_detail::FsPath(partial), repair_detail::FsPath(target), ec);
    if (ec) {
        return abandon(kOperationFailed,
                       QStringLiteral("cannot rename %1 to %2: %3")
                           .arg(partial, target, QString::fromStdString(ec.message())));
    }
    FlushFolderOf(target);
    return kOperationDone;
}

} // namespace kv
