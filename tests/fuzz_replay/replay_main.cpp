// Runs a libFuzzer target over kept inputs without libFuzzer, so that the
// regular build (any compiler) replays the fuzz corpora as tests:
//
//   <target>_replay PATH...
//
// Every PATH is a file or a folder whose files (not those whose names start
// with a dot, in name order, not descending into sub-folders) are handed to
// LLVMFuzzerTestOneInput one at a time, after LLVMFuzzerInitialize when the
// target has one. The input's name is printed before it runs, so a crash, a
// failed check (the target aborts) or a sanitizer report names the file. A
// missing PATH, an unreadable file or no input at all fails the run.
//
// The targets write their files under TMPDIR; the driver points it at a
// folder of its own and removes it at the end.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

bool Inputs(const fs::path& path, std::vector<fs::path>& out) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) {
        std::fprintf(stderr, "replay: %s: no such file or folder\n", path.c_str());
        return false;
    }
    if (!fs::is_directory(status)) {
        out.push_back(path);
        return true;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
        if (entry.path().filename().string().starts_with('.') || entry.is_directory(error)) {
            continue;
        }
        files.push_back(entry.path());
    }
    if (error) {
        std::fprintf(stderr, "replay: %s: %s\n", path.c_str(), error.message().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    out.insert(out.end(), files.begin(), files.end());
    return true;
}

// A folder of our own under the system's temporary folder, as TMPDIR.
fs::path OwnTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = (base != nullptr && *base != '\0' ? std::string(base) : "/tmp");
    pattern += "/kolvista-replay-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    setenv("TMPDIR", pattern.c_str(), 1);
    return pattern;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> inputs;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        ok = Inputs(argv[i], inputs) && ok;
    }
    if (!ok) {
        return 2;
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no input in the given files and folders\n");
        return 2;
    }

    const fs::path tmp = OwnTempDir();
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    for (const fs::path& input : inputs) {
        std::ifstream file(input, std::ios::binary);
        std::vector<char> bytes;
        if (file.is_open()) {
            bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        if (!file.is_open() || file.bad()) {
            std::fprintf(stderr, "replay: %s: cannot read\n", input.c_str());
            return 2;
        }
        std::fprintf(stderr, "replay: %s (%zu bytes)\n", input.c_str(), bytes.size());
        std::fflush(stderr);
        // A buffer of exactly the input's size, as libFuzzer hands it over,
        // so that reading past the end is caught by AddressSanitizer.
        const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), data.get());
        LLVMFuzzerTestOneInput(data.get(), bytes.size());
    }
    std::fprintf(stderr, "replay: %zu input(s), no failure\n", inputs.size());
    if (!tmp.empty()) {
        std::error_code ignored;
        fs::remove_all(tmp, ignored);
    }
    return 0;
}
