#include "conversion/JobPlatform.h"

#include <filesystem>
#include <system_error>

namespace kyn {

bool JobPlatform::IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool JobPlatform::DeleteFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::remove(path, ec);
}

}  // namespace kyn
