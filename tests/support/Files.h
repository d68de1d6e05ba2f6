#pragma once
// Small helpers of the tests that work with files: a folder of a test's own, and the
// files a program wrote there.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace humrs::testing {

// The whole content of a file; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A new folder under the system's temporary folder, named `prefix-XXXXXX`, open only
// to this user; removed with all it holds when the object goes, also where a test
// took permissions away inside it.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix) {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make the folder " + pattern);
        path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ec;
        OpenToOwner(path_);
        std::filesystem::remove_all(path_, ec);
    }

    const std::filesystem::path& Path() const { return path_; }

private:
    static void OpenToOwner(const std::filesystem::path& folder) {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec)) OpenToOwner(it->path());
    }

    std::filesystem::path path_;
};

}  // namespace humrs::testing
