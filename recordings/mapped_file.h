#pragma once

#include <QString>

#include <cstdint>
#include <memory>

class QFile;

namespace kv {

// A recording opened for reading through memory-mapped views. Lives for one
// operation: opened, views mapped and released one at a time, closed.
struct MappedFile {
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    ~MappedFile();

    bool isOpen() const;

    QString path;
    std::uint32_t size = 0;           // recordings stay below 4 GiB
    std::uint32_t granularity = 4096; // views start at a multiple of this
    std::uint32_t viewDelta = 0;      // offset of the last view's start within its aligned window
    QString lastError;                // the system's text for the last failure

#if defined(Q_OS_UNIX)
    int fd = -1;
#else
    std::unique_ptr<QFile> file;
#endif
};

// A read-only view of part of a MappedFile; released when it goes out of scope.
class MappedView {
public:
    MappedView() = default;
    MappedView(void* base, std::size_t mappedLength, const unsigned char* data,
               std::uint32_t length, QFile* owner = nullptr)
        : base_(base), mappedLength_(mappedLength), data_(data), length_(length), owner_(owner) {}
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    MappedView(MappedView&& other) noexcept { *this = std::move(other); }
    MappedView& operator=(MappedView&& other) noexcept;
    ~MappedView() { release(); }

    explicit operator bool() const { return data_ != nullptr; }
    // The byte at the requested offset.
    const unsigned char* data() const { return data_; }
    // Bytes available from data(): the requested length clipped to the end of the file.
    std::uint32_t length() const { return length_; }
    void release();

private:
    void* base_ = nullptr;
    std::size_t mappedLength_ = 0;
    const unsigned char* data_ = nullptr;
    std::uint32_t length_ = 0;
    QFile* owner_ = nullptr; // the file that mapped it, where the platform needs it to unmap
};

// Opens path for reading. False when the file cannot be opened, is empty
// (nothing to map) or is 4 GiB or larger.
bool OpenMapped(const QString& path, MappedFile& out);
void CloseMapped(MappedFile& file);

// Maps [offset, offset + length) clipped to the file's end. An empty request,
// or one starting at or beyond the end of the file, gives an empty view.
MappedView MapWindow(MappedFile& file, std::uint64_t offset, std::uint64_t length);

// Copies exactly length bytes at offset into out; false when they are not all in the file.
bool ReadMapped(MappedFile& file, std::uint64_t offset, void* out, std::uint32_t length);

} // namespace kv
