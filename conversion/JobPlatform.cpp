#include "conversion/JobPlatform.h"

#include <filesystem>
#include <system_error>

namespace kyn {

bool JobPlatform::DeleteFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::remove(path, ec);
}

}  // namespace kyn
