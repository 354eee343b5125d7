#include "mapped_file.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kv {

namespace {

constexpr std::uint64_t kSizeLimit = std::uint64_t{1} << 32;

#if defined(Q_OS_UNIX)
QString SystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}
#endif

} // namespace

MappedFile::MappedFile(MappedFile&& other) noexcept {
    *this = std::move(other);
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        CloseMapped(*this);
        path = std::move(other.path);
        size = std::exchange(other.size, 0);
        lastError = std::move(other.lastError);
#if defined(Q_OS_UNIX)
        fd = std::exchange(other.fd, -1);
#else
        file = std::move(other.file);
#endif
    }
    return *this;
}

MappedFile::~MappedFile() {
    CloseMapped(*this);
}

bool MappedFile::isOpen() const {
#if defined(Q_OS_UNIX)
    return fd >= 0;
#else
    return file && file->isOpen();
#endif
}

bool OpenMapped(const QString& path, MappedFile& out) {
    CloseMapped(out);
    out.lastError.clear();
#if defined(Q_OS_UNIX)
    // Non-blocking, so that a FIFO named like a recording is refused here
    // instead of waiting for a writer; the kind is checked before any read.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        out.lastError = SystemError();
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
        static_cast<std::uint64_t>(info.st_size) >= kSizeLimit) {
        out.lastError = QStringLiteral("not a readable recording file");
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    out.fd = fd;
    out.size = static_cast<std::uint32_t>(info.st_size);
#else
    const QFileInfo kind(path);
    if (kind.exists() && !kind.isFile()) {
        out.lastError = QStringLiteral("not a readable recording file");
        return false;
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        out.lastError = file->errorString();
        return false;
    }
    const qint64 size = file->size();
    if (size <= 0 || static_cast<std::uint64_t>(size) >= kSizeLimit) {
        out.lastError = QStringLiteral("not a readable recording file");
        return false;
    }
    out.file = std::move(file);
    out.size = static_cast<std::uint32_t>(size);
#endif
    out.path = path;
    return true;
}

void CloseMapped(MappedFile& file) {
#if defined(Q_OS_UNIX)
    if (file.fd >= 0) {
        ::close(file.fd);
    }
    file.fd = -1;
#else
    file.file.reset();
#endif
    file.path.clear();
    file.size = 0;
}

namespace {

// Reads exactly length bytes at offset; false, with the reason in lastError,
// when the file ends before them or the system refuses the read.
bool ReadExactly(MappedFile& file, std::uint64_t offset, void* out, std::uint32_t length) {
#if defined(Q_OS_UNIX)
    std::uint32_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(file.fd, static_cast<char*>(out) + done, length - done,
                                    static_cast<off_t>(offset + done));
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            file.lastError = got < 0 ? SystemError() : QStringLiteral("unexpected end of file");
            return false;
        }
        done += static_cast<std::uint32_t>(got);
    }
    return true;
#else
    if (!file.file->seek(static_cast<qint64>(offset))) {
        file.lastError = file.file->errorString();
        return false;
    }
    std::uint32_t done = 0;
    while (done < length) {
        const qint64 got = file.file->read(static_cast<char*>(out) + done, length - done);
        if (got <= 0) {
            file.lastError =
                got < 0 ? file.file->errorString() : QStringLiteral("unexpected end of file");
            return false;
        }
        done += static_cast<std::uint32_t>(got);
    }
    return true;
#endif
}

} // namespace

MappedView MapWindow(MappedFile& file, std::uint64_t offset, std::uint64_t length) {
    if (!file.isOpen() || length == 0 || offset >= file.size) {
        return {};
    }
    const auto available =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(length, file.size - offset));
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[available]);
    if (!bytes) {
        file.lastError = QStringLiteral("out of memory");
        return {};
    }
    if (!ReadExactly(file, offset, bytes.get(), available)) {
        return {};
    }
    return MappedView(std::move(bytes), available);
}

bool ReadMapped(MappedFile& file, std::uint64_t offset, void* out, std::uint32_t length) {
    if (!file.isOpen() || length == 0 || offset >= file.size || file.size - offset < length) {
        return false;
    }
    return ReadExactly(file, offset, out, length);
}

} // namespace kv
