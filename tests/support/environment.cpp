#include "support/environment.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qm::test {

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value)
    : name_(name), previous_(GetEnvironment(name)), wasSet_(IsEnvironmentSet(name)) {
    SetEnvironment(name, value);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironment(name_.c_str(), wasSet_ ? previous_.c_str() : nullptr); }

std::string TemporaryFilePath(const char* stem, const char* extension) {
    static std::atomic<unsigned> counter{0};
    std::ostringstream path;
    path << TemporaryDirectory() << stem << '-' << CurrentProcessId() << '-' << counter++ << '.' << extension;
    RemoveFile(path.str());
    return path.str();
}

TemporaryFolder::TemporaryFolder(const char* stem) : path(TemporaryFilePath(stem, "d")) {
    std::filesystem::create_directories(std::filesystem::u8path(path));
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::u8path(path), ignored);
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return in ? content.str() : std::string();
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

}  // namespace qm::test
