#include "mapped_file.h"

#include <algorithm>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace kv {

namespace {

std::uint32_t AllocationGranularity() {
#if defined(Q_OS_UNIX)
    const long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<std::uint32_t>(page) : 4096u;
#else
    return 65536u;
#endif
}

constexpr std::uint64_t kSizeLimit = std::uint64_t{1} << 32;

} // namespace

MappedView& MappedView::operator=(MappedView&& other) noexcept {
    if (this != &other) {
        release();
        file_ = std::exchange(other.file_, nullptr);
        base_ = std::exchange(other.base_, nullptr);
        data_ = std::exchange(other.data_, nullptr);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

void MappedView::release() {
    if (file_ && base_) {
        file_->unmap(base_);
    }
    file_ = nullptr;
    base_ = nullptr;
    data_ = nullptr;
    length_ = 0;
}

bool OpenMapped(const QString& path, MappedFile& out) {
    CloseMapped(out);
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        return false;
    }
    const qint64 size = file->size();
    if (size <= 0 || static_cast<std::uint64_t>(size) >= kSizeLimit) {
        return false;
    }
    out.file = std::move(file);
    out.path = path;
    out.size = static_cast<std::uint32_t>(size);
    out.granularity = AllocationGranularity();
    out.viewDelta = 0;
    return true;
}

void CloseMapped(MappedFile& file) {
    file.file.reset();
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
    uchar* base = file.file->map(static_cast<qint64>(aligned), static_cast<qint64>(viewLength));
    if (!base) {
        return {};
    }
    file.viewDelta = static_cast<std::uint32_t>(offset - aligned);
    return MappedView(file.file.get(), base, base + file.viewDelta,
                      static_cast<std::uint32_t>(available));
}

bool ReadMapped(MappedFile& file, std::uint64_t offset, void* out, std::uint32_t length) {
    MappedView view = MapWindow(file, offset, length);
    if (!view || view.length() < length) {
        return false;
    }
    std::memcpy(out, view.data(), length);
    return true;
}

} // namespace kv
