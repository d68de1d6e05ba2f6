#pragma once
// The workspace's pages, scripts and styles, carried in the binary (made at build time
// from the files under web/).
#include <string_view>

namespace humrs::cli {

struct WebAsset {
    std::string_view path;         // "/index.html", "/app.js", ...
    std::string_view body;
    std::string_view contentType;  // "text/html; charset=utf-8", ...
};

// The file at this path under web/ ("/index.html"), or nullptr.
const WebAsset* FindWebAsset(std::string_view path);

}  // namespace humrs::cli
