// Without libFuzzer (the everyday build): each fuzz target runs once over every file named on
// its command line, or every file of the folders named, so that the seeds and the inputs the
// fuzzer once found stay tests, and the targets keep building with the code they drive.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (!std::filesystem::is_directory(path)) {
            inputs.push_back(path);
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (entry.is_regular_file()) {
                inputs.push_back(entry.path());
            }
        }
    }
    // An input that cannot be read fails the run, as a seed left out is a test left out.
    bool bAllRead = !inputs.empty();
    for (const auto& path : inputs) {
        bAllRead = RunFile(path) && bAllRead;
    }
    std::printf("%zu inputs run\n", inputs.size());
    return bAllRead ? 0 : 1;
}
