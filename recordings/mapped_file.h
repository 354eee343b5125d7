#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <utility>

class QFile;

namespace kv {

// A recording opened for reading. Lives for one operation: opened, views read
// and released one at a time, closed. Nothing is memory-mapped: a view is a
// copy read with positioned reads, so a file that shrinks or vanishes while it
// is read (a card pulled out, a copy truncated) gives a failed read instead of
// a fault on a page beyond the new end.
struct MappedFile {
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    ~MappedFile();

    bool isOpen() const;

    QString path;
    std::uint32_t size = 0; // recordings stay below 4 GiB
    QString lastError;      // the system's text for the last failure

#if defined(Q_OS_UNIX)
    int fd = -1;
#else
    std::unique_ptr<QFile> file;
#endif
};

// A read-only copy of part of a MappedFile; its memory is released when it
// goes out of scope.
class MappedView {
public:
    MappedView() = default;
    MappedView(std::unique_ptr<unsigned char[]> bytes, std::uint32_t length)
        : bytes_(std::move(bytes)), length_(length) {}
    MappedView(MappedView&& other) noexcept = default;
    MappedView& operator=(MappedView&& other) noexcept = default;

    explicit operator bool() const { return bytes_ != nullptr; }
    // The byte at the requested offset.
    const unsigned char* data() const { return bytes_.get(); }
    // Bytes available from data(): the requested length clipped to the end of the file.
    std::uint32_t length() const { return length_; }
    void release() {
        bytes_.reset();
        length_ = 0;
    }

private:
    std::unique_ptr<unsigned char[]> bytes_;
    std::uint32_t length_ = 0;
};

// Opens path for reading. False when path is not a regular file (a FIFO, a
// device or a socket is refused before anything waits on it, a folder too),
// cannot be opened, is empty or is 4 GiB or larger.
bool OpenMapped(const QString& path, MappedFile& out);
void CloseMapped(MappedFile& file);

// Reads [offset, offset + length) clipped to the file's end as it was opened.
// An empty request, or one starting at or beyond that end, gives an empty
// view; so does a read that fails or finds the file shorter than it was
// (lastError says why).
MappedView MapWindow(MappedFile& file, std::uint64_t offset, std::uint64_t length);

// Copies exactly length bytes at offset into out; false when they are not all
// in the file (also when it has become shorter since it was opened).
bool ReadMapped(MappedFile& file, std::uint64_t offset, void* out, std::uint32_t length);

} // namespace kv
