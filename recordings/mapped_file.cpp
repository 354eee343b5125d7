#include "mapped_file.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
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
        granularity = other.granularity;
        viewDelta = std::exchange(other.viewDelta, 0);
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

MappedView& MappedView::operator=(MappedView&& other) noexcept {
    if (this != &other) {
        release();
        base_ = std::exchange(other.base_, nullptr);
        mappedLength_ = std::exchange(other.mappedLength_, 0);
        data_ = std::exchange(other.data_, nullptr);
        length_ = std::exchange(other.length_, 0);
        owner_ = std::exchange(other.owner_, nullptr);
    }
    return *this;
}

void MappedView::release() {
    if (base_) {
#if defined(Q_OS_UNIX)
        ::munmap(base_, mappedLength_);
#else
        if (owner_) {
            owner_->unmap(static_cast<uchar*>(base_));
        }
#endif
    }
    base_ = nullptr;
    mappedLength_ = 0;
    data_ = nullptr;
    length_ = 0;
    owner_ = nullptr;
}

bool OpenMapped(const QString& path, MappedFile& out) {
    CloseMapped(out);
    out.lastError.clear();
#if defined(Q_OS_UNIX)
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
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
    const long page = ::sysconf(_SC_PAGESIZE);
    out.fd = fd;
    out.size = static_cast<std::uint32_t>(info.st_size);
    out.granularity = page > 0 ? static_cast<std::uint32_t>(page) : 4096u;
#else
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
    out.granularity = 65536u;
#endif
    out.path = path;
    out.viewDelta = 0;
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
    file.viewDelta = 0;
}

MappedView MapWindow(MappedFile& file, std::uint64_t offset, std::uint64_t length) {
    if (!file.isOpen() || length == 0 || offset >= file.size) {
        return {};
    }
    const std::uint64_t aligned = offset - offset % file.granularity;
    const std::uint64_t available = std::min<std::uint64_t>(length, file.size - offset);
    const std::uint64_t viewLength = (offset - aligned) + available;
    const std::uint32_t delta = static_cast<std::uint32_t>(offset - aligned);
#if defined(Q_OS_UNIX)
    void* base =
        ::mmap(nullptr, viewLength, PROT_READ, MAP_SHARED, file.fd, static_cast<off_t>(aligned));
    if (base == MAP_FAILED) {
        file.lastError = SystemError();
        return {};
    }
    file.viewDelta = delta;
    return MappedView(base, viewLength, static_cast<const unsigned char*>(base) + delta,
                      static_cast<std::uint32_t>(available));
#else
    uchar* base = file.file->map(static_cast<qint64>(aligned), static_cast<qint64>(viewLength));
    if (!base) {
        file.lastError = file.file->errorString();
        return {};
    }
    file.viewDelta = delta;
    return MappedView(base, viewLength, base + delta, static_cast<std::uint32_t>(available),
                      file.file.get());
#endif
}

bool ReadMapped(MappedFile& file, std::uint64_t offset, void* out, std::uint32_t length) {
    if (!file.isOpen() || length == 0 || offset >= file.size || file.size - offset < length) {
        return false;
    }
#if defined(Q_OS_UNIX)
    // Copying bytes out is cheaper with a positioned read than with a view
    // mapped and unmapped for it.
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
    MappedView view = MapWindow(file, offset, length);
    if (!view || view.length() < length) {
        return false;
    }
    std::memcpy(out, view.data(), length);
    return true;
#endif
}

} // namespace kv
